#pragma once

#include "common/BodyAdditions.h"
#include "control/KeyScript.h"
#include "control/SceneOpening.h"

#include <cstdint>
#include <string>
#include <vector>

/// A headless run of the program's own scene, as the window assembles it: the arena with its
/// pillars and ground laid out from a seed, the cannon, the balls, the keys.
struct SceneRun {
    /// The scene file to run, with `overrides` over its values; none when empty (the body of
    /// `meshFileName` and the values below).
    std::string scenePath;
    SceneOverrides overrides;
    /// Where the scene is saved at the end of the run, with its state; none when empty.
    std::string saveScenePath;
    std::string meshFileName;
    std::string textureFileName;
    float damping = 0;
    float mass = 0;
    float stiffness = 0;
    float timeStep = 0;
    /// The pressure of -pressure, when given (else the body's file's), and the points of -pin.
    bool pressureGiven = false;
    float pressure = 0;
    std::vector<int32_t> pins;
    /// The bodies beside the first (-add, -at).
    std::vector<BodyAddition> additions;
    long ticks = 100;
    unsigned arenaSeed = 1;
    std::vector<ScriptedKey> keys;
    /// The video to record, none when empty.
    std::string videoFileName;
    int width = 640;
    int height = 480;
    int framesPerSecond = 30;
};

/// Assembles the scene around a viewer without a window and runs it for `run.ticks` ticks as
/// the running animation does, pressing the scripted keys at their ticks (a Q ends the run
/// there) and recording the view at the target pace, with the progress on standard error.
/// Prints the run's report, and the video's when there is one, on standard output; saves the
/// scene as it ends when asked. Returns the exit status: 1 when a scene or a mesh cannot be
/// read, a body cannot be put where it is asked to go, or the video (its file then removed) or
/// the scene cannot be written.
int runScene(const SceneRun& run);
