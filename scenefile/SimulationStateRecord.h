#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// The exact state of one body: what its next ticks depend on beyond what its file, its
/// placement and its material give. Filled from an MpSystem (or from a snapshot of one) and
/// written back into it, in the body's own point and spring order.
struct BodyStateRecord {
    std::vector<SbVec3f> positions;
    std::vector<SbVec3f> velocities;
    /// The forces gathered for the next step (contacts, the grab), which it consumes.
    std::vector<SbVec3f> externalForces;
    /// Each spring's length at the last step, which its damping is measured against.
    std::vector<double> lastLengths;
};

/// The exact state of one ball in flight.
struct BallStateRecord {
    SbVec3f position{0, 0, 0};
    SbVec3f velocity{0, 0, 0};
    /// The contact force gathered for its next step.
    SbVec3f force{0, 0, 0};
    /// Red, green and blue, each from 0 to 1: the ball's and its companion light's.
    SbVec3f colour{0, 0, 0};
};

/// Everything of a running simulation that a continued run needs to go on as the first would
/// have, to the bit: the state file's contents (StateFile.h). What the scene file holds (the
/// bodies' files, placements, materials and pins, the time step, the arena's seed) and what is
/// rebuilt from it (rest lengths, masses, the arena) is not repeated here.
struct SimulationStateRecord {
    /// Ticks run since the start of the scene, and the simulated time they advanced, in seconds.
    std::int64_t ticksRun = 0;
    double simulatedTime = 0;
    /// In the order of the scene's bodies.
    std::vector<BodyStateRecord> bodies;
    /// Oldest first, in the order of the scene's balls.
    std::vector<BallStateRecord> balls;
};

/// How many points and springs a body has: what a state must match to belong to it.
struct BodyShape {
    std::int64_t points = 0;
    std::int64_t springs = 0;
};

/// The counts of a simulation: what a state file is checked against before it is read.
struct StateShape {
    std::vector<BodyShape> bodies;
    std::int64_t balls = 0;
};

/// The counts that `record` holds (each body's points taken from its positions).
StateShape shapeOf(const SimulationStateRecord& record);
