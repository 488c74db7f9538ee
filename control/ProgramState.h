#pragma once

#include "appstate/TickSchedule.h"
#include "control/BodyGrab.h"
#include "control/EnergyHistory.h"
#include "control/KeyScript.h"
#include "control/ModelOpening.h"
#include "control/Rewind.h"
#include "control/SceneBodies.h"
#include "control/SceneCapture.h"
#include "control/SnapshotRing.h"
#include "control/TuningPanel.h"
#include "control/ViewRecorder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

/// A line shown over the view for a few seconds, such as why a model could not be opened.
struct Notice {
    std::string text;
    /// Wall-clock time, in seconds, until which it is shown.
    double until = 0;
};

/// What the program keeps beyond the application's globals: the bodies of the scene after the
/// first and which one is selected, when ticks and frames fall due, the simulated time, the
/// mouse's grab, what the window shows over its view, the opening of models from the window and
/// the snapshots to go back to. The window
/// layer owns one and hands it to the handlers it registers (the timer's callback, the key
/// table's callback, the mouse), so that nothing of it is global and a run's end releases it
/// whole.
class ProgramState {
public:
    ProgramState() : tuning(bodies) {}
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    /// The bodies of the scene: the first (mpSystem), those after it, and the one selected.
    SceneBodies bodies;
    /// When the running animation's ticks and frames fall due, and the pace it keeps.
    TickSchedule ticks;
    /// Seconds of simulated time that the ticks have advanced since start-up.
    double simulatedTime = 0;
    /// Ticks run since start-up, by the timer and by key O.
    int64_t ticksRun = 0;
    /// The part of the body the mouse holds, if any.
    BodyGrab grab;
    /// The window shows its panel of keys (key H switches it).
    bool helpPanelShown = false;
    Notice notice;
    /// The panel of stiffness, damping, time step and point mass (key F2).
    TuningPanel tuning;
    /// The plot of the body's energy is shown (key F3); only then is the history recorded.
    bool energyPlotShown = false;
    EnergyHistory energy;
    /// The file the first body is read from as the user named it, when it is another (a model
    /// prepared at start); the scene takes it over (SceneBodies::adoptFirst).
    std::string bodyName;
    /// The body's picture as the command line names it, for bodies without one of their own.
    std::string commandLineTexture;
    ModelOpening opening;
    /// The view recorded into a video (key V, or a headless run's video).
    ViewRecorder recorder;
    /// Keys pressed at given ticks (option -keys), as the user would press them.
    KeyScriptPlayer keyScript;
    /// The last snapshots of the simulation, for each body in play, to go back to (Backspace).
    SnapshotRing snapshots;
    /// Where the body was after the last tick, and a blow-up that stopped the animation.
    BodyWatch watch;
    /// The seed the ground's clouds and the pillars are laid out from: given, so that two runs
    /// look and move alike, or taken from the clock at start-up, so that a scene saved keeps it.
    std::optional<unsigned> arenaSeed;
    /// The scene file opened or saved last, which the status names; empty for none.
    std::string sceneName;
    /// The scene as it was when Ctrl+S was pressed, while the dialog asks where it goes.
    std::unique_ptr<CapturedScene> sceneToSave;
};
