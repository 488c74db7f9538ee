#pragma once

#include <string>
#include <vector>

/// What the status line over the view reports.
struct StatusValues {
    /// A body exists (none after a rebuild that failed).
    bool hasBody = false;
    int points = 0;
    int springs = 0;
    int balls = 0;
    /// The most balls alive at once.
    unsigned ballLimit = 0;
    float stiffness = 0;
    float damping = 0;
    /// Seconds of simulated time per tick.
    float timeStep = 0;
    bool running = false;
    /// Seconds of simulated time since start-up.
    double simulatedTime = 0;
    /// Simulated seconds per wall-clock second, as measured; negative before the first
    /// measurement since the start.
    double pace = -1;
    /// The pace while every tick runs; 0 when the ticks have no interval.
    double targetPace = 0;
    /// The share of the due ticks that ran; below 1 the simulation falls behind.
    double ranShare = 1;
    bool slowMotion = false;
};

/// The texts the window draws over its view. They are composed here, without the window
/// toolkit, and drawn by the window layer.

/// Shown while the animation is stopped.
const char* pausedHint();

/// The status: the body and the balls, the three switched values, the simulated time and,
/// while the animation runs, its pace in simulated seconds a second against its target, with
/// "SLOW MOTION" and the factor when it falls behind.
std::vector<std::string> statusLines(const StatusValues& values);
