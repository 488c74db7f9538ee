#include "video/FrameSchedule.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

/// The step as the user wrote it: a float holds 0.012 only as 0.0119999997, and a grid of
/// that step would end its 90th frame a hair after tick 750 instead of at it. Seven
/// significant digits give the float's decimal back.
double decimalStep(float step) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(step));
    return std::strtod(text, nullptr);
}

/// Far above the rounding of a decimal step, far below a tick's share of a frame.
constexpr double onTheGrid = 1e-9;

} // namespace

FrameSchedule::FrameSchedule(float startTimeStep, int framesPerSecond) {
    const double interval = decimalStep(startTimeStep) / 3.0;
    grid_ = std::isfinite(interval) && interval > 0 && framesPerSecond > 0;
    framesPerTick_ = grid_ ? interval * framesPerSecond : 1.0;
}

int FrameSchedule::framesEndingWithTick() {
    ++ticks_;
    const int64_t ended = framesAfter(ticks_);
    const int now = static_cast<int>(ended - frames_);
    frames_ = ended;
    return now;
}

int64_t FrameSchedule::framesAfter(int64_t ticks) const {
    if (!grid_) {
        return ticks;
    }
    const double frames = static_cast<double>(ticks) * framesPerTick_;
    return static_cast<int64_t>(std::floor(frames * (1 + onTheGrid)));
}
