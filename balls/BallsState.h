#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbVec3f.h>

#include <vector>

class BallLightSet;
class BallSet;
class SoGroup;

/// One ball as a snapshot keeps it: its motion, the contact force gathered for its next step
/// and its colour, which its companion light shares. Its nodes and light follow from these.
struct BallState {
    SbVec3f position;
    SbVec3f velocity;
    SbVec3f force;
    SbColor colour;
};

/// Copies the state of every live ball into `states`, oldest first. Allocates nothing while
/// `states` has room for them all (reserved for the most balls alive at once).
void captureBalls(const BallSet& balls, std::vector<BallState>& states);

/// Puts the balls of `states` in the place of the live ones: the live balls leave `world` and
/// the lists with their companion lights, and for each state a ball of its colour with its
/// light goes in, laid out as shootBall lays them out, the oldest first. The balls then move on
/// exactly as those captured did.
void restoreBalls(const std::vector<BallState>& states, BallSet& balls, BallLightSet& lights,
                  SoGroup& world);
