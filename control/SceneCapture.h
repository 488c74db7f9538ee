#pragma once

#include "scenefile/SceneDescription.h"
#include "scenefile/SimulationStateRecord.h"

#include <string>

class ProgramState;

/// The running scene taken at one moment: what its scene file says and the exact state beside
/// it.
struct CapturedScene {
    SceneDescription scene;
    SimulationStateRecord state;
};

/// Takes the scene as it runs: the time step, the arena's seed, every body in place (its file,
/// picture, turn and offset, its material as it is now, its pins), the camera, the cannon's aim,
/// the balls in flight and the key script; and the exact state of the bodies and balls, with the
/// ticks run and the simulated time. Bodies whose rebuild failed are left out of both.
void captureScene(const ProgramState& state, CapturedScene& captured);

/// Writes `captured` to the scene file at `path` and, `withState`, its state to the state file
/// beside it (stateFileName), the state first, so that a scene that says it has a state never
/// stands without one. Each file is written whole or not at all. False, with `problem` saying
/// why (naming the file), when a file cannot be written, the scene would not read back as it is
/// (a time step or a point mass of 0, for example), or `path` is a name its own state file would
/// overwrite.
bool writeCapturedScene(const CapturedScene& captured, const std::string& path, bool withState,
                        std::string& problem);

/// Key Ctrl+S: takes the scene at this moment and asks the viewer where to save it.
void beginSceneSave(ProgramState& state);

/// The viewer's answer to beginSceneSave: writes the scene taken then to `path`, with its state
/// when `withState`. Says where it went on standard output and over the view, or why it could
/// not be written on standard error and over the view; the status names the scene saved.
void finishSceneSave(ProgramState& state, const std::string& path, bool withState);

/// The viewer's dialog was closed without a file: the scene taken is let go.
void cancelSceneSave(ProgramState& state);
