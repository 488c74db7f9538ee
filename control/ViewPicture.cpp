#include "control/ViewPicture.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "common/UserFolders.h"
#include "control/Simulation.h"
#include "image/PngFile.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstdio>
#include <iostream>
#include <string>

ViewLook viewerLook() {
    ViewLook look;
    look.background = viewer->getBackgroundColor();
    look.headlight = viewer->isHeadlight();
    look.drawStyle = viewer->getDrawStyle(ExaminerViewer::STILL);
    look.transparencyType = viewer->getTransparencyType();
    return look;
}

void saveViewPicture(SbVec2s size) {
    std::string problem;
    ViewRenderer renderer(size, sceneRoot, camera);
    if (!renderer.open(problem)) {
        freshErrorLine() << "screenshot: cannot draw the view offscreen: " << problem << std::endl;
        return;
    }
    showSimulation();
    if (!renderer.render(viewerLook())) {
        freshErrorLine() << "screenshot: the view could not be drawn offscreen" << std::endl;
        return;
    }
    const std::string path = claimNewFile(userFolder("PICTURES"), ".png", problem);
    if (path.empty()) {
        freshErrorLine() << "screenshot: " << problem << std::endl;
        return;
    }
    if (!writePng(path, renderer.pixels(), size[0], size[1], problem)) {
        std::remove(path.c_str());
        freshErrorLine() << "screenshot: " << problem << std::endl;
        return;
    }
    std::cout << "screenshot: " << path << std::endl;
}
