#include "control/ModelAtStart.h"

#include "appstate/Globals.h"
#include "appstate/StartUp.h"
#include "common/ErrorLine.h"
#include "common/PreparedBodies.h"
#include "control/BodyFileRead.h"
#include "control/ModelFileRead.h"
#include "control/Preparation.h"
#include "control/ProgramState.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/OffLexer.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <thread>

namespace {

/// How often the tool is asked how far it has come: as often as the window follows it.
constexpr std::chrono::milliseconds followInterval(50);

/// The progress line, written when it says something new.
class ProgressLine {
public:
    ProgressLine(const std::string& model, bool terminal)
        : heading_("preparing " + fileNameOf(model) + " "), terminal_(terminal) {}

    void show(const PrepareProgress& progress) {
        const bool news = terminal_
                              ? progress.percent != shown_.percent || progress.stage != shown_.stage
                              : progress.stage != shown_.stage && !progress.stage.empty();
        if (!news) {
            return;
        }
        shown_ = progress;
        if (terminal_) {
            std::cerr << "\r" << heading_ << progressBar(progress) << "   " << std::flush;
            setErrorLineOpen(true);
        } else {
            freshErrorLine() << heading_ << progressBar(progress) << std::endl;
        }
    }

private:
    std::string heading_;
    bool terminal_;
    PrepareProgress shown_{-1, ""};
};

} // namespace

bool prepareModelAtStart(const std::string& model, const std::vector<std::string>& options,
                         bool terminal, StartModel& body, const ModelLoader::Launcher& launch,
                         const std::string& tool) {
    // Held to the window's budget, before a byte of it is read.
    const std::string refusal = modelFileRefusal(model);
    if (!refusal.empty()) {
        freshErrorLine() << refusal << std::endl;
        return false;
    }
    const std::string found = tool.empty() ? findPrepareTool() : tool;
    if (found.empty()) {
        freshErrorLine() << noPrepareTool(model) << std::endl;
        return false;
    }
    const PreparedPlace place = placePreparedBody(model, preparedBodyKey(model, options, found));
    if (!place.problem.empty()) {
        freshErrorLine() << place.problem << std::endl;
        return false;
    }
    if (!place.prepared) {
        std::string problem;
        std::unique_ptr<Preparation> preparation =
            launch(found, model, place.bodyPath, options, problem);
        if (!preparation) {
            freshErrorLine() << problem << std::endl;
            return false;
        }
        ProgressLine line(model, terminal);
        PrepareProgress progress;
        while (preparation->running(progress)) {
            line.show(progress);
            std::this_thread::sleep_for(followInterval);
        }
        line.show(progress);
        const std::string why = preparation->failure();
        // The reader's progress, or the reason, starts on a line of its own.
        freshErrorLine() << std::flush;
        if (!why.empty()) {
            std::cerr << why << std::endl;
            return false;
        }
    }
    body.bodyPath = place.bodyPath;
    body.picturePath = findBodyPicture(place.bodyPath);
    return true;
}

bool takeModelAtStart(ProgramState& state, bool textureGiven, bool terminal,
                      const ModelLoader::Launcher& launch, const std::string& tool) {
    const std::string model = settings.meshFileName;
    StartModel body;
    const std::vector<std::string> options =
        pressureOptions(settings.pressureGiven ? settings.pressure : 0.0f);
    if (!prepareModelAtStart(model, options, terminal, body, launch, tool)) {
        return false;
    }
    ModelOpening& opening = state.opening;
    opening.bodyFile = body.bodyPath;
    settings.meshFileName = opening.bodyFile.c_str();
    state.commandLineTexture = settings.textureFileName;
    if (!textureGiven && !body.picturePath.empty()) {
        opening.picture = body.picturePath;
        settings.textureFileName = opening.picture.c_str();
    }
    state.bodyName = model;
    const size_t slash = model.find_last_of('/');
    opening.lastFolder = slash == std::string::npos ? std::string(".") : model.substr(0, slash + 1);
    return openMeshStream();
}

namespace {

// A body file is read as it is, whatever its first word promises; anything else is a model.
bool isBodyFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string keyword = readKeyword(file);
    return keyword == "OFF" || keyword == "TOFF";
}

} // namespace

int addBodiesAtStart(ProgramState& state, const std::vector<BodyAddition>& additions, bool terminal,
                     const ModelLoader::Launcher& launch, const std::string& tool) {
    int refused = 0;
    const auto refuse = [&refused](const std::string& line) {
        freshErrorLine() << line << std::endl;
        ++refused;
    };
    for (const BodyAddition& addition : additions) {
        BodySource source;
        source.name = addition.file;
        source.file = addition.file;
        source.picture = state.commandLineTexture;
        source.material = BodyMaterial{settings.stiffness, settings.damping, settings.mass,
                                       settings.pressureGiven ? settings.pressure : 0.0f};
        source.placed = addition.placed;
        source.centre = addition.centre;
        const std::string refusal = modelFileRefusal(addition.file);
        if (!refusal.empty()) {
            refuse(refusal);
            continue;
        }
        if (!isBodyFile(addition.file)) {
            StartModel prepared;
            // It says why itself.
            if (!prepareModelAtStart(addition.file, pressureOptions(source.material.pressure),
                                     terminal, prepared, launch, tool)) {
                ++refused;
                continue;
            }
            source.file = prepared.bodyPath;
            if (!prepared.picturePath.empty()) {
                source.picture = prepared.picturePath;
            }
        }
        BodyMesh mesh;
        std::string problem;
        if (!readBodyFile(source.file, settings.mass, mesh, problem)) {
            refuse(problem);
            continue;
        }
        // A body keeps the pressure its file asks for, else the command line's.
        if (mesh.pressure > 0.0f) {
            source.material.pressure = mesh.pressure;
        }
        problem = state.bodies.add(std::move(mesh), source, camera);
        if (!problem.empty()) {
            refuse(addition.file + ": " + problem);
            continue;
        }
        // One whose surface cannot hold the pressure goes on without it, as the first does.
        const MpSystem* added = state.bodies.body(state.bodies.count() - 1);
        const std::string gas = added != nullptr ? pressureRefusal(*added, source.material) : "";
        if (!gas.empty()) {
            freshErrorLine() << addition.file << ": " << gas << std::endl;
        }
    }
    return refused;
}
