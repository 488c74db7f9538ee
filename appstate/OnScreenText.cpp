#include "appstate/OnScreenText.h"

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
