// A blow-up caught and undone, and Backspace going back in the assembled scene: the ticks as
// the timer runs them, the keys through the scene graph.

#include "balls/BallSet.h"
#include "control/Simulation.h"
#include "control/StatusReport.h"
#include "mpsystem/MpSystem.h"
#include "tests/scene/AssembledScene.h"
#include "tests/scene/KeyPresses.h"

#include <Inventor/sensors/SoTimerSensor.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string bundledBall() {
    std::ifstream file("data/ball.toff");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

/// Every number that moves in the world after a tick, hashed (FNV-1a over their bytes).
uint64_t fingerprint() {
    uint64_t hash = 14695981039346656037u;
    const auto add = [&hash](const void* data, size_t bytes) {
        for (size_t k = 0; k < bytes; ++k) {
            hash = (hash ^ static_cast<const unsigned char*>(data)[k]) * 1099511628211u;
        }
    };
    add(mpSystem->positions(), sizeof(SbVec3f) * mpSystem->numPoints());
    add(mpSystem->velocities(), sizeof(SbVec3f) * mpSystem->numPoints());
    add(mpSystem->externalForces(), sizeof(SbVec3f) * mpSystem->numPoints());
    for (int k = 0; k < ballSet.size(); ++k) {
        const SbVec3f state[] = {ballSet.at(k).position(), ballSet.at(k).velocity(),
                                 ballSet.at(k).force()};
        add(state, sizeof state);
    }
    return hash;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

class Rewind : public AssembledScene {
protected:
    std::string status() { return joined(statusLines(currentStatus(state))); }

    /// Ticks as the running animation's timer runs them, until it stops or `most` have run;
    /// what they wrote on standard error (which starts a line of its own after the reader's).
    std::string tickUntilStopped(int most) {
        ::testing::internal::CaptureStderr();
        for (int tick = 0; tick < most && timerSensor->isScheduled(); ++tick) {
            tickSimulation(state);
        }
        return ::testing::internal::GetCapturedStderr();
    }
};

// Past its stable time step the bundled ball blows up within two seconds: the animation stops,
// the status and standard error name it with the keys that undo it, and Backspace brings the
// body back as it started, every point finite and in the arena.
TEST_F(Rewind, ABlowUpStopsTheAnimationAndBackspaceUndoesIt) {
    ASSERT_TRUE(assemble(bundledBall(), {"-d", "0.04", "-m", "0.3", "-s", "85", "-t", "0.05"}));
    const std::unique_ptr<MpSystem> start = twinBody();
    pressKey(SoKeyboardEvent::P);
    const std::string said = tickUntilStopped(200);
    EXPECT_FALSE(timerSensor->isScheduled()) << "the animation stopped";
    EXPECT_TRUE(state.watch.caught);
    EXPECT_LT(state.simulatedTime, 2.5);
    const std::string blewUp = "the body blew up at time step 0.05 (stable up to 0.0";
    EXPECT_EQ(said.find(blewUp), said.find_first_not_of('\n')) << said;
    EXPECT_NE(said.find("): Backspace goes back "), std::string::npos) << said;
    EXPECT_NE(said.find(" s, N rebuilds\n"), std::string::npos) << said;
    EXPECT_NE(status().find("\nthe body blew up at time step 0.05:\n  Backspace goes back "),
              std::string::npos)
        << status();

    const KeyOutput back = pressKeyCapturing(SoKeyboardEvent::BACKSPACE);
    EXPECT_EQ(back.out, "back to t 0.000 s (time step 0.05)\n");
    EXPECT_EQ(std::memcmp(mpSystem->positions(), start->positions(),
                          sizeof(SbVec3f) * start->numPoints()),
              0);
    EXPECT_FALSE(state.watch.caught);
    EXPECT_EQ(state.watch.place, BodyPlace::inArena);
    EXPECT_EQ(state.simulatedTime, 0.0);
    EXPECT_EQ(status().find("the body"), std::string::npos) << status();
    EXPECT_FALSE(timerSensor->isScheduled()) << "the animation stays stopped";
}

// Going back two seconds puts the whole world (the body, the balls and what the contacts
// gathered for the next step) where it was, with the stiffness and time step in force then:
// the ticks from there repeat the first run's, bit for bit. The energy plot forgets what
// came after.
TEST_F(Rewind, BackspaceGoesBackTwoSecondsAndTheRunRepeatsBitForBit) {
    ASSERT_TRUE(assemble(bundledBall(), {"-d", "0.04", "-m", "0.3", "-s", "85", "-t", "0.012"}));
    pressKey(SoKeyboardEvent::P);
    pressKey(SoKeyboardEvent::F3);
    std::vector<uint64_t> afterTicks{fingerprint()};
    ::testing::internal::CaptureStdout();
    for (int tick = 1; tick <= 400; ++tick) {
        if (tick == 60 || tick == 150) {
            pressKey(SoKeyboardEvent::SPACE);
        }
        if (tick == 380) {
            pressKey(SoKeyboardEvent::NUMBER_1);
            pressKey(SoKeyboardEvent::NUMBER_2);
        }
        tickSimulation(state);
        afterTicks.push_back(fingerprint());
    }
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(ballSet.size(), 2);
    ASSERT_EQ(mpSystem->stiffness(), 120.0f);

    const KeyOutput back = pressKeyCapturing(SoKeyboardEvent::BACKSPACE);
    const long tick = std::lround(state.simulatedTime / 0.012f);
    EXPECT_EQ(back.out, "back to t 3.000 s (time step 0.012)\n") << back.out;
    EXPECT_EQ(tick, 250);
    EXPECT_EQ(mpSystem->stiffness(), 85.0f);
    EXPECT_EQ(settings.timeStep, 0.012f);
    EXPECT_EQ(fingerprint(), afterTicks[tick]);
    ASSERT_GT(state.energy.size(), 0);
    EXPECT_LE(state.energy.sample(state.energy.size() - 1).time, state.simulatedTime);
    for (long next = tick + 1; next <= 370; ++next) {
        tickSimulation(state);
        ASSERT_EQ(fingerprint(), afterTicks[next]) << "tick " << next;
    }
    EXPECT_EQ(ballSet.size(), 2);
}

// A body made by N gets its snapshots at once: Backspace goes back to its start, not to the
// old body's.
TEST_F(Rewind, ANewBodyStartsItsOwnSnapshots) {
    ASSERT_TRUE(assemble(cubeMesh(), runOptions()));
    pressKey(SoKeyboardEvent::P);
    tickUntilStopped(200);
    pressKeyCapturing(SoKeyboardEvent::N);
    EXPECT_TRUE(state.snapshots.preparedFor(collisionWorld.bodies()));
    EXPECT_EQ(state.snapshots.size(), 1);
    const std::unique_ptr<MpSystem> start = twinBody();
    tickUntilStopped(100);
    EXPECT_EQ(pressKeyCapturing(SoKeyboardEvent::BACKSPACE).out,
              "back to t 2.400 s (time step 0.012)\n");
    EXPECT_EQ(mpSystem->pointPosition(6), start->pointPosition(6));
}

// A body beside the arena is named with the keys that bring it back; falling on, it leaves
// the arena's reach and the animation stops.
TEST_F(Rewind, ABodyOutOfTheArenaIsNamedAndOneOutOfReachStops) {
    std::string cube = cubeMesh();
    for (const char* corner : {"-1 -1 -1", " 1 -1 -1", " 1  1 -1", "-1  1 -1", "-1 -1  1",
                               " 1 -1  1", " 1  1  1", "-1  1  1"}) {
        const std::string moved = std::to_string(std::stoi(corner) + 40);
        cube.replace(cube.find(corner), 2, moved);
    }
    ASSERT_TRUE(assemble(cube, runOptions()));
    pressKey(SoKeyboardEvent::P);
    tickSimulation(state);
    EXPECT_EQ(state.watch.place, BodyPlace::outOfArena);
    EXPECT_NE(status().find("the body is out of the arena:\n  Backspace goes back 0.012 s, N "
                            "rebuilds\n"),
              std::string::npos)
        << status();
    const std::string said = tickUntilStopped(1000);
    EXPECT_EQ(state.watch.place, BodyPlace::outOfReach);
    EXPECT_NE(said.find("\nthe body left the arena's reach: Backspace goes back "),
              std::string::npos)
        << said;
}

} // namespace
