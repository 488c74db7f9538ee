#include "programs/SceneRun.h"

#include "app/SceneAssembly.h"
#include "app/Teardown.h"
#include "appstate/Globals.h"
#include "appstate/HeadlessViewer.h"
#include "appstate/StartUp.h"
#include "common/ErrorLine.h"
#include "control/ModelAtStart.h"
#include "control/ProgramState.h"
#include "control/Rewind.h"
#include "control/SceneCapture.h"
#include "control/Simulation.h"
#include "control/ViewPicture.h"
#include "mpsystem/MpSystem.h"
#include "programs/ProgressBar.h"
#include "programs/RunReport.h"
#include "scenefile/ScenePaths.h"

#include <Inventor/SoDB.h>
#include <Inventor/sensors/SoIdleSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

#include <chrono>
#include <iomanip>
#include <iostream>

#include <unistd.h>

namespace {

/// The viewer of a run without a window: F12 saves the view as the window would, drawn
/// offscreen once the key has been handled (saveViewPicture).
class RunViewer : public HeadlessViewer {
public:
    void saveScreenshot() override { ++screenshotsAsked; }

    /// Saves the pictures asked for since the last call.
    void savePicturesAsked() {
        for (; screenshotsSaved_ < screenshotsAsked; ++screenshotsSaved_) {
            saveViewPicture(viewport.getViewportSizePixels());
        }
    }

private:
    int screenshotsSaved_ = 0;
};

/// Runs the ticks; false when the video failed on the way.
bool runTicks(const SceneRun& run, ProgramState& state, RunViewer& pictures, long& ticksRun,
              std::vector<double>& tickMillis) {
    ProgressBar progress(run.ticks, "ticks", isatty(STDERR_FILENO) != 0);
    tickMillis.reserve(static_cast<size_t>(run.ticks));
    for (ticksRun = 0; ticksRun < run.ticks; ++ticksRun) {
        const bool quit = state.keyScript.pressDue(state.ticksRun, true);
        // The state that the keys of this tick see, as the window would show it.
        pictures.savePicturesAsked();
        if (quit) {
            break;
        }
        const auto start = std::chrono::steady_clock::now();
        tickSimulation(state);
        const auto end = std::chrono::steady_clock::now();
        tickMillis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (state.recorder.failed()) {
            progress.finish();
            return false;
        }
        progress.update(ticksRun + 1);
        // The window's animation stops there; the run ends with the tick that was caught.
        if (state.watch.caught) {
            ++ticksRun;
            break;
        }
    }
    progress.finish();
    return true;
}

} // namespace

int runScene(const SceneRun& run) {
    ProgramState state;
    state.arenaSeed = run.arenaSeed;
    state.keyScript = KeyScriptPlayer(run.keys);
    // The scene's first body is assembled as the body of -i would be; its texts live here.
    SceneDescription startScene;
    std::string problem;
    if (!run.scenePath.empty()) {
        if (!startFromScene(run.scenePath, run.overrides, startScene, state.arenaSeed, problem)) {
            freshErrorLine() << problem << std::endl;
            return 1;
        }
    } else {
        settings.meshFileName = run.meshFileName.c_str();
        settings.textureFileName = run.textureFileName.c_str();
        settings.damping = run.damping;
        settings.mass = run.mass;
        settings.stiffness = run.stiffness;
        settings.timeStep = run.timeStep;
        settings.pressureGiven = run.pressureGiven;
        settings.pressure = run.pressure;
        settings.pins = run.pins;
        if (!openMeshStream()) {
            return 1;
        }
    }
    SoDB::init();
    RunViewer* headless = new RunViewer;
    headless->viewport =
        SbViewportRegion(static_cast<short>(run.width), static_cast<short>(run.height));
    if (!assembleScene(headless, state)) {
        return 1;
    }
    if (!run.scenePath.empty() && !openScene(state, run.scenePath, run.overrides, problem)) {
        freshErrorLine() << problem << std::endl;
        releaseApplication();
        return 1;
    }
    if (addBodiesAtStart(state, run.additions, isatty(STDERR_FILENO) != 0) > 0) {
        releaseApplication();
        return 1;
    }
    prepareRewind(state);
    // The reader's last line ends before the progress begins.
    freshErrorLine() << std::flush;
    // The run is the running animation: the keys that need it (arrows, END) act.
    timerSensor->schedule();
    idleSensor->schedule();

    int status = 0;
    if (!run.videoFileName.empty()) {
        if (!state.recorder.start(
                run.videoFileName,
                SbVec2s(static_cast<short>(run.width), static_cast<short>(run.height)),
                run.framesPerSecond, settings.timeStep, problem)) {
            freshErrorLine() << "video: " << problem << std::endl;
            status = 1;
        }
    }
    long ticksRun = 0;
    std::vector<double> tickMillis;
    const std::vector<SbVec3f> startExtents = startingExtents(collisionWorld.bodies());
    const auto start = std::chrono::steady_clock::now();
    if (status == 0 && (!runTicks(run, state, *headless, ticksRun, tickMillis) ||
                        (!run.videoFileName.empty() && !state.recorder.stop()))) {
        status = 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status == 0) {
        printRunReport(collisionWorld.bodies(), startExtents, ticksRun, std::move(tickMillis));
        if (!run.videoFileName.empty()) {
            std::cout << "video " << state.recorder.path() << std::endl;
            std::cout << "frames " << state.recorder.frames() << " (" << std::fixed
                      << std::setprecision(2) << state.recorder.seconds() << " s at "
                      << run.framesPerSecond << " a second)" << std::endl;
            std::cout << "wall time " << seconds << " s" << std::endl;
        }
        if (!run.saveScenePath.empty()) {
            CapturedScene captured;
            captureScene(state, captured);
            if (writeCapturedScene(captured, run.saveScenePath, true, problem)) {
                std::cout << "scene " << run.saveScenePath << std::endl;
                std::cout << "state " << stateFileName(run.saveScenePath) << std::endl;
            } else {
                freshErrorLine() << problem << std::endl;
                status = 1;
            }
        }
    }
    releaseApplication();
    return status;
}
