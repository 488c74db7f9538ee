#include "app/QtWindow.h"
#include "app/SceneAssembly.h"
#include "app/Teardown.h"
#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "appstate/Help.h"
#include "appstate/StartUp.h"
#include "common/CommandLine.h"
#include "control/ProgramState.h"

int main(int argc, char** argv) {
    if (isUsageRequest(argc, argv)) {
        printUsage();
        return 0;
    }
    if (!readCommandLine(argc, argv)) {
        return 1;
    }
    const char* programName = argc > 0 ? argv[0] : "plimmerton";
    if (!QtWindow::init(programName, "SoWin")) {
        return 1;
    }
    // Everything the program keeps beyond its globals; it outlives the viewer, whose handlers
    // work on it.
    ProgramState state;
    if (!assembleScene(QtWindow::createExaminerViewer(state), state)) {
        return 1;
    }
    viewer->show();
    QtWindow::show();
    printHelp();
    QtWindow::mainLoop();
    tearDown();
    return 0;
}
