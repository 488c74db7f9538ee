#include "appstate/OnScreenText.h"

#include <iomanip>
#include <sstream>

namespace {

// As wide as the other lines of the status at most, so that it fits a small window: a longer
// name keeps its beginning and its end.
std::string shortened(const std::string& name, size_t most = 44) {
    if (name.size() <= most) {
        return name;
    }
    return name.substr(0, most / 2 - 2) + "..." + name.substr(name.size() - (most / 2 - 1));
}

} // namespace

namespace {

/// What became of the body, whether the time step was past its stable bound then, and what
/// undoes it; `what` is empty while the body is in the arena.
struct Trouble {
    std::string what;
    std::string stable;
    std::string undo;
};

Trouble troubleOf(const StatusValues& values) {
    Trouble trouble;
    switch (values.bodyPlace) {
    case BodyPlace::inArena:
        return trouble;
    case BodyPlace::belowFloor:
        trouble.what = "the body is below the floor";
        break;
    case BodyPlace::outOfArena:
        trouble.what = "the body is out of the arena";
        break;
    case BodyPlace::outOfReach:
        trouble.what = "the body left the arena's reach";
        break;
    case BodyPlace::blownUp: {
        std::ostringstream what;
        what << std::defaultfloat << std::setprecision(3) << "the body blew up at time step "
             << values.caughtTimeStep;
        trouble.what = what.str();
        if (values.caughtTimeStep > values.caughtStableTimeStep) {
            std::ostringstream stable;
            stable << std::defaultfloat << std::setprecision(3) << " (stable up to "
                   << values.caughtStableTimeStep << ")";
            trouble.stable = stable.str();
        }
        break;
    }
    }
    if (values.rewindSeconds >= 0) {
        std::ostringstream back;
        back << std::defaultfloat << std::setprecision(2) << "Backspace goes back "
             << values.rewindSeconds << " s, ";
        trouble.undo = back.str();
    }
    trouble.undo += "N rebuilds";
    return trouble;
}

} // namespace

// The stable bound stays out of the status, whose line above says it while the time step is
// past it, so that the status stays as narrow as a small window.
std::vector<std::string> bodyTroubleLines(const StatusValues& values) {
    const Trouble trouble = troubleOf(values);
    if (trouble.what.empty()) {
        return {};
    }
    return {trouble.what + ":", "  " + trouble.undo};
}

std::string bodyTroubleMessage(const StatusValues& values) {
    const Trouble trouble = troubleOf(values);
    return trouble.what.empty() ? std::string()
                                : trouble.what + trouble.stable + ": " + trouble.undo;
}

const char* pausedHint() {
    return "P: start  H: help";
}

// The switched values read as the keys print them; the time with three decimals, enough for
// one tick, and the pace with two.
std::vector<std::string> statusLines(const StatusValues& values) {
    std::vector<std::string> lines;
    std::ostringstream line;
    if (!values.sceneName.empty()) {
        lines.push_back("scene " + shortened(values.sceneName, 42));
    }
    if (values.bodies > 1) {
        const std::string which = "body " + std::to_string(values.selectedBody + 1) + " of " +
                                  std::to_string(values.bodies) + ": ";
        lines.push_back(which + shortened(values.bodyName, 44 - which.size()));
    } else if (!values.bodyName.empty()) {
        lines.push_back(shortened(values.bodyName));
    }
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

    if (values.hasBody && (values.pressure > 0 || values.pins > 0 || values.pressureRefused)) {
        line.str("");
        if (values.pressure > 0) {
            line << "pressure " << values.pressure << "  ";
        } else if (values.pressureRefused) {
            line << "no pressure: open surface  ";
        }
        if (values.pins > 0) {
            line << values.pins << (values.pins == 1 ? " point" : " points") << " pinned";
        }
        std::string text = line.str();
        lines.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
    }

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
    if (values.recording) {
        line << std::setprecision(1) << "  REC " << values.recordedSeconds << " s";
    }
    lines.push_back(line.str());

    // A line of its own, so that the status stays as narrow as a small window.
    if (values.timeStep > values.stableTimeStep) {
        line.str("");
        line << std::defaultfloat << std::setprecision(3) << "UNSTABLE beyond time step "
             << values.stableTimeStep;
        lines.push_back(line.str());
    }

    for (const std::string& trouble : bodyTroubleLines(values)) {
        lines.push_back(trouble);
    }

    // Not positive, or not a number at all: either way the body cannot do with it. Two lines
    // each, so that the status stays as narrow as a small window.
    const auto missing = [&lines](const char* name, float value, const char* effect,
                                  const char* option, const char* bundled) {
        if (!(value > 0)) {
            std::ostringstream warning;
            warning << name << " " << value << ": " << effect << ";";
            lines.push_back(warning.str());
            lines.push_back(std::string("  the bundled run uses ") + option + " " + bundled);
        }
    };
    if (values.hasBody) {
        missing("mass", values.mass, "the points cannot move", "-m", BundledRun::mass);
        missing("stiffness", values.stiffness, "the springs do not hold the body", "-s",
                BundledRun::stiffness);
    }
    missing("time step", values.timeStep, "the simulation does not advance", "-t",
            BundledRun::timeStep);
    return lines;
}
