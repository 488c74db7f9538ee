#include "control/ViewRecorder.h"

#include "appstate/Globals.h"
#include "common/ErrorLine.h"
#include "control/Simulation.h"
#include "control/ViewPicture.h"
#include "offscreen/ViewRenderer.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <iostream>

ViewRecorder::ViewRecorder() = default;

ViewRecorder::~ViewRecorder() {
    if (recording_) {
        encoder_.abandon();
    }
}

bool ViewRecorder::start(const std::string& path, SbVec2s size, int framesPerSecond,
                         float startTimeStep, std::string& problem) {
    auto renderer = std::make_unique<ViewRenderer>(size, sceneRoot, camera);
    // The planes keep to the arena, as the window's do, whatever becomes of the body.
    PointBounds reach{};
    if (arenaReachOf(collisionWorld, reach)) {
        renderer->setClipLimit(SbBox3f(reach.min, reach.max));
    }
    if (!renderer->open(problem)) {
        problem = "cannot draw the view offscreen: " + problem;
        return false;
    }
    failed_ = false;
    if (!encoder_.open(path, size[0], size[1], framesPerSecond)) {
        problem = encoder_.error();
        encoder_.abandon();
        return false;
    }
    schedule_ = std::make_unique<FrameSchedule>(startTimeStep, framesPerSecond);
    renderer_ = std::move(renderer);
    recording_ = true;
    return true;
}

void ViewRecorder::tickRan() {
    if (!recording_) {
        return;
    }
    const int frames = schedule_->framesEndingWithTick();
    if (frames == 0) {
        return;
    }
    showSimulation();
    if (!renderer_->render(viewerLook())) {
        fail("the view could not be drawn offscreen");
        return;
    }
    const SbVec2s size = renderer_->size();
    for (int frame = 0; frame < frames; ++frame) {
        if (!encoder_.addFrame(renderer_->pixels(), size[0] * 3, true)) {
            fail(encoder_.error());
            return;
        }
    }
}

bool ViewRecorder::stop() {
    if (!recording_) {
        return false;
    }
    recording_ = false;
    renderer_.reset();
    if (!encoder_.finish()) {
        fail(encoder_.error());
        return false;
    }
    return true;
}

void ViewRecorder::fail(const std::string& why) {
    freshErrorLine() << "video: " << why << "; recording stopped" << std::endl;
    failed_ = true;
    encoder_.abandon();
    recording_ = false;
    renderer_.reset();
}
