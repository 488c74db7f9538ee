#include "control/KeyTable.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "common/UserFolders.h"
#include "control/ModelOpening.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "control/Simulation.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoEventCallback.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>

namespace {

bool animationRuns() {
    return timerSensor != nullptr && timerSensor->isScheduled();
}

// Runs ahead of keyboardCallback, which then starts or stops the sensors: the ticks that fell
// due while the animation stood still are not owed, it goes on from now.
void startOrStop(ProgramState& state) {
    if (!animationRuns()) {
        state.ticks.restart(SbTime::getTimeOfDay().getValue());
    }
}

void switchHelpPanel(ProgramState& state) {
    state.helpPanelShown = !state.helpPanelShown;
}

// A single tick to look at what one tick does; the running animation has its own ticks.
void stepOnce(ProgramState& state) {
    if (animationRuns()) {
        return;
    }
    tickSimulation(state);
    showSimulation();
}

// Runs ahead of keyboardCallback's rebuild, before the held body is destroyed.
void letGoOfTheBody(ProgramState& state) {
    state.grab.release();
}

void switchTuningPanel(ProgramState& state) {
    state.tuning.shown = !state.tuning.shown;
}

// The plot starts afresh each time it is shown: the time it was hidden has no samples.
void switchEnergyPlot(ProgramState& state) {
    state.energyPlotShown = !state.energyPlotShown;
    state.energy.clear();
}

void saveScreenshot(ProgramState&) {
    viewer->saveScreenshot();
}

void chooseModel(ProgramState& state) {
    viewer->chooseModelFile(state.opening.lastFolder);
}

void cancelTheOpening(ProgramState& state) {
    cancelOpening(state);
}

// Runs ahead of keyboardCallback's quit, which ends the process at once: a model being read
// is given up and its thread joined first.
void endTheOpening(ProgramState& state) {
    state.opening.loader.cancel();
}

// Videos follow the ticks, whatever pace the window manages: their frames are the target
// pace's, on the grid of the time step the program started with.
void switchRecording(ProgramState& state) {
    ViewRecorder& recorder = state.recorder;
    if (recorder.recording()) {
        if (recorder.stop()) {
            std::cout << "video: "
                      << std::filesystem::absolute(recorder.path()).lexically_normal().string()
                      << ", " << std::fixed << std::setprecision(1) << recorder.seconds() << " s, "
                      << recorder.frames() << " frames of " << recorder.ticks() << " ticks"
                      << std::defaultfloat << std::endl;
        }
        return;
    }
    std::string problem;
    const std::string path = claimNewFile(userFolder("VIDEOS"), ".mp4", problem);
    if (path.empty()) {
        freshErrorLine() << "video: " << problem << std::endl;
        return;
    }
    const SbVec2s size = viewer->getViewportRegion().getViewportSizePixels();
    const float startTimeStep = static_cast<float>(state.ticks.tickInterval() * 3);
    if (!recorder.start(path, size, VideoEncoder::defaultFramesPerSecond, startTimeStep, problem)) {
        std::remove(path.c_str());
        freshErrorLine() << "video: " << problem << std::endl;
    }
}

// Labels of up to this many characters keep their texts in one column.
const size_t labelWidth = 8;
// A row of up to this many characters shares its line with the next one.
const size_t halfLine = 26;

} // namespace

const std::vector<KeyBinding>& keyTable() {
    static const std::vector<KeyBinding> table = {
        {"P", "start / stop", SoKeyboardEvent::P, false, startOrStop},
        {"O", "one tick (stopped)", SoKeyboardEvent::O, false, stepOnce},
        {"SPACE", "shoot a ball"},
        {"T", "remove the oldest"},
        {"N", "new body", SoKeyboardEvent::N, false, letGoOfTheBody},
        {"Backspace", "go back 2 s", SoKeyboardEvent::BACKSPACE, false, goBack},
        {"H", "help", SoKeyboardEvent::H, false, switchHelpPanel},
        {"Q", "quit", SoKeyboardEvent::Q, false, endTheOpening},
        {"F12", "save a screenshot", SoKeyboardEvent::F12, false, saveScreenshot},
        {"Ctrl+O", "open a model", SoKeyboardEvent::O, true, chooseModel},
        {"Esc", "cancel opening", SoKeyboardEvent::ESCAPE, false, cancelTheOpening},
        {"F2", "tuning panel", SoKeyboardEvent::F2, false, switchTuningPanel},
        {"F3", "energy plot", SoKeyboardEvent::F3, false, switchEnergyPlot},
        {"V", "record a video / stop", SoKeyboardEvent::V, false, switchRecording},
        {"1 2 3", "stiffness, time step, damping"},
        {"4 5 6", "headlight, draw style, headcam"},
        {"arrows", "push the body"},
        {"END", "lift it (running)"},
        {"A D W S", "aim the cannon"},
        {"J L I K", "orbit the camera"},
    };
    return table;
}

void programKeyCallback(void* userData, SoEventCallback* node) {
    ProgramState& state = *static_cast<ProgramState*>(userData);
    const SoEvent* event = node->getEvent();
    for (const KeyBinding& binding : keyTable()) {
        if (binding.action != nullptr && SoKeyboardEvent::isKeyPressEvent(event, binding.key) &&
            (event->wasCtrlDown() != FALSE) == binding.ctrl) {
            binding.action(state);
        }
    }
}

std::vector<std::string> helpPanelLines() {
    std::vector<std::string> lines;
    std::string pending;
    for (const KeyBinding& binding : keyTable()) {
        std::string row = binding.label;
        row.resize(std::max(labelWidth, row.size() + 1), ' ');
        row += binding.text;
        if (row.size() > halfLine) {
            if (!pending.empty()) {
                lines.push_back(pending);
                pending.clear();
            }
            lines.push_back(row);
        } else if (pending.empty()) {
            pending = row;
        } else {
            pending.resize(halfLine, ' ');
            lines.push_back(pending + row);
            pending.clear();
        }
    }
    if (!pending.empty()) {
        lines.push_back(pending);
    }
    lines.push_back("");
    lines.push_back("mouse   left: turn        middle, Shift+left: pan");
    lines.push_back("        wheel: zoom       Ctrl+left: carry the body");
    lines.push_back("        Ctrl+Shift+left: pin the body there / let go");
    lines.push_back("");
    lines.push_back("videos  V at the true pace; plimmerton-sim --video OUT.mp4");
    lines.push_back("        --keys \"0:space,50:space\" renders one headless");
    return lines;
}
