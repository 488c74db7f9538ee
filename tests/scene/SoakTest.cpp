#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"
#include "tests/scene/SceneInvariants.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

// A long run of the assembled program on a small body, driven as a user would: ticks with idle
// calls between most of them, the animation running, balls shot, removed and falling out of the
// arena, the cannon aimed about, the body pushed, the levels and views switched, and the body
// rebuilt with N a hundred times (some rebuilds find the mesh file gone, and the program runs on
// without a body until the next one brings it back), and Backspace going back among it all. After
// every tick and every key the state is finite and the world keeps its layout; every ball and body
// surface that leaves is held by nobody. Under the sanitizers, the leak checker at the end of the
// process sees everything released, however many balls and bodies were made.
//
// PLIMMERTON_SOAK_TICKS sets the number of ticks (100,000 unless given); N comes every 1,000.

namespace {

/// An icosahedron of radius about 1.9 around (0, 2, 0): twelve points, thirty springs, enough
/// for the arrow keys (points 1, 2, 5 and 6).
const char* icosahedron() {
    return "OFF\n12 20 30\n"
           "-1 3.618034 0\n1 3.618034 0\n-1 0.381966 0\n1 0.381966 0\n"
           "0 1 1.618034\n0 3 1.618034\n0 1 -1.618034\n0 3 -1.618034\n"
           "1.618034 2 -1\n1.618034 2 1\n-1.618034 2 -1\n-1.618034 2 1\n"
           "3 0 11 5\n3 0 5 1\n3 0 1 7\n3 0 7 10\n3 0 10 11\n"
           "3 1 5 9\n3 5 11 4\n3 11 10 2\n3 10 7 6\n3 7 1 8\n"
           "3 3 9 4\n3 3 4 2\n3 3 2 6\n3 3 6 8\n3 3 8 9\n"
           "3 4 9 5\n3 2 4 11\n3 6 2 10\n3 8 6 7\n3 9 8 1\n";
}

/// A cubic lattice of side `n` points, 0.5 apart, above the floor: n³ points joined along the
/// three axes by two-point faces. Large enough that the step and the contact pass share the
/// work among the worker threads.
std::string lattice(int n) {
    std::ostringstream mesh;
    mesh << "OFF\n" << n * n * n << " " << 3 * n * n * (n - 1) << " 0\n";
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) {
                mesh << 0.5 * i - 4 << " " << 0.5 * j - 4 << " " << 0.5 * k - 4 << "\n";
            }
        }
    }
    const auto index = [n](int i, int j, int k) { return (i * n + j) * n + k; };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k + 1 < n; ++k) {
                mesh << "2 " << index(i, j, k) << " " << index(i, j, k + 1) << "\n";
                mesh << "2 " << index(i, k, j) << " " << index(i, k + 1, j) << "\n";
                mesh << "2 " << index(k, i, j) << " " << index(k + 1, i, j) << "\n";
            }
        }
    }
    return mesh.str();
}

int soakTicks() {
    const char* ticks = std::getenv("PLIMMERTON_SOAK_TICKS");
    return ticks != nullptr ? std::atoi(ticks) : 100000;
}

/// A key in the middle of a run: its answers on the two streams are not what is tested here.
void press(SoKeyboardEvent::Key key) {
    pressKeyCapturing(key);
}

/// Presses `key`, which takes `leaving` out of the scene, and tells whether anything but this
/// check still holds it afterwards.
bool pressAndCheckReleased(SoKeyboardEvent::Key key, SoNode* leaving) {
    leaving->ref();
    press(key);
    const bool released = leaving->getRefCount() == 1;
    leaving->unref();
    return released;
}

const SoKeyboardEvent::Key pushes[] = {SoKeyboardEvent::LEFT_ARROW, SoKeyboardEvent::UP_ARROW,
                                       SoKeyboardEvent::RIGHT_ARROW, SoKeyboardEvent::DOWN_ARROW,
                                       SoKeyboardEvent::END};
// Tilting up and down and turning both ways sends the balls onto the body, onto the floor and
// out of the arena.
const SoKeyboardEvent::Key aims[] = {SoKeyboardEvent::W, SoKeyboardEvent::W, SoKeyboardEvent::A,
                                     SoKeyboardEvent::S, SoKeyboardEvent::D, SoKeyboardEvent::D,
                                     SoKeyboardEvent::S, SoKeyboardEvent::A};
const SoKeyboardEvent::Key switches[] = {SoKeyboardEvent::NUMBER_1, SoKeyboardEvent::NUMBER_2,
                                         SoKeyboardEvent::NUMBER_3, SoKeyboardEvent::NUMBER_4,
                                         SoKeyboardEvent::NUMBER_5, SoKeyboardEvent::NUMBER_6,
                                         SoKeyboardEvent::J,        SoKeyboardEvent::I,
                                         SoKeyboardEvent::L,        SoKeyboardEvent::K};

using Soak = AssembledScene;

TEST_F(Soak, LongRunWithBallsKeysAndRebuildsStaysFiniteAndInShape) {
    ASSERT_TRUE(assemble(icosahedron(), {"-d", "0.04", "-m", "1", "-s", "85", "-t", "0.012"}));
    const std::string meshFile = settings.meshFileName;
    const std::vector<SoNode*> fixed = fixedWorldChildren();
    press(SoKeyboardEvent::P);
    ASSERT_TRUE(timerSensor->isScheduled());

    const int ticks = soakTicks();
    int shots = 0;
    int fallen = 0;
    int rebuilds = 0;
    int failedRebuilds = 0;
    int rewinds = 0;
    for (int t = 0; t < ticks; ++t) {
        const int ballsBefore = ballSet.size();
        tick(t % 3 == 2);
        ASSERT_TRUE(stateIsFinite()) << "tick " << t;
        if (ballSet.size() < ballsBefore) {
            fallen += ballsBefore - ballSet.size();
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after balls fell at tick " << t;
        }

        // The rebuilds come first, so that no other key takes their turn.
        bool pressed = true;
        if (t % 10000 == 4499) {
            // The file goes away: N takes the body out and finds nothing to read.
            std::rename(meshFile.c_str(), (meshFile + ".away").c_str());
            ASSERT_TRUE(pressAndCheckReleased(SoKeyboardEvent::N, mpSystem->surfaceRoot()));
            ASSERT_EQ(nullptr, mpSystem) << "tick " << t;
            std::rename((meshFile + ".away").c_str(), meshFile.c_str());
            ++failedRebuilds;
        } else if (t % 1000 == 999) {
            SoNode* old = mpSystem != nullptr ? mpSystem->surfaceRoot() : nullptr;
            if (old != nullptr) {
                ASSERT_TRUE(pressAndCheckReleased(SoKeyboardEvent::N, old))
                    << "the old body's surface is still held, tick " << t;
            } else {
                press(SoKeyboardEvent::N);
            }
            ASSERT_TRUE(mpSystemReady) << "tick " << t;
            ++rebuilds;
        } else if (t % 97 == 0) {
            const int live = ballSet.size();
            press(SoKeyboardEvent::SPACE);
            shots += ballSet.size() > live ? 1 : 0;
        } else if (t % 331 == 0 && !ballSet.empty()) {
            ASSERT_TRUE(pressAndCheckReleased(SoKeyboardEvent::T, ballSet.at(0).root()))
                << "the removed ball is still held, tick " << t;
        } else if (t % 443 == 0 && !ballSet.empty()) {
            // Back to the snapshot of the body's start: the balls of now go, released.
            ASSERT_TRUE(pressAndCheckReleased(SoKeyboardEvent::BACKSPACE, ballSet.at(0).root()))
                << "a ball gone back from is still held, tick " << t;
            ++rewinds;
        } else if (t % 53 == 0) {
            press(pushes[(t / 53) % 5]);
        } else if (t % 211 == 0) {
            press(aims[(t / 211) % 8]);
        } else if (t % 617 == 0) {
            press(switches[(t / 617) % 10]);
        } else {
            pressed = false;
        }
        if (pressed) {
            ASSERT_TRUE(stateIsFinite()) << "after the key at tick " << t;
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after the key at tick " << t;
        }
    }

    // The run did what it set out to do: every kind of operation happened, and often.
    EXPECT_EQ(ticks / 1000, rebuilds);
    EXPECT_EQ((ticks + 5500) / 10000, failedRebuilds);
    EXPECT_GE(shots, ticks / 97 / 2);
    EXPECT_GE(fallen, ticks / 97 / 10);
    EXPECT_GE(rewinds, ticks / 443 / 4);
    EXPECT_LE(ballSet.size(), 6);
    EXPECT_TRUE(timerSensor->isScheduled());
}

// The same kind of run, shorter, on a body whose step and contacts run on several threads: N
// replaces the body, and with it the threads' shares of the work, in the middle of the play.
TEST_F(Soak, LargeBodyOnAllCoresWithBallsAndRebuildsStaysFiniteAndInShape) {
    const int n = 16;
    ASSERT_TRUE(assemble(lattice(n), {"-d", "0.04", "-m", "1", "-s", "85", "-t", "0.012"}));
    ASSERT_EQ(n * n * n, mpSystem->numPoints());
    ASSERT_EQ(3 * n * n * (n - 1), mpSystem->numSprings());
    const std::vector<SoNode*> fixed = fixedWorldChildren();
    press(SoKeyboardEvent::P);

    int rebuilds = 0;
    for (int t = 0; t < 3000; ++t) {
        const int ballsBefore = ballSet.size();
        tick(t % 3 == 2);
        ASSERT_TRUE(stateIsFinite()) << "tick " << t;
        if (ballSet.size() < ballsBefore) {
            ASSERT_TRUE(worldLayoutHolds(fixed)) << "after balls fell at tick " << t;
        }
        if (t % 500 == 499) {
            ASSERT_TRUE(pressAndCheckReleased(SoKeyboardEvent::N, mpSystem->surfaceRoot()));
            ++rebuilds;
        } else if (t % 61 == 0) {
            press(SoKeyboardEvent::SPACE);
        } else if (t % 29 == 0) {
            press(pushes[(t / 29) % 5]);
        } else if (t % 131 == 0) {
            press(aims[(t / 131) % 8]);
        } else {
            continue;
        }
        ASSERT_TRUE(stateIsFinite()) << "after the key at tick " << t;
        ASSERT_TRUE(worldLayoutHolds(fixed)) << "after the key at tick " << t;
    }
    EXPECT_EQ(6, rebuilds);
    EXPECT_EQ(n * n * n, mpSystem->numPoints());
}

} // namespace
