#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

class MpSystem;

/// What a body's next steps depend on beyond its rest data (springs, rest lengths, faces and
/// the volume the surface enclosed as read, which never change): where its points are and how
/// fast they go, the external forces gathered for the next step, each spring's last length, the
/// points' masses and the values in force, among them the gas's pressure and the pins. A
/// body put back into a state it was in goes on from there exactly as it went on then, bit for
/// bit (MpSystem::captureState, MpSystem::restoreState).
///
/// The arrays are sized when the state is made for a body, so that capturing into it, as often
/// as wanted, allocates nothing. The last lengths are kept in spring order (not in the step
/// plan's, which depends on the threads), in the precision the body keeps them in.
struct BodyState {
    BodyState() = default;
    /// Room for the state of `body`, or of any body with its points and springs.
    explicit BodyState(const MpSystem& body);

    /// The body captured, by its serial (MpSystem::serial); 0 before a capture.
    uint64_t bodySerial = 0;
    std::vector<SbVec3f> positions;
    std::vector<SbVec3f> velocities;
    std::vector<SbVec3f> externalForces;
    std::vector<float> masses;
    /// One of the two holds the last lengths: the single-precision one for a body whose rest
    /// lengths are all single-precision numbers (those read from a file), else the other.
    std::vector<float> singleLastLengths;
    std::vector<double> doubleLastLengths;
    float stiffness = 0;
    float damping = 0;
    float pointMass = 0;
    float pressure = 0;
    /// 1 for each pinned point. A pinned point is held where it stands between steps, so its
    /// position is where it is pinned.
    std::vector<uint8_t> pinned;
};
