// Rotations kept to the bit through a scene file: the scene-graph library normalises the four
// numbers it is given, which now and then changes a normalised quaternion's last bit.

#include "control/ExactRotation.h"

#include <Inventor/SbVec3f.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

bool sameBits(const SbRotation& a, const SbVec4f& q) {
    return std::memcmp(a.getValue(), q.getValue(), 4 * sizeof(float)) == 0;
}

} // namespace

TEST(ExactRotationTest, ARotationTakenAndGivenBackKeepsItsBits) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> uniform(-1, 1);
    int changedByTheLibrary = 0;
    for (int k = 0; k < 20000; ++k) {
        const SbRotation rotation(SbVec3f(uniform(random), uniform(random), uniform(random)),
                                  3.1f * uniform(random));
        const SbVec4f q = quaternionOf(rotation);
        const SbRotation library(q[0], q[1], q[2], q[3]);
        changedByTheLibrary += sameBits(library, q) ? 0 : 1;
        ASSERT_TRUE(sameBits(exactRotation(q), q)) << k;
    }
    // Were the library's own constructor exact, this helper would have no reason to be.
    EXPECT_GT(changedByTheLibrary, 0);
}

TEST(ExactRotationTest, AQuaternionNotOfLengthOneIsNormalised) {
    const SbRotation turned =
        exactRotation(SbVec4f(0, 0.999f * std::sqrt(0.5f), 0, 0.999f * std::sqrt(0.5f)));
    SbVec3f axis;
    float angle = 0;
    turned.getValue(axis, angle);
    EXPECT_NEAR(angle, 1.5707964f, 1e-5f);
    const float* q = turned.getValue();
    EXPECT_NEAR(q[1] * q[1] + q[3] * q[3], 1.0f, 1e-6f);
}
