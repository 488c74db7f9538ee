#include "control/ExactRotation.h"

#include <cmath>
#include <cstring>
#include <type_traits>

// The bits go into the rotation's own quaternion, which is all it holds.
static_assert(std::is_trivially_copyable<SbRotation>::value &&
                  sizeof(SbRotation) == 4 * sizeof(float),
              "SbRotation holds its quaternion and nothing else");

namespace {

/// A quaternion this far from length 1 turns vectors with a scale off by as little: what
/// normalising in single precision leaves.
constexpr double roundingOfLength = 1e-6;

} // namespace

SbVec4f quaternionOf(const SbRotation& rotation) {
    const float* q = rotation.getValue();
    return SbVec4f(q[0], q[1], q[2], q[3]);
}

SbRotation exactRotation(const SbVec4f& q) {
    double squares = 0;
    for (int k = 0; k < 4; ++k) {
        squares += static_cast<double>(q[k]) * q[k];
    }
    const SbRotation normalised(q[0], q[1], q[2], q[3]);
    if (!(std::fabs(std::sqrt(squares) - 1.0) <= roundingOfLength)) {
        return normalised;
    }
    SbRotation exact;
    std::memcpy(static_cast<void*>(&exact), q.getValue(), sizeof exact);
    // Should a later scene-graph library hold its quaternion otherwise, the normalised one is
    // the nearest it takes.
    return std::memcmp(exact.getValue(), q.getValue(), sizeof exact) == 0 ? exact : normalised;
}
