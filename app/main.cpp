#include "app/QtWindow.h"
#include "app/SceneAssembly.h"
#include "app/Teardown.h"
#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/Help.h"
#include "appstate/StartUp.h"
#include "common/BodyAdditions.h"
#include "common/CommandLine.h"
#include "common/ToolCommandLine.h"
#include "control/KeyScript.h"
#include "control/ModelAtStart.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "control/SceneOpening.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv) {
    if (isUsageRequest(argc, argv)) {
        printUsage();
        return 0;
    }
    if (isVersionRequest(argc, argv)) {
        std::cout << "plimmerton " << plimmertonVersion() << std::endl;
        return 0;
    }
    std::string problem;
    // A scene file named as the plain argument (`plimmerton moment.toml`) sets up the whole
    // scene, the options given over its values; its first body is the one assembled.
    const std::string sceneFile = sceneArgument(argc, argv);
    SceneOverrides overrides;
    SceneDescription startScene;
    std::optional<unsigned> sceneSeed;
    if (!sceneFile.empty()) {
        if (!programOverrides(argc, argv, overrides, problem) ||
            !startFromScene(sceneFile, overrides, startScene, sceneSeed, problem)) {
            std::cerr << problem << std::endl;
            return 1;
        }
    } else if (!readCommandLine(argc, argv)) {
        return 1;
    }
    // Keys pressed at given ticks, as the user would press them: a run shown, recorded and
    // checked the same way as plimmerton-sim --keys runs it.
    std::vector<ScriptedKey> scriptedKeys;
    const char* keyScript = findOption(argc, argv, "-keys");
    if (*keyScript != '\0' && !parseKeyScript(keyScript, scriptedKeys, problem)) {
        std::cerr << "-keys: " << problem << std::endl;
        return 1;
    }
    // The bodies beside the first, each with its place.
    std::vector<BodyAddition> additions;
    if (!readBodyAdditions(givenOptions(argc, argv), additions, problem)) {
        std::cerr << problem << std::endl;
        return 1;
    }
    const char* programName = argc > 0 ? argv[0] : "plimmerton";
    if (!QtWindow::init(programName, "SoWin", problem)) {
        std::cerr << "Cannot open a window: " << problem << std::endl;
        return 1;
    }
    // Everything the program keeps beyond its globals; it outlives the viewer, whose handlers
    // work on it.
    ProgramState state;
    state.keyScript = KeyScriptPlayer(std::move(scriptedKeys));
    // The ground and the pillars as plimmerton-sim lays them out for the same seed.
    const char* arenaSeed = findOption(argc, argv, "-arena");
    if (*arenaSeed != '\0') {
        state.arenaSeed = static_cast<unsigned>(std::strtoul(arenaSeed, nullptr, 10));
    }
    if (sceneSeed) {
        state.arenaSeed = sceneSeed;
    }
    // A model of another form becomes a body first, as one opened in the window does.
    if (sceneFile.empty() && startsWithModel(argc, argv) &&
        !takeModelAtStart(state, *findOption(argc, argv, "-tex") != '\0',
                          isatty(STDERR_FILENO) != 0)) {
        return 1;
    }
    if (!assembleScene(QtWindow::createExaminerViewer(state), state)) {
        return 1;
    }
    if (!sceneFile.empty() && !openScene(state, sceneFile, overrides, problem)) {
        std::cerr << problem << std::endl;
        tearDown();
        return 1;
    }
    // A body that cannot be added is said on standard error; the scene goes on without it.
    addBodiesAtStart(state, additions, isatty(STDERR_FILENO) != 0);
    prepareRewind(state);
    viewer->show();
    QtWindow::show();
    printHelp();
    state.keyScript.pressDue(0, false);
    QtWindow::mainLoop();
    tearDown();
    return 0;
}
