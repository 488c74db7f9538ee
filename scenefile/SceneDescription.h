#pragma once

#include <Inventor/SbVec3f.h>
#include <Inventor/SbVec4f.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// Where a value stood in the scene file, for the messages about it that come after reading
/// (a body file that is missing, a key script or a pin that does not fit the body). Line and
/// column count from 1; 0 for a value that was not read from a file.
struct SourcePlace {
    int line = 0;
    int column = 0;
};

/// A rotation as the quaternion (x, y, z, w) that SbRotation takes. Kept as its four numbers
/// rather than as an SbRotation, which normalises them anew whenever it is set and so would not
/// give back the bits that were written.
using Quaternion = SbVec4f;

/// The version of the scene format that this program writes and the newest it reads.
constexpr int sceneFormatVersion = 1;

/// The most a scene file may hold, checked before anything of it is parsed or allocated.
constexpr std::int64_t maxSceneFileBytes = 1 << 20;
constexpr int maxSceneBodies = 1000;
constexpr int maxSceneBalls = 1000;

/// One body of the scene: the file it is read from, where it is put, and its material.
struct BodyDescription {
    /// The body file (OFF or TOFF), as a path the program can open: resolved against the scene
    /// file's folder when read, written relative to it.
    std::string file;
    /// Moves the body's points after the rotation, in world units.
    SbVec3f offset{0, 0, 0};
    /// Turns the body's points about the origin of its file.
    Quaternion rotation{0, 0, 0, 1};
    float stiffness = 85.0f;
    float damping = 0.04f;
    /// The mass of a point at or above y = 0 in the body's file (the others weigh 1.5 times as
    /// much, as the body makes them).
    float pointMass = 0.3f;
    /// The gas pressure that keeps a closed body's volume; 0 for none.
    float pressure = 0.0f;
    /// The picture on the body's surface, resolved like `file`; empty for the body's own or
    /// none.
    std::string picture;
    /// Point indices held in place, as written (the body file decides which are valid).
    std::vector<int32_t> pins;

    SourcePlace filePlace;
    SourcePlace picturePlace;
    SourcePlace pinsPlace;
};

/// The view's camera, a perspective camera.
struct CameraDescription {
    SbVec3f position{-10.0f, 15.0f, 50.0f};
    Quaternion orientation{0, 0, 0, 1};
    /// The vertical angle of view, in radians.
    float heightAngle = 0.785398163f;
    /// How far ahead of the camera the viewer turns the view about, in world units.
    float focalDistance = 5.0f;
};

/// The cannon's aim: the turret's turn about the vertical and the barrel's tilt.
struct CannonDescription {
    Quaternion yaw{0, 0, 0, 1};
    Quaternion tilt{0, 0, 0, 1};
};

/// A ball in flight.
struct BallDescription {
    SbVec3f position{0, 0, 0};
    /// World units per second.
    SbVec3f velocity{0, 0, 0};
    /// Red, green and blue, each from 0 to 1.
    SbVec3f colour{1, 0, 0};
};

/// Everything a scene file holds (docs/scene-format.md): what the program sets up from it, and
/// what it writes into one. Plain values, so that it can be compared, copied and filled by
/// whoever holds the scene.
struct SceneDescription {
    int version = sceneFormatVersion;
    /// Seconds of simulated time per tick.
    float timeStep = 0.012f;
    /// The seed the floor, the pillars and the ground's clouds are laid out from; none for a
    /// layout from the clock.
    std::optional<uint32_t> arenaSeed;
    /// At least one body; the first is the one the program calls mpSystem.
    std::vector<BodyDescription> bodies;
    /// None for the program's starting view.
    std::optional<CameraDescription> camera;
    /// None for the cannon's starting aim.
    std::optional<CannonDescription> cannon;
    std::vector<BallDescription> balls;
    /// Keys to press at given ticks, in the form the -keys option takes; empty for none.
    std::string keys;
    /// A state file (stateFileName) goes with the scene and holds the simulation's exact state.
    bool hasState = false;

    SourcePlace keysPlace;
    SourcePlace statePlace;
};
