#pragma once

#include "balls/BodyPlace.h"

#include <limits>

class ProgramState;

/// What the ticks found of the body: where it was after the last one, and a blow-up (or a body
/// out of reach) that stopped the animation.
struct BodyWatch {
    BodyPlace place = BodyPlace::inArena;
    /// Set when the animation was stopped for the body; cleared when the body comes back
    /// (Backspace) or another is made.
    bool caught = false;
    /// The simulated time, time step and stable time step when it was caught.
    double caughtTime = 0;
    float caughtTimeStep = 0;
    float caughtStableTimeStep = std::numeric_limits<float>::infinity();
};

/// Makes the snapshots (ProgramState::snapshots) ready for the bodies in play, unless they are,
/// and takes the first of the moment: when the bodies have changed (at start-up, by N, by
/// opening, adding or removing a body), so that no tick allocates for them.
void prepareRewind(ProgramState& state);

/// After a tick: where the bodies are now, from the bounds that the contact pass kept and the
/// steps' guards, the worst of them. A body that blew up or left the arena's reach stops the
/// animation and is named on standard error with what undoes it; otherwise a snapshot is taken
/// when one is due.
void watchTick(ProgramState& state);

/// How many simulated seconds goBack would go back now; negative when there is nothing to go
/// back to.
double rewindSeconds(const ProgramState& state);

/// Key Backspace: puts the simulation back to a snapshot (SnapshotRing::choose), with the
/// values in force then, and says where on standard output. The animation stays as it was;
/// the mouse lets go of the body.
void goBack(ProgramState& state);
