// The fast contact pass skips, block by block, what a block's box cannot reach. These bodies put
// whole blocks of points right at the edge of a wall, a pillar or a ball, a few units in the
// last place inside or outside, where a skip that was not exact would lose a force.

#include "CoinEnvironment.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

namespace {

/// A body of loose points (no springs), each written with enough digits to read back exactly.
std::unique_ptr<MpSystem> looseBody(const std::vector<SbVec3f>& points) {
    std::ostringstream off;
    off.precision(9);
    off << "OFF\n" << points.size() << " 0 0\n";
    for (const SbVec3f& p : points) {
        off << p[0] << ' ' << p[1] << ' ' << p[2] << '\n';
    }
    std::istringstream in(off.str());
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.0f, 1.0f, 0.0f);
    std::cerr.rdbuf(progress);
    return body;
}

/// `value` moved by `ulps` units in the last place.
float nudged(float value, int ulps) {
    for (; ulps > 0; --ulps) {
        value = std::nextafter(value, INFINITY);
    }
    for (; ulps < 0; ++ulps) {
        value = std::nextafter(value, -INFINITY);
    }
    return value;
}

/// Points in blocks of the pass's size, each block hugging one edge: the floor's plane and its
/// border, a pillar's circle, a ball's sphere. Most points lie just outside, a few just inside.
std::vector<SbVec3f> pointsAtTheEdges(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> ulps(-3, 12);
    std::vector<SbVec3f> points;
    const int block = CollisionWorld::blockSize;
    for (int b = 0; b < 24; ++b) {
        for (int k = 0; k < block; ++k) {
            const float angle = 6.2831853f * unit(random);
            const int shift = ulps(random);
            switch (b % 4) {
            case 0: // on the floor's plane, just above or below
                points.emplace_back(20 * unit(random) - 10, nudged(-15.0f, -shift),
                                    20 * unit(random) - 10);
                break;
            case 1: // below the floor near its border x = 15
                points.emplace_back(nudged(15.0f, -shift), -15.5f, 3 * unit(random));
                break;
            case 2: { // on the circle of the pillar at (-4, -4), radius 1.5
                const float r = nudged(1.5f, shift);
                points.emplace_back(-4 + r * std::cos(angle), 5 * unit(random),
                                    -4 + r * std::sin(angle));
                break;
            }
            default: { // on the sphere of the ball at (2, -10, 3)
                const float r = nudged(1.0f, shift);
                const float lift = 2 * unit(random) - 1;
                const float ring = std::sqrt(1 - lift * lift);
                points.emplace_back(2 + r * ring * std::cos(angle), -10 + r * lift,
                                    3 + r * ring * std::sin(angle));
                break;
            }
            }
        }
    }
    return points;
}

} // namespace

TEST(ContactCulling, BlocksAtTheEdgeOfEveryObstacleGetThePlainForces) {
    std::mt19937 random(12345);
    const std::vector<SbVec3f> points = pointsAtTheEdges(random);
    std::unique_ptr<MpSystem> plainBody = looseBody(points);
    std::unique_ptr<MpSystem> fastBody = looseBody(points);
    BallSet plainBalls;
    BallSet fastBalls;
    for (BallSet* balls : {&plainBalls, &fastBalls}) {
        balls->append(std::make_unique<Ball>(SbVec3f(2, -10, 3), SbVec3f(0, 0, 0), 1, 0, 0));
    }
    CollisionWorld plain;
    CollisionWorld fast;
    for (CollisionWorld* world : {&plain, &fast}) {
        world->addWall(Wall{SbVec3f(0, -15, 0), 15});
        world->addPillar(PillarCircle(-4, 1.5f, -4));
    }
    plain.addBody(plainBody.get());
    plain.setBalls(&plainBalls);
    fast.addBody(fastBody.get());
    fast.setBalls(&fastBalls);
    plain.accumulatePlainContactForces();
    fast.accumulateContactForces();

    const int n = plainBody->numPoints();
    ASSERT_EQ(0, std::memcmp(plainBody->externalForces(), fastBody->externalForces(),
                             sizeof(SbVec3f) * n));
    const SbVec3f ballForces[] = {plainBalls.at(0).force(), fastBalls.at(0).force()};
    EXPECT_EQ(0, std::memcmp(&ballForces[0], &ballForces[1], sizeof(SbVec3f)));
    int pushed = 0;
    for (int i = 0; i < n; ++i) {
        pushed += plainBody->externalForces()[i] != SbVec3f(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(pushed, 0) << "some points lie inside";
    EXPECT_LT(pushed, n / 2) << "most points lie outside";
    plainBalls.clear();
    fastBalls.clear();
}
