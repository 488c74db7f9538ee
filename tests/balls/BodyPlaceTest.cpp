// Where a body is against the arena, from the box around its points that the contact pass
// keeps: in it, below or beside it, out of its reach, or blown up.

#include "balls/BodyPlace.h"
#include "CoinEnvironment.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

namespace {

const FloorSquare arena{15, -15};

struct PlaceCase {
    const char* name;
    PointBounds bounds;
    float restSize;
    BodyPlace place;
};

class PlaceOf : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceOf, NamesWhereTheBodyIs) {
    const PlaceCase& c = GetParam();
    EXPECT_EQ(placeOf(c.bounds, c.restSize, &arena), c.place);
}

const float inf = std::numeric_limits<float>::infinity();
const float nan = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Bodies, PlaceOf,
    testing::Values(
        PlaceCase{"resting", {SbVec3f(-1, -15, 2), SbVec3f(1, -13, 4)}, 2, BodyPlace::inArena},
        PlaceCase{
            "squashed_flat", {SbVec3f(-4, -15, -1), SbVec3f(5, -14, 8)}, 2, BodyPlace::inArena},
        PlaceCase{
            "just_beside", {SbVec3f(15.5f, -18, 0), SbVec3f(16.9f, -16, 2)}, 2, BodyPlace::inArena},
        PlaceCase{
            "beside", {SbVec3f(17.1f, -18, 0), SbVec3f(19, -16, 2)}, 2, BodyPlace::outOfArena},
        PlaceCase{"beside_behind",
                  {SbVec3f(0, -30, -21), SbVec3f(2, -28, -18)},
                  2,
                  BodyPlace::outOfArena},
        PlaceCase{"below_the_floor",
                  {SbVec3f(0, -20, 0), SbVec3f(2, -17.5f, 2)},
                  2,
                  BodyPlace::belowFloor},
        PlaceCase{
            "fallen_far", {SbVec3f(30, -170, 0), SbVec3f(32, -168, 2)}, 2, BodyPlace::outOfReach},
        PlaceCase{"flown_high", {SbVec3f(0, 160, 0), SbVec3f(2, 170, 2)}, 2, BodyPlace::outOfReach},
        PlaceCase{"torn_apart", {SbVec3f(-6, -15, 0), SbVec3f(5, -10, 2)}, 2, BodyPlace::blownUp},
        PlaceCase{"at_the_ends_of_single_precision",
                  {SbVec3f(-3e38f, -1, 0), SbVec3f(1, 1, 1)},
                  2,
                  BodyPlace::blownUp},
        PlaceCase{"infinite", {SbVec3f(0, 0, 0), SbVec3f(inf, 1, 1)}, 2, BodyPlace::blownUp},
        PlaceCase{"not_a_number", {SbVec3f(nan, 0, 0), SbVec3f(1, 1, 1)}, 2, BodyPlace::blownUp}),
    [](const testing::TestParamInfo<PlaceCase>& info) { return info.param.name; });

TEST(BodyPlace, WithoutAFloorOnlyABlowUpCounts) {
    EXPECT_EQ(placeOf({SbVec3f(1000, -1000, 0), SbVec3f(1002, -998, 2)}, 2, nullptr),
              BodyPlace::inArena);
    EXPECT_EQ(placeOf({SbVec3f(0, 0, 0), SbVec3f(20, 1, 1)}, 2, nullptr), BodyPlace::blownUp);
}

// The reach holds everything in play: the cannon at x = -20, balls down to 30 below the floor,
// the camera 65 from the middle.
TEST(BodyPlace, TheArenasReachHoldsEverythingInPlay) {
    const PointBounds reach = arenaReach(arena);
    for (const SbVec3f& p : {SbVec3f(-20, -13.85f, 1.5f), SbVec3f(0, -45, 0), SbVec3f(-10, 15, 50),
                             SbVec3f(16.5f, -14.4f, -16.5f)}) {
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_GT(p[axis], reach.min[axis]);
            EXPECT_LT(p[axis], reach.max[axis]);
        }
    }
    CollisionWorld contacts;
    PointBounds found{};
    EXPECT_FALSE(arenaReachOf(contacts, found));
    contacts.addWall(Wall{SbVec3f(0, -15, 0), 15});
    ASSERT_TRUE(arenaReachOf(contacts, found));
    EXPECT_EQ(found.min, reach.min);
    EXPECT_EQ(found.max, reach.max);
}

std::unique_ptr<MpSystem> looseBody(int count, float offset) {
    std::ostringstream off;
    off << "OFF\n" << count << " 0 0\n";
    for (int i = 0; i < count; ++i) {
        off << offset + std::sin(0.37f * i) * 9 << ' ' << std::cos(1.3f * i) * 4 - 10 << ' '
            << (i % 101) * 0.05f - offset << '\n';
    }
    std::istringstream mesh(off.str());
    testing::internal::CaptureStderr();
    auto body = std::make_unique<MpSystem>(mesh, 0.0f, 1.0f, 0.0f);
    testing::internal::GetCapturedStderr();
    return body;
}

// The box that each body's blocks of points make in the pass is the box around all its points.
TEST(BodyPlace, TheContactPassKeepsEachBodysBounds) {
    auto first = looseBody(700, 0);
    auto second = looseBody(90, 40);
    CollisionWorld contacts;
    contacts.addWall(Wall{SbVec3f(0, -15, 0), 15});
    contacts.addBody(first.get());
    contacts.addBody(second.get());
    contacts.accumulateContactForces();
    int k = 0;
    for (const MpSystem* body : {first.get(), second.get()}) {
        const PointBounds expected = boundsOf(body->positions(), body->numPoints());
        EXPECT_EQ(contacts.bodyBounds(k).min, expected.min) << k;
        EXPECT_EQ(contacts.bodyBounds(k).max, expected.max) << k;
        ++k;
    }
}

} // namespace
