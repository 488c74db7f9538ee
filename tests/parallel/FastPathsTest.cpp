// The program's step and contact pass against the plain ones: the same state, bit for bit.

#include "ArenaRun.h"
#include "CoinEnvironment.h"
#include "common/Workers.h"
#include "generators/BendingSprings.h"
#include "generators/Icosphere.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/StepPlan.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <iostream>
#include <limits>
#include <sstream>

namespace {

template <typename T> bool sameBytes(const T* a, const T* b, int count) {
    return std::memcmp(a, b, sizeof(T) * static_cast<size_t>(count)) == 0;
}

/// Everything one step hands to the next, compared bit for bit.
testing::AssertionResult sameBodyState(const MpSystem& plain, const MpSystem& fast) {
    const int n = plain.numPoints();
    if (fast.numPoints() != n || fast.numSprings() != plain.numSprings()) {
        return testing::AssertionFailure() << "bodies of different sizes";
    }
    if (!sameBytes(plain.positions(), fast.positions(), n)) {
        return testing::AssertionFailure() << "positions differ";
    }
    if (!sameBytes(plain.velocities(), fast.velocities(), n)) {
        return testing::AssertionFailure() << "velocities differ";
    }
    if (!sameBytes(plain.forces(), fast.forces(), n)) {
        return testing::AssertionFailure() << "forces differ";
    }
    if (!sameBytes(plain.externalForces(), fast.externalForces(), n)) {
        return testing::AssertionFailure() << "external forces differ";
    }
    for (int s = 0; s < plain.numSprings(); ++s) {
        const double lengths[] = {plain.lastLength(s), fast.lastLength(s)};
        if (!sameBytes(lengths, lengths + 1, 1)) {
            return testing::AssertionFailure() << "last length " << s << " differs";
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult sameBalls(const BallSet& plain, const BallSet& fast) {
    if (plain.size() != fast.size()) {
        return testing::AssertionFailure() << plain.size() << " balls against " << fast.size();
    }
    for (int k = 0; k < plain.size(); ++k) {
        const Ball& a = plain.at(k);
        const Ball& b = fast.at(k);
        const SbVec3f state[] = {a.position(), a.velocity(), a.force()};
        const SbVec3f other[] = {b.position(), b.velocity(), b.force()};
        if (!sameBytes(state, other, 3)) {
            return testing::AssertionFailure() << "ball " << k << " differs";
        }
    }
    return testing::AssertionSuccess();
}

std::unique_ptr<MpSystem> readBody(const std::string& text, float mass = 1.0f) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.02f, mass, 85.0f);
    std::cerr.rdbuf(progress);
    return body;
}

/// A sphere of 10,242 points with three springs more than a multiple of the kernels' widths,
/// among them two of length 0: one joining a point to itself and one joining two points read
/// at the same place. They come last, or with `first` first, so that the vector kernels meet
/// them among whole groups of springs.
std::string sphereWithDegenerateSprings(bool first = false) {
    TriangleMesh mesh = makeIcosphere(5, 3, SbVec3f(0, 0.5f, 0));
    const int32_t twin = static_cast<int32_t>(mesh.points.size());
    mesh.points.push_back(mesh.points[0]);
    mesh.texCoords.push_back(mesh.texCoords[0]);
    const std::array<int32_t, 3> degenerate[] = {{0, twin, 1}, {2, 2, 3}};
    mesh.triangles.insert(first ? mesh.triangles.begin() : mesh.triangles.end(),
                          std::begin(degenerate), std::end(degenerate));
    return meshText(mesh, MeshForm::Off);
}

/// A ball of 2,562 points braced through its centre, each point with a second strut to the
/// point a quarter of the point order on: however the points are split, struts join them.
std::string ballWithCrossingStruts() {
    TriangleMesh mesh = makeIcosphere(4, 3, SbVec3f(0, 0.5f, 0), Bracing::ThroughCentre);
    const int32_t n = static_cast<int32_t>(mesh.points.size());
    for (int32_t i = 0; i < n; ++i) {
        mesh.struts.push_back({i, (i + n / 4) % n});
    }
    return meshText(mesh, MeshForm::Off);
}

/// A sphere of 10,242 points held by a gas rather than struts, as plimmerton-mkdata writes one:
/// its surface spans several of the gas's blocks of triangles and of points.
std::string inflatedSphere() {
    TriangleMesh mesh = makeIcosphere(5, 3, SbVec3f(0, 0.5f, 0));
    addBendingSprings(mesh);
    return meshText(mesh, MeshForm::Off);
}

/// Steps both bodies alike, with pushes that vary from point to point and from tick to tick.
testing::AssertionResult stepsAlike(MpSystem& plain, MpSystem& fast, int ticks) {
    for (int tick = 0; tick < ticks; ++tick) {
        for (int i = tick % 3; i < plain.numPoints(); i += 3) {
            const SbVec3f push(10.0f * (i % 7) - 30, 15.0f * (tick % 5), -4.0f * (i % 13));
            plain.addExternalForce(i, push);
            fast.addExternalForce(i, push);
        }
        plain.stepSequential(0.012f);
        fast.step(0.012f);
        testing::AssertionResult same = sameBodyState(plain, fast);
        if (!same) {
            return same << " after tick " << tick;
        }
    }
    return testing::AssertionSuccess();
}

/// Runs the test once on one thread and once on two.
class FastPaths : public testing::TestWithParam<int> {
protected:
    void SetUp() override { setWorkerCount(GetParam()); }
    void TearDown() override { setWorkerCount(INT_MAX); }
};

} // namespace

TEST_P(FastPaths, StepAndContactPassMatchThePlainOnesOverAThousandTicks) {
    ArenaRun plain(5, false);
    ArenaRun fast(5, true);
    ASSERT_EQ(workersFor(fast.body().numPoints()), GetParam()) << "the threads this run is for";
    bool underFloor = false;
    bool inPillar = false;
    bool inBall = false;
    for (int tick = 0; tick < 1000; ++tick) {
        plain.tick(0.012f);
        fast.tick(0.012f);
        ASSERT_TRUE(sameBodyState(plain.body(), fast.body())) << "after tick " << tick;
        ASSERT_TRUE(sameBalls(plain.balls(), fast.balls())) << "after tick " << tick;
        if (tick % 10 == 0) {
            underFloor = underFloor || plain.bodyUnderFloor();
            inPillar = inPillar || plain.bodyInPillar();
            inBall = inBall || plain.bodyInBall();
        }
    }
    EXPECT_TRUE(underFloor) << "the run never pressed the body into the floor";
    EXPECT_TRUE(inPillar) << "the run never pressed the body into a pillar";
    EXPECT_TRUE(inBall) << "the run never pressed a ball into the body";
}

TEST_P(FastPaths, StepMatchesThePlainOneOnDegenerateSpringsAndUnevenCounts) {
    for (bool first : {false, true}) {
        const std::string text = sphereWithDegenerateSprings(first);
        std::unique_ptr<MpSystem> plain = readBody(text);
        std::unique_ptr<MpSystem> fast = readBody(text);
        ASSERT_NE(plain->numSprings() % 64, 0);
        ASSERT_EQ(workersFor(plain->numPoints() + plain->numSprings()), GetParam());
        for (int tick = 0; tick < 50; ++tick) {
            // Pushes that vary from point to point, some beyond what single precision holds once
            // they reach the springs.
            for (int i = 0; i < plain->numPoints(); i += 7) {
                const float size = (i % 5 == 0 && tick == 20) ? 3e38f : 40.0f * (i % 11) - 200;
                const SbVec3f push(size, 0.5f * size, -0.25f * size);
                plain->addExternalForce(i, push);
                fast->addExternalForce(i, push);
            }
            plain->stepSequential(0.012f);
            fast->step(0.012f);
            ASSERT_TRUE(sameBodyState(*plain, *fast))
                << "after tick " << tick << (first ? ", first" : "");
        }
    }
}

TEST_P(FastPaths, StepsThatMoveNothingMatchThePlainOnes) {
    const std::string text = sphereWithDegenerateSprings();
    std::unique_ptr<MpSystem> plain = readBody(text);
    std::unique_ptr<MpSystem> fast = readBody(text);
    for (float dt : {0.012f, 0.0f, -0.01f, std::numeric_limits<float>::quiet_NaN(), 0.0182f}) {
        plain->addExternalForce(3, SbVec3f(1, 2, 3));
        fast->addExternalForce(3, SbVec3f(1, 2, 3));
        plain->stepSequential(dt);
        fast->step(dt);
        ASSERT_TRUE(sameBodyState(*plain, *fast)) << "dt " << dt;
    }
}

TEST_P(FastPaths, MasslessBodyMatchesThePlainOne) {
    const std::string text = sphereWithDegenerateSprings();
    std::unique_ptr<MpSystem> plain = readBody(text, 0.0f);
    std::unique_ptr<MpSystem> fast = readBody(text, 0.0f);
    for (int tick = 0; tick < 5; ++tick) {
        plain->stepSequential(0.012f);
        fast->step(0.012f);
        ASSERT_TRUE(sameBodyState(*plain, *fast)) << "after tick " << tick;
    }
}

TEST_P(FastPaths, ContactPassMatchesThePlainOneWithMoreBallsThanAMaskHolds) {
    // 70 balls strewn over and around a body that lies across the floor and a pillar.
    const std::string text = sphereMesh(5, 4, -3, -13, -3);
    std::unique_ptr<MpSystem> plainBody = readBody(text);
    std::unique_ptr<MpSystem> fastBody = readBody(text);
    BallSet plainBalls;
    BallSet fastBalls;
    for (int k = 0; k < 70; ++k) {
        const SbVec3f centre(-3 + 4.2f * std::cos(0.7f * k), -13 + 4.2f * std::sin(1.3f * k),
                             -3 + 4.2f * std::sin(0.7f * k));
        plainBalls.append(std::make_unique<Ball>(centre, SbVec3f(0, 0, 0), 1, 0, 0));
        fastBalls.append(std::make_unique<Ball>(centre, SbVec3f(0, 0, 0), 1, 0, 0));
    }
    CollisionWorld plain;
    CollisionWorld fast;
    for (CollisionWorld* world : {&plain, &fast}) {
        world->addWall(Wall{SbVec3f(0, -15, 0), 15});
        world->addWall(Wall{SbVec3f(-6, 0, 0), 15});
        world->addPillar(PillarCircle(-4, 1.5f, -4));
        world->addPillar(PillarCircle(12, 1.5f, 12));
    }
    plain.addBody(plainBody.get());
    plain.setBalls(&plainBalls);
    fast.addBody(fastBody.get());
    fast.setBalls(&fastBalls);
    for (int pass = 0; pass < 3; ++pass) {
        plain.accumulatePlainContactForces();
        fast.accumulateContactForces();
        ASSERT_TRUE(sameBodyState(*plainBody, *fastBody)) << "pass " << pass;
        ASSERT_TRUE(sameBalls(plainBalls, fastBalls)) << "pass " << pass;
    }
    int pushedBalls = 0;
    for (int k = 0; k < 70; ++k) {
        pushedBalls += fastBalls.at(k).force() != SbVec3f(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(pushedBalls, 64) << "balls beyond the mask's width took part";
    plainBalls.clear();
    fastBalls.clear();
}

TEST_P(FastPaths, InflatedBodyWithPinnedPointsMatchesThePlainOne) {
    const std::string text = inflatedSphere();
    std::unique_ptr<MpSystem> plain = readBody(text);
    std::unique_ptr<MpSystem> fast = readBody(text);
    for (MpSystem* body : {plain.get(), fast.get()}) {
        ASSERT_TRUE(body->setPressure(40.0f));
        for (int i : {0, 17, 5000, 10241}) {
            body->setPinned(i, true);
        }
    }
    ASSERT_TRUE(stepsAlike(*plain, *fast, 60));
    // The gas pushed the sphere out against its springs.
    EXPECT_GT(fast->volume(), 1.05 * fast->restVolume());
}

TEST_P(FastPaths, PressureBackToZeroAndPinsLetGoLeaveTheStepAsItWas) {
    const std::string text = inflatedSphere();
    std::unique_ptr<MpSystem> untouched = readBody(text);
    std::unique_ptr<MpSystem> changed = readBody(text);
    ASSERT_TRUE(changed->setPressure(20.0f));
    changed->setPinned(3, true);
    changed->setPressure(0.0f);
    changed->setPinned(3, false);
    for (int tick = 0; tick < 30; ++tick) {
        untouched->addExternalForce(tick, SbVec3f(30, 10, -5));
        changed->addExternalForce(tick, SbVec3f(30, 10, -5));
        untouched->step(0.012f);
        changed->step(0.012f);
        ASSERT_TRUE(sameBodyState(*untouched, *changed)) << "after tick " << tick;
    }
}

INSTANTIATE_TEST_SUITE_P(OneAndTwoThreads, FastPaths, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "Threads";
                         });

TEST(FastPathsAcrossThreadCounts, BodySplitForTwoThreadsStepsAlikeOnOne) {
    // The body's work is split when it is read; fewer threads later take the parts in turn.
    setWorkerCount(2);
    const std::string text = sphereWithDegenerateSprings();
    std::unique_ptr<MpSystem> plain = readBody(text);
    std::unique_ptr<MpSystem> fast = readBody(text);
    setWorkerCount(1);
    for (int tick = 0; tick < 20; ++tick) {
        plain->addExternalForce(tick, SbVec3f(50, 20, -10));
        fast->addExternalForce(tick, SbVec3f(50, 20, -10));
        plain->stepSequential(0.012f);
        fast->step(0.012f);
        ASSERT_TRUE(sameBodyState(*plain, *fast)) << "after tick " << tick;
    }
    setWorkerCount(INT_MAX);
}

TEST(FastPathsAcrossThreadCounts, InflatedBodyStepsAlikeOnOneThreadAndOnTwo) {
    // The gas's order of work is the body's own: the same sums whatever the threads.
    const std::string text = inflatedSphere();
    setWorkerCount(1);
    std::unique_ptr<MpSystem> one = readBody(text);
    setWorkerCount(2);
    std::unique_ptr<MpSystem> two = readBody(text);
    for (MpSystem* body : {one.get(), two.get()}) {
        ASSERT_TRUE(body->setPressure(40.0f));
        body->setPinned(100, true);
    }
    for (int tick = 0; tick < 40; ++tick) {
        setWorkerCount(1);
        one->addExternalForce(tick, SbVec3f(50, 20, -10));
        one->step(0.012f);
        setWorkerCount(2);
        two->addExternalForce(tick, SbVec3f(50, 20, -10));
        two->step(0.012f);
        ASSERT_TRUE(sameBodyState(*one, *two)) << "after tick " << tick;
    }
    setWorkerCount(INT_MAX);
}

TEST(FastPathsAcrossParts, StepMatchesThePlainOneWhereStrutsCrossEveryPart) {
    const std::string text = ballWithCrossingStruts();
    for (int parts = 1; parts <= 4; ++parts) {
        std::unique_ptr<MpSystem> plain = readBody(text);
        std::unique_ptr<MpSystem> fast = readBody(text);
        fast->splitStep(parts);
        StepPlan plan;
        plan.build(fast->numPoints(), fast->springs(), fast->numSprings(), parts);
        for (int t = 0; parts > 1 && t < parts; ++t) {
            ASSERT_LT(plan.firstDeferred(t), plan.firstDeferred(t + 1))
                << "part " << t << " of " << parts << " keeps no force aside";
        }
        ASSERT_TRUE(stepsAlike(*plain, *fast, 20)) << parts << " parts";
        // Laid out anew in the middle of a run, the body keeps every last length.
        fast->splitStep(parts % 4 + 1);
        ASSERT_TRUE(stepsAlike(*plain, *fast, 10)) << parts << " parts, then " << parts % 4 + 1;
    }
}

TEST(FastPathsAcrossParts, BodyWhoseRestLengthsNeedDoublePrecisionStepsAlike) {
    std::istringstream in(ballWithCrossingStruts());
    BodyMesh mesh = MeshReader(in).read(1.0f);
    for (std::size_t s = 0; s < mesh.restLengths.size(); ++s) {
        mesh.restLengths[s] *= 1.0 + 1e-9 * static_cast<double>(s % 5);
    }
    MpSystem plain(mesh, 0.02f, 85.0f);
    MpSystem fast(mesh, 0.02f, 85.0f);
    ASSERT_NE(static_cast<float>(plain.restLengths()[1]), plain.restLengths()[1]);
    fast.splitStep(3);
    EXPECT_TRUE(stepsAlike(plain, fast, 20));
}

TEST(FastPathsAcrossParts, BracedBallSplitsIntoEvenPartsWithFewBoundaryPoints) {
    // Both ends of a strut through the centre fall into the same part, so only the points
    // along the borders between parts keep forces aside: a few in a hundred for each border
    // (a plan of runs of springs made half of them boundary points).
    const TriangleMesh ball = makeIcosphere(6, 3, SbVec3f(0, 0, 0), Bracing::ThroughCentre);
    std::unique_ptr<MpSystem> body = readBody(meshText(ball, MeshForm::Off));
    for (int parts = 2; parts <= 4; ++parts) {
        StepPlan plan;
        plan.build(body->numPoints(), body->springs(), body->numSprings(), parts);
        EXPECT_LT(plan.numBoundaryPoints(), body->numPoints() * (parts - 1) / 25) << parts;
        for (int t = 0; t < parts; ++t) {
            const int32_t slots =
                plan.chunkBegin(plan.firstChunk(t + 1)) - plan.chunkBegin(plan.firstChunk(t));
            EXPECT_NEAR(slots, body->numSprings() / parts, body->numSprings() / parts / 10)
                << "part " << t << " of " << parts;
        }
    }
}

TEST(FastPathsAcrossParts, BodyWithStrutsBetweenAnyRegionsStepsOnOneThread) {
    // Split in two, most of its points would keep forces aside; the braced ball splits well.
    setWorkerCount(2);
    EXPECT_EQ(readBody(ballWithCrossingStruts())->stepPlan().parts(), 1);
    const TriangleMesh ball = makeIcosphere(6, 3, SbVec3f(0, 0, 0), Bracing::ThroughCentre);
    EXPECT_EQ(readBody(meshText(ball, MeshForm::Off))->stepPlan().parts(), 2);
    setWorkerCount(INT_MAX);
}
