#include "balls/CollisionWorld.h"
#include "CoinEnvironment.h"
#include "balls/BallSet.h"
#include "common/Finite.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const Wall floorWall{SbVec3f(0, -15, 0), 15};

/// A body of loose points (no faces, so no springs), read from an OFF mesh.
std::unique_ptr<MpSystem> makeBody(const std::vector<SbVec3f>& points) {
    std::ostringstream off;
    off << "OFF\n" << points.size() << " 0 0\n";
    for (const SbVec3f& p : points) {
        off << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
    }
    std::istringstream mesh(off.str());
    testing::internal::CaptureStderr();
    auto body = std::make_unique<MpSystem>(mesh, 0.0f, 1.0f, 0.0f);
    testing::internal::GetCapturedStderr();
    return body;
}

class Contacts : public ::testing::Test {
protected:
    void SetUp() override { world.setBalls(&balls); }

    Ball& addBall(const SbVec3f& centre) {
        balls.append(std::make_unique<Ball>(centre, SbVec3f(0, 0, 0), 1, 0, 0));
        return balls.at(balls.size() - 1);
    }

    MpSystem& addBody(const std::vector<SbVec3f>& points) {
        body = makeBody(points);
        world.addBody(body.get());
        return *body;
    }

    SbVec3f pointForce(int i) const { return body->externalForces()[i]; }

    CollisionWorld world;
    BallSet balls;
    std::unique_ptr<MpSystem> body;
};

} // namespace

TEST_F(Contacts, BallSunkIntoTheFloorIsPushedUpByItsDepth) {
    world.addWall(floorWall);
    Ball& sunk = addBall(SbVec3f(0, -14.5f, 0));
    Ball& touching = addBall(SbVec3f(5, -14, 5));
    Ball& high = addBall(SbVec3f(-5, 0, -5));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 500, 0), sunk.force());
    EXPECT_EQ(SbVec3f(0, 0, 0), touching.force());
    EXPECT_EQ(SbVec3f(0, 0, 0), high.force());
}

TEST_F(Contacts, FloorEndsStrictlyAtItsHalfExtent) {
    world.addWall(floorWall);
    Ball& onEdge = addBall(SbVec3f(15, -14.5f, 0));
    Ball& offSide = addBall(SbVec3f(0, -14.5f, -15.5f));
    Ball& inside = addBall(SbVec3f(14.75f, -14.5f, -14.75f));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 0, 0), onEdge.force());
    EXPECT_EQ(SbVec3f(0, 0, 0), offSide.force());
    EXPECT_EQ(SbVec3f(0, 500, 0), inside.force());
}

TEST_F(Contacts, WallsWorkOnEveryAxisFromTheSideOfTheirSign) {
    world.addWall(Wall{SbVec3f(10, 0, 0), 5});
    world.addWall(Wall{SbVec3f(0, 0, -10), 5});
    Ball& nearPlusX = addBall(SbVec3f(9.5f, 1, -1));
    Ball& nearMinusZ = addBall(SbVec3f(2, -1, -9.75f));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(-500, 0, 0), nearPlusX.force());
    EXPECT_EQ(SbVec3f(0, 0, 750), nearMinusZ.force());
}

TEST_F(Contacts, WallWithoutExactlyOneNonZeroComponentPushesNothing) {
    world.addWall(Wall{SbVec3f(0, -15, 1), 15});
    world.addWall(Wall{SbVec3f(0, 0, 0), 15});
    Ball& deep = addBall(SbVec3f(0, -20, 0));
    MpSystem& points = addBody({SbVec3f(0, -20, 0), SbVec3f(0, 0, 0)});
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 0, 0), deep.force());
    EXPECT_EQ(SbVec3f(0, 0, 0), points.externalForces()[0]);
    EXPECT_EQ(SbVec3f(0, 0, 0), points.externalForces()[1]);
}

TEST_F(Contacts, BallNearAPillarIsPushedByTheOffsetTimesItsScale) {
    world.addPillar(PillarCircle(0, 1, 0));
    // e = 0.5, s = (1 - 0.5) * 1000 / 0.5: the offset 1.5 times 1000.
    Ball& near = addBall(SbVec3f(1.5f, 3, 0));
    Ball& touching = addBall(SbVec3f(0, -3, 2));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(1500, 0, 0), near.force());
    EXPECT_EQ(SbVec3f(0, 0, 0), touching.force());
}

TEST_F(Contacts, BallCentreInsideAPillarIsPulledTowardItsAxis) {
    world.addPillar(PillarCircle(4, 1, 4));
    // e = -0.5, s = 1.5 * 1000 / -0.5.
    Ball& inside = addBall(SbVec3f(4, 0, 4.5f));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 0, -1500), inside.force());
}

TEST_F(Contacts, BallCentreOneRadiusFromAPillarAxisGetsNoForce) {
    world.addPillar(PillarCircle(0, 1, 0));
    Ball& onTheEdge = addBall(SbVec3f(0, 0, 1));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 0, 0), onTheEdge.force());
}

TEST_F(Contacts, OverlappingBallsEachTakeTheWholePushAwayFromTheOther) {
    Ball& left = addBall(SbVec3f(0, 0, 0));
    Ball& right = addBall(SbVec3f(1.5f, 0, 0));
    world.accumulateContactForces();
    // s = (2 - 1.5) * 60 / 2 = 15, f = 1.5 * 15 along x.
    EXPECT_EQ(SbVec3f(-22.5f, 0, 0), left.force());
    EXPECT_EQ(SbVec3f(22.5f, 0, 0), right.force());
}

TEST_F(Contacts, TouchingBallsAndBallsAtOneCentreIgnoreEachOther) {
    Ball& a = addBall(SbVec3f(0, 0, 0));
    Ball& b = addBall(SbVec3f(0, 2, 0));
    Ball& c = addBall(SbVec3f(10, 0, 0));
    Ball& d = addBall(SbVec3f(10, 0, 0));
    world.accumulateContactForces();
    for (const Ball* ball : {&a, &b, &c, &d}) {
        EXPECT_EQ(SbVec3f(0, 0, 0), ball->force());
    }
}

TEST_F(Contacts, PointBelowTheFloorIsPulledUpBySixtyPerUnitOfDepth) {
    world.addWall(floorWall);
    addBody({SbVec3f(0, -15.5f, 0), SbVec3f(0, -15, 0), SbVec3f(15, -16, 0),
             SbVec3f(-14.5f, -17, 14.5f)});
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 30, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(1));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(2));
    EXPECT_EQ(SbVec3f(0, 120, 0), pointForce(3));
}

TEST_F(Contacts, PointPastASideWallIsPushedBack) {
    world.addWall(Wall{SbVec3f(-10, 0, 0), 5});
    addBody({SbVec3f(-10.5f, 0, 0), SbVec3f(-10.5f, 5, 0), SbVec3f(-9.5f, 0, 0)});
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(30, 0, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(1));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(2));
}

TEST_F(Contacts, PointInsideAPillarIsPushedOutAlongTheGround) {
    world.addPillar(PillarCircle(1, 2, 1));
    addBody({SbVec3f(1, 7, 2), SbVec3f(3, 0, 1), SbVec3f(1, -4, 1), SbVec3f(5, 0, 5)});
    world.accumulateContactForces();
    // d = 1, s = (2 - 1) * 200 / 1.
    EXPECT_EQ(SbVec3f(0, 0, 200), pointForce(0));
    // Exactly on the circle.
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(1));
    // On the axis there is no way out: no force rather than a division by zero.
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(2));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(3));
}

TEST_F(Contacts, PointInsideABallTakesSixTenthsAndTheBallFourTenths) {
    Ball& ball = addBall(SbVec3f(0, 0, 0));
    addBody({SbVec3f(0.5f, 0, 0)});
    world.accumulateContactForces();
    // d = 0.5, s = 0.5 * 2000 / 0.5 = 2000, f = (1000, 0, 0).
    EXPECT_EQ(SbVec3f(600, 0, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(-400, 0, 0), ball.force());
}

TEST_F(Contacts, PointOnABallSurfaceOrAtItsCentreGetsNoForce) {
    Ball& ball = addBall(SbVec3f(2, 2, 2));
    addBody({SbVec3f(2, 3, 2), SbVec3f(2, 2, 2)});
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(1));
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.force());
}

TEST_F(Contacts, ForcesAddUpOverEveryBallAndEveryPoint) {
    Ball& ball = addBall(SbVec3f(0, 0, 0));
    addBody({SbVec3f(0.5f, 0, 0), SbVec3f(-0.5f, 0, 0), SbVec3f(0, 0.5f, 0)});
    addBall(SbVec3f(0, 1, 0));
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(600, 0, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(-600, 0, 0), pointForce(1));
    // Half way between both balls: pushed down by one as hard as up by the other.
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(2));
    // The sideways points cancel; the point above pushes it down by 400, the ball above by
    // s = (2 - 1) * 60 / 2 = 30.
    EXPECT_EQ(SbVec3f(0, -430, 0), ball.force());
}

TEST_F(Contacts, AccumulatesUntilConsumedAndSkipsRemovedBodies) {
    world.addWall(floorWall);
    MpSystem& points = addBody({SbVec3f(0, -16, 0)});
    world.accumulateContactForces();
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 120, 0), points.externalForces()[0]);

    world.clearBodies();
    world.addBody(nullptr);
    EXPECT_TRUE(world.bodies().empty());
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 120, 0), points.externalForces()[0]);
}

TEST(ContactsWithoutBalls, BodyAloneIsStillPushed) {
    CollisionWorld world;
    world.addWall(floorWall);
    auto body = makeBody({SbVec3f(1, -15.25f, 1)});
    world.addBody(body.get());
    world.accumulateContactForces();
    EXPECT_EQ(SbVec3f(0, 15, 0), body->externalForces()[0]);
}

TEST(ContactsAtZeroDistance, NeverProduceInfinityOrNotANumber) {
    CollisionWorld world;
    BallSet balls;
    world.setBalls(&balls);
    world.addPillar(PillarCircle(0, 1, 0));
    world.addPillar(PillarCircle(3, 2, 3));
    balls.append(std::make_unique<Ball>(SbVec3f(0, 0, 1), SbVec3f(0, 0, 0), 1, 0, 0));
    balls.append(std::make_unique<Ball>(SbVec3f(3, 0, 3), SbVec3f(0, 0, 0), 1, 0, 0));
    balls.append(std::make_unique<Ball>(SbVec3f(3, 0, 3), SbVec3f(0, 0, 0), 1, 0, 0));
    // At a ball's centre, on both pillars' axes, and a hair off the axis.
    auto body = makeBody({SbVec3f(0, 0, 1), SbVec3f(0, 5, 0), SbVec3f(3, 0, 3),
                          SbVec3f(1e-20f, 0, 0), SbVec3f(0, 0, 1e-30f)});
    world.addBody(body.get());
    world.accumulateContactForces();
    for (int i = 0; i < body->numPoints(); ++i) {
        EXPECT_TRUE(isFinite(body->externalForces()[i])) << "point " << i;
    }
    for (int k = 0; k < balls.size(); ++k) {
        EXPECT_TRUE(isFinite(balls.at(k).force())) << "ball " << k;
    }
}

TEST_F(Contacts, ForcesOfOneTickActInTheStepsOfTheNext) {
    const float dt = 0.01f;
    Ball& ball = addBall(SbVec3f(0, 0, 0));
    MpSystem& points = addBody({SbVec3f(0.5f, 0, 0)});
    auto untouched = makeBody({SbVec3f(0.5f, 0, 0)});
    Ball freeBall(SbVec3f(0, 0, 0), SbVec3f(0, 0, 0), 1, 0, 0);

    // First tick: steps, then contacts, as the timer does.
    points.step(dt);
    untouched->step(dt);
    ball.step(dt);
    freeBall.step(dt);
    world.accumulateContactForces();
    EXPECT_EQ(untouched->positions()[0], points.positions()[0]);
    EXPECT_EQ(freeBall.position(), ball.position());
    const SbVec3f pointPush = pointForce(0);
    const SbVec3f ballPush = ball.force();
    EXPECT_NEAR(600, pointPush[0], 1e-2f);
    EXPECT_NEAR(-400, ballPush[0], 1e-2f);

    // Second tick: the steps take them, once.
    points.step(dt);
    untouched->step(dt);
    ball.step(dt);
    freeBall.step(dt);
    const float pointMass = points.masses()[0];
    EXPECT_NEAR(dt * pointPush[0] / pointMass,
                points.velocities()[0][0] - untouched->velocities()[0][0], 1e-5f);
    EXPECT_NEAR(dt * ballPush[0] / Ball::mass, ball.velocity()[0] - freeBall.velocity()[0], 1e-5f);
    EXPECT_EQ(SbVec3f(0, 0, 0), pointForce(0));
    EXPECT_EQ(SbVec3f(0, 0, 0), ball.force());
}

TEST_F(Contacts, BallOnTheFloorRestsWhereTheFloorCarriesItsWeight) {
    const float dt = 0.012f;
    world.addWall(floorWall);
    Ball& ball = addBall(SbVec3f(3, -14, -2));
    for (int tick = 0; tick < 4000; ++tick) {
        ball.step(dt);
        world.accumulateContactForces();
    }
    // Gravity 4.905 against 1000 per unit of depth.
    EXPECT_NEAR(-14 - 4.905f / 1000, ball.position()[1], 1e-4f);
    EXPECT_NEAR(4.905f, ball.force()[1], 0.1f);
    EXPECT_EQ(3.0f, ball.position()[0]);
    EXPECT_EQ(-2.0f, ball.position()[2]);
}
