#include "control/KeyTable.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "common/UserFolders.h"
#include "control/KeyActions.h"
#include "control/ModelOpening.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "control/SceneCapture.h"
#include "control/Simulation.h"

#include <Inventor/SbTime.h>
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

} // namespace

// A single tick to look at what one tick does; the running animation has its own ticks.
void stepOnce(KeyPress& press) {
    if (press.state == nullptr || animationRuns()) {
        return;
    }
    tickSimulation(*press.state);
    showSimulation();
}

void goBackInTime(KeyPress& press) {
    if (press.state != nullptr) {
        goBack(*press.state);
    }
}

void switchTuningPanel(KeyPress& press) {
    if (press.state != nullptr) {
        press.state->tuning.shown = !press.state->tuning.shown;
    }
}

// The plot starts afresh each time it is shown: the time it was hidden has no samples.
void switchEnergyPlot(KeyPress& press) {
    if (press.state != nullptr) {
        press.state->energyPlotShown = !press.state->energyPlotShown;
        press.state->energy.clear();
    }
}

void saveScreenshot(KeyPress&) {
    viewer->saveScreenshot();
}

void chooseModel(KeyPress& press) {
    if (press.state != nullptr) {
        viewer->chooseModelFile(press.state->opening.lastFolder, false);
    }
}

void chooseModelToAdd(KeyPress& press) {
    if (press.state != nullptr) {
        viewer->chooseModelFile(press.state->opening.lastFolder, true);
    }
}

// The scene is taken as the key is pressed, however long the dialog stays open.
void saveTheScene(KeyPress& press) {
    if (press.state != nullptr) {
        beginSceneSave(*press.state);
    }
}

void cancelTheOpening(KeyPress& press) {
    if (press.state != nullptr) {
        cancelOpening(*press.state);
    }
}

// The answer names the body now selected, for runs without a window too.
void selectNextBody(KeyPress& press) {
    if (press.state == nullptr) {
        return;
    }
    SceneBodies& bodies = press.state->bodies;
    bodies.selectNext();
    std::cout << "body " << bodies.selected() + 1 << " of " << bodies.count() << " selected ("
              << fileNameOf(bodies.source(bodies.selected()).name) << ")" << std::endl;
}

// The last body stays; the refusal is the key's answer, and is said over the view too.
void removeSelectedBody(KeyPress& press) {
    if (press.state == nullptr) {
        return;
    }
    ProgramState& state = *press.state;
    SceneBodies& bodies = state.bodies;
    const int k = bodies.selected();
    const std::string name = fileNameOf(bodies.source(k).name);
    if (bodies.body(k) != nullptr && state.grab.holds(*bodies.body(k))) {
        state.grab.release();
    }
    const std::string refusal = bodies.remove(k);
    if (!refusal.empty()) {
        std::cout << refusal << std::endl;
        showNotice(state, refusal, SbTime::getTimeOfDay().getValue(), false);
        return;
    }
    prepareRewind(state);
    std::cout << "body " << k + 1 << " removed (" << name << "), " << bodies.count()
              << (bodies.count() == 1 ? " body" : " bodies") << " left" << std::endl;
}

// Videos follow the ticks, whatever pace the window manages: their frames are the target
// pace's, on the grid of the time step the program started with.
void switchRecording(KeyPress& press) {
    if (press.state == nullptr) {
        return;
    }
    ViewRecorder& recorder = press.state->recorder;
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
    const float startTimeStep = static_cast<float>(press.state->ticks.tickInterval() * 3);
    if (!recorder.start(path, size, VideoEncoder::defaultFramesPerSecond, startTimeStep, problem)) {
        std::remove(path.c_str());
        freshErrorLine() << "video: " << problem << std::endl;
    }
}

namespace {

// Labels of up to this many characters keep their texts in one column.
const size_t labelWidth = 8;
// A row of up to this many characters shares its line with the next one.
const size_t halfLine = 26;

} // namespace

const std::vector<KeyBinding>& keyTable() {
    using Key = SoKeyboardEvent;
    const KeyHeld any = KeyHeld::anything;
    static const std::vector<KeyBinding> table = {
        {"P", "start / stop", Key::P, any, startOrStop},
        {"O", "one tick (stopped)", Key::O, KeyHeld::noCtrl, stepOnce},
        {"SPACE", "shoot a ball", Key::SPACE, any, shoot},
        {"T", "remove the oldest", Key::T, any, removeBall},
        {"N", "new bodies", Key::N, any, rebuildBodies},
        {"Backspace", "go back 2 s", Key::BACKSPACE, KeyHeld::noCtrl, goBackInTime},
        {"H", "help", Key::H, any, showHelp},
        {"Q", "quit", Key::Q, any, quit},
        {"F12", "save a screenshot", Key::F12, KeyHeld::noCtrl, saveScreenshot},
        {"Ctrl+O", "open a model", Key::O, KeyHeld::ctrl, chooseModel},
        {"Shift+Ctrl+O", "add a model", Key::O, KeyHeld::ctrlShift, chooseModelToAdd},
        {"Ctrl+S", "save the scene", Key::S, KeyHeld::ctrl, saveTheScene},
        {"Tab", "select the next body", Key::TAB, KeyHeld::noCtrl, selectNextBody},
        {"Delete", "remove the selected body", Key::DELETE, KeyHeld::noCtrl, removeSelectedBody},
        {"Esc", "cancel opening", Key::ESCAPE, KeyHeld::noCtrl, cancelTheOpening},
        {"F2", "tuning panel", Key::F2, KeyHeld::noCtrl, switchTuningPanel},
        {"F3", "energy plot", Key::F3, KeyHeld::noCtrl, switchEnergyPlot},
        {"V", "record a video / stop", Key::V, KeyHeld::noCtrl, switchRecording},
        {"1 2 3", "stiffness, time step, damping", Key::NUMBER_1, any, cycleStiffness},
        {nullptr, nullptr, Key::NUMBER_2, any, cycleTimeStep},
        {nullptr, nullptr, Key::NUMBER_3, any, cycleDamping},
        {"4 5 6", "headlight, draw style, headcam", Key::NUMBER_4, any, switchHeadlight},
        {nullptr, nullptr, Key::NUMBER_5, any, cycleDrawStyle},
        {nullptr, nullptr, Key::NUMBER_6, any, switchHeadcam},
        {"arrows", "push the selected body", Key::LEFT_ARROW, any, pushLeft},
        {nullptr, nullptr, Key::RIGHT_ARROW, any, pushRight},
        {nullptr, nullptr, Key::UP_ARROW, any, pushForward},
        {nullptr, nullptr, Key::DOWN_ARROW, any, pushBackward},
        {"END", "lift it (running)", Key::END, any, liftBody},
        {"A D W S", "aim the cannon", Key::A, any, yawLeft},
        {nullptr, nullptr, Key::D, any, yawRight},
        {nullptr, nullptr, Key::W, any, tiltUp},
        // Without Ctrl, which saves the scene instead.
        {nullptr, nullptr, Key::S, KeyHeld::noCtrl, tiltDown},
        {"J L I K", "orbit the camera", Key::J, any, orbitLeft},
        {nullptr, nullptr, Key::L, any, orbitRight},
        {nullptr, nullptr, Key::I, any, orbitUp},
        {nullptr, nullptr, Key::K, any, orbitDown},
    };
    return table;
}

bool pressesKey(const KeyBinding& binding, const SoEvent* event) {
    if (!SoKeyboardEvent::isKeyPressEvent(event, binding.key)) {
        return false;
    }
    const bool ctrl = event->wasCtrlDown() != FALSE;
    const bool shift = event->wasShiftDown() != FALSE;
    switch (binding.held) {
    case KeyHeld::anything:
        return true;
    case KeyHeld::noCtrl:
        return !ctrl;
    case KeyHeld::ctrl:
        return ctrl && !shift;
    case KeyHeld::ctrlShift:
        return ctrl && shift;
    }
    return false;
}

std::vector<std::string> helpPanelLines() {
    std::vector<std::string> lines;
    std::string pending;
    for (const KeyBinding& binding : keyTable()) {
        if (binding.label == nullptr) {
            continue;
        }
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
    lines.push_back("        a click on a body selects it");
    lines.push_back("");
    lines.push_back("scenes  Ctrl+S saves one (.toml); Ctrl+O or a drop opens it;");
    lines.push_back("        plimmerton-sim SCENE.toml runs it headless");
    lines.push_back("");
    lines.push_back("videos  V at the true pace; plimmerton-sim --video OUT.mp4");
    lines.push_back("        --keys \"0:space,50:space\" renders one headless");
    return lines;
}
