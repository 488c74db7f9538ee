#pragma once

#include <Inventor/SbVec3f.h>
#include <Inventor/SbVec4f.h>

#include <cstdint>
#include <vector>

#include <string>

class MpSystem;

/// What a body is made of: the values that keys 1 and 3 and the tuning panel set on it.
struct BodyMaterial {
    float stiffness = 0;
    float damping = 0;
    /// The mass of a point at or above y = 0 where its file puts it (those below weigh 1.5
    /// times as much).
    float pointMass = 0;
    /// The pressure of the gas inside its closed surface; 0 for none.
    float pressure = 0;
};

/// What `body` is made of now.
BodyMaterial materialOf(const MpSystem& body);

/// Gives `body` the stiffness, damping, point mass and pressure of `material`. A pressure its
/// surface cannot hold leaves it without one; the answer is then false.
bool giveMaterial(MpSystem& body, const BodyMaterial& material);

/// The words that refuse `material`'s pressure to `body` (MpSystem::pressureRefusal) when it
/// asked for one and has none; empty otherwise.
std::string pressureRefusal(const MpSystem& body, const BodyMaterial& material);

/// Where a body of the scene comes from: what N makes it of again.
struct BodySource {
    /// The body file (OFF or TOFF) it is read from.
    std::string file;
    /// The file as the user named it: the model it was prepared from, or `file` itself.
    std::string name;
    /// The picture on its surface; empty for none.
    std::string picture;
    /// What it is made of when it is made (N and the tuning panel's Reset give it back).
    BodyMaterial material;
    /// Whether it is put with its centre (the mean of its points) at `centre` when it is made;
    /// else it stands where its file puts it, as the first body does.
    bool placed = false;
    SbVec3f centre{0, 0, 0};
    /// The turn its points are given about its file's origin before they are moved, as the
    /// quaternion (x, y, z, w) a scene file keeps (control/ExactRotation.h); none by default.
    SbVec4f turn{0, 0, 0, 1};
    /// Whether it is moved by `offset` when it is made, as a scene file puts it, rather than
    /// as `placed` says.
    bool byOffset = false;
    /// The move it was given after the turn when it was last made: what a saved scene says.
    SbVec3f offset{0, 0, 0};
    /// The points pinned when it is made (a scene file's pins).
    std::vector<int32_t> pins;
};

/// Turns `body`, just made of `source`'s file, by the source's turn; none leaves it as it was.
void turnAsMade(MpSystem& body, const BodySource& source);

/// Pins `body`, just made of `source`'s file and put in its place, at the source's pins. Returns
/// the first pin that is not one of its points (which is left out), or -1.
int32_t pinAsMade(MpSystem& body, const BodySource& source);

/// Forgets the turn, the offset and the pins: a body of another file takes the place.
void forgetPose(BodySource& source);
