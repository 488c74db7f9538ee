#include "app/ExaminerViewer.h"
#include "app/Globals.h"
#include "app/Help.h"
#include "app/QtWindow.h"
#include "app/SceneAssembly.h"
#include "app/StartUp.h"
#include "app/Teardown.h"

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
    if (!assembleScene(QtWindow::createExaminerViewer())) {
        return 1;
    }
    viewer->show();
    QtWindow::show();
    printHelp();
    QtWindow::mainLoop();
    tearDown();
    return 0;
}
