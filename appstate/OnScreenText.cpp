#include "appstate/OnScreenText.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "balls/BallShots.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/sensors/SoTimerSensor.h>

#include <iomanip>
#include <sstream>

const char* pausedHint() {
    return "P: start  H: help";
}

// The switched values read as the keys print them; the time with three decimals, enough for
// one tick, and the pace with two.
std::vector<std::string> statusLines(const StatusValues& values) {
    std::vector<std::string> lines;
    std::ostringstream line;
    if (values.hasBody) {
        line << values.points << " points  " << values.springs << " springs  ";
    } else {
        line << "no body  ";
    }
    line << "balls " << values.balls << " of " << values.ballLimit;
    lines.push_back(line.str());

    line.str("");
    if (values.hasBody) {
        line << "stiffness " << values.stiffness << "  damping " << values.damping << "  ";
    }
    line << "time step " << values.timeStep;
    lines.push_back(line.str());

    line.str("");
    line << std::fixed << std::setprecision(3) << "t " << values.simulatedTime << " s  ";
    line << std::setprecision(2);
    if (!values.running) {
        line << "stopped";
    } else {
        line << "pace ";
        if (values.pace < 0) {
            line << "...";
        } else {
            line << values.pace;
        }
        if (values.targetPace > 0) {
            line << " of " << values.targetPace;
        }
        line << " s/s";
        if (values.slowMotion) {
            line << "  SLOW MOTION x" << values.ranShare;
        }
    }
    lines.push_back(line.str());
    return lines;
}

// Two keys to a line where they fit, so that the panel fits a small window.
const std::vector<std::string>& helpPanelLines() {
    static const std::vector<std::string> lines = {
        "P       start / stop      O       one tick (stopped)",
        "SPACE   shoot a ball      T       remove the oldest",
        "N       new body          H       help    Q  quit",
        "1 2 3   stiffness, time step, damping",
        "4 5 6   headlight, draw style, headcam",
        "arrows  push the body     END     lift it (running)",
        "A D W S aim the cannon    J L I K orbit the camera",
        "F12     save a screenshot (PNG)",
        "",
        "mouse   left: turn        middle, Shift+left: pan",
        "        wheel: zoom       Ctrl+left: pull the body",
    };
    return lines;
}

StatusValues currentStatus() {
    StatusValues values;
    const MpSystem* body = mpSystemReady ? mpSystem : nullptr;
    values.hasBody = body != nullptr;
    if (body != nullptr) {
        values.points = body->numPoints();
        values.springs = body->numSprings();
        values.stiffness = body->stiffness();
        values.damping = body->damping();
    }
    values.balls = ballSet.size();
    values.ballLimit = viewer != nullptr ? ballLimit(viewer->maxLightSources()) : 0;
    values.timeStep = settings.timeStep;
    values.running = timerSensor != nullptr && timerSensor->isScheduled();
    values.simulatedTime = simulatedTime;
    values.pace = tickSchedule.measuredPace();
    values.targetPace = tickSchedule.targetPace(settings.timeStep);
    values.ranShare = tickSchedule.ranShare();
    values.slowMotion = tickSchedule.slowMotion();
    return values;
}
