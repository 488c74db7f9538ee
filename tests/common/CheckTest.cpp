// The always-on check: a broken invariant stops the program and says where and why, in every
// build, release builds included (the tests run in one).

#include "common/Check.h"

#include <gtest/gtest.h>

TEST(CheckDeathTest, ABrokenInvariantNamesItsPlaceAndReasonAndAborts) {
    const int points = 3;
    EXPECT_DEATH(PLIMMERTON_CHECK(points == 4, "a tetrahedron has four corners"),
                 "CheckTest\\.cpp:[0-9]+: .*: check `points == 4' failed: a tetrahedron has four "
                 "corners");
}
