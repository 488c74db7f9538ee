#include "control/ModelOpening.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "mpsystem/ConversionHint.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbTime.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <iostream>
#include <sstream>

namespace {

/// How often the opening is followed: often enough that a progress bar moves smoothly and a
/// cancelled or finished opening shows at once, rarely enough to cost nothing.
const double followInterval = 0.05;

// Lines as wide as the status at most, broken between words, so that a notice fits a small
// window.
std::vector<std::string> wrapped(const std::string& text) {
    const size_t most = 48;
    std::vector<std::string> lines;
    std::istringstream words(text);
    std::string word;
    std::string line;
    while (words >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > most) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

bool following(const ProgramState& state, double now) {
    const ModelLoader::Stage stage = state.opening.loader.stage();
    return stage != ModelLoader::Stage::idle || now < state.notice.until;
}

void followCallback(void* userData, SoSensor* sensor) {
    ProgramState& state = *static_cast<ProgramState*>(userData);
    const double now = SbTime::getTimeOfDay().getValue();
    if (followOpening(state, now) && viewer != nullptr) {
        viewer->refreshOverlay();
    }
    if (!following(state, now)) {
        sensor->unschedule();
    }
}

void follow(ProgramState& state) {
    SoTimerSensor*& sensor = state.opening.sensor;
    if (sensor == nullptr) {
        sensor = new SoTimerSensor(followCallback, &state);
        sensor->setInterval(SbTime(followInterval));
    }
    if (!sensor->isScheduled()) {
        sensor->schedule();
    }
}

// The body keeps what the user set on the one it replaces (the tuning panel may have changed
// its point mass while the new one was read); an added body is made of what the selected one
// is. N later reads them with the material their places were made with, as it always does.
void install(ProgramState& state, OpenedBody opened) {
    state.grab.release();
    SceneBodies& bodies = state.bodies;
    const MpSystem* selected = bodies.selectedBody();
    BodyMaterial material{settings.stiffness, settings.damping, settings.mass, 0.0f};
    if (selected != nullptr) {
        material = materialOf(*selected);
    }
    // A body keeps the pressure its file asks for, else the one the user gave the last.
    if (opened.mesh.pressure > 0.0f) {
        material.pressure = opened.mesh.pressure;
    }
    BodySource source;
    source.file = opened.bodyPath;
    source.name = opened.modelPath;
    // The model's own picture fits its texture coordinates; any other body takes the
    // command-line picture.
    source.picture = opened.picturePath.empty() ? state.commandLineTexture : opened.picturePath;
    source.material = material;
    state.opening.lastFolder = folderOf(opened.modelPath);
    std::string refusal;
    int placed = bodies.selected();
    if (state.opening.adding) {
        refusal = bodies.add(std::move(opened.mesh), source, camera);
        placed = bodies.count() - 1;
        if (refusal.empty()) {
            bodies.select(placed);
        }
    } else {
        refusal = bodies.replace(placed, std::move(opened.mesh), source, material, camera);
    }
    const double now = SbTime::getTimeOfDay().getValue();
    if (!refusal.empty()) {
        showNotice(state, fileNameOf(opened.modelPath) + ": " + refusal, now);
        return;
    }
    // A pressure its surface cannot hold is said, and the body goes on without one.
    const MpSystem* body = bodies.body(placed);
    const std::string gas = body != nullptr ? pressureRefusal(*body, material) : "";
    if (!gas.empty()) {
        showNotice(state, fileNameOf(opened.modelPath) + ": " + gas, now);
    }
    prepareRewind(state);
}

} // namespace

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> modelFileFilters() {
    std::string models;
    for (const std::string& extension : preparableExtensions()) {
        if (extension != "off") {
            models += " *." + extension;
        }
    }
    const std::string bodies = "*.toff *.off";
    const std::string scenes = "*.toml";
    return {"Scenes, bodies and models (" + scenes + " " + bodies + models + ")",
            "Scenes (" + scenes + ")", "Bodies (" + bodies + ")",
            "Models (" + models.substr(1) + ")", "All files (*)"};
}

void showNotice(ProgramState& state, const std::string& text, double now, bool onStandardError) {
    if (onStandardError) {
        freshErrorLine() << text << std::endl;
    }
    state.notice.text = text;
    state.notice.until = now + noticeSeconds;
    follow(state);
}

ModelOpening::ModelOpening(ModelLoader::Launcher launch, std::string tool)
    : loader(std::move(launch), std::move(tool)) {}

ModelOpening::~ModelOpening() {
    delete sensor;
}

void openModel(ProgramState& state, const std::string& path, bool adding) {
    state.notice = Notice{};
    state.opening.adding = adding;
    const MpSystem* selected = state.bodies.selectedBody();
    // A body held up by a gas asks for models held the same way.
    state.opening.loader.open(path, selected != nullptr ? selected->pointMass() : settings.mass,
                              selected != nullptr ? selected->pressure() : 0.0f);
    follow(state);
}

bool cancelOpening(ProgramState& state) {
    const std::string path = state.opening.loader.modelPath();
    if (!state.opening.loader.cancel()) {
        return false;
    }
    showNotice(state, path + ": opening cancelled", SbTime::getTimeOfDay().getValue());
    return true;
}

bool followOpening(ProgramState& state, double now) {
    ModelLoader& loader = state.opening.loader;
    const ModelLoader::Stage before = loader.stage();
    const PrepareProgress progressBefore = loader.progress();
    const bool noticeBefore = now < state.notice.until && !state.notice.text.empty();
    switch (loader.poll()) {
    case ModelLoader::Stage::done:
        install(state, loader.takeBody());
        return true;
    case ModelLoader::Stage::failed:
        showNotice(state, loader.takeFailure(), now);
        return true;
    default:
        break;
    }
    const bool noticeNow = now < state.notice.until && !state.notice.text.empty();
    return loader.stage() != before || loader.progress().percent != progressBefore.percent ||
           loader.progress().stage != progressBefore.stage || noticeNow != noticeBefore;
}

std::vector<std::string> openingLines(const ProgramState& state, double now) {
    const ModelLoader& loader = state.opening.loader;
    const std::string name = fileNameOf(loader.modelPath());
    switch (loader.stage()) {
    case ModelLoader::Stage::reading:
        return {(state.opening.adding ? "adding " : "opening ") + name, "Esc: cancel"};
    case ModelLoader::Stage::preparing:
        return {"preparing " + name, progressBar(loader.progress()), "Esc: cancel"};
    default:
        break;
    }
    if (now < state.notice.until && !state.notice.text.empty()) {
        return wrapped(state.notice.text);
    }
    return {};
}
