#include "appstate/TickSchedule.h"

#include <algorithm>
#include <cmath>

namespace {

// Grid indices stay far inside 64 bits whatever the clock and the interval.
int64_t clampedFloor(double value) {
    const double limit = 1e18;
    if (!(value > -limit)) {
        return static_cast<int64_t>(-limit);
    }
    return static_cast<int64_t>(std::floor(std::min(value, limit)));
}

} // namespace

TickSchedule::TickSchedule(double baseTime, double tickInterval, double frameInterval)
    : baseTime_(baseTime), tickInterval_(tickInterval > 0 ? tickInterval : 0),
      frameInterval_(frameInterval > 0 ? frameInterval : 0) {
    if (tickInterval_ > 0) {
        // Rounded, so that an interval a hair above 4 ms still allows 25 ticks.
        maxTicksPerCall_ =
            static_cast<int>(std::clamp(std::round(maxCatchUp / tickInterval_), 1.0, 1e6));
    }
    restart(baseTime);
}

void TickSchedule::restart(double now) {
    nextTick_ = tickInterval_ > 0 ? lastDueTick(now) + 1 : 0;
    frameBase_ = now;
    nextFrameCell_ = 0;
    windowStart_ = now;
    windowSimulated_ = 0;
    windowRun_ = 0;
    windowGivenUp_ = 0;
    measuredPace_ = -1;
    ranShare_ = 1;
}

int64_t TickSchedule::lastDueTick(double now) const {
    return clampedFloor((now - baseTime_) / tickInterval_);
}

int64_t TickSchedule::frameCell(double now) const {
    return clampedFloor((now - frameBase_) / frameInterval_);
}

int TickSchedule::takeDueTicks(double now, float timeStep) {
    if (tickInterval_ <= 0) {
        countForPace(now, 0, 0, timeStep);
        return 0;
    }
    const int64_t last = lastDueTick(now);
    // Only a clock set back finds the last due tick before one already run; the ticks then
    // keep to the grid from the new time on.
    if (last < nextTick_ - 1) {
        nextTick_ = last + 1;
    }
    const int64_t due = last - nextTick_ + 1;
    int run = 0;
    int64_t givenUp = 0;
    if (due > 0) {
        run = static_cast<int>(std::min<int64_t>(due, maxTicksPerCall_));
        givenUp = due - run;
        nextTick_ = last + 1;
        tickSinceFrame_ = true;
    }
    countForPace(now, run, givenUp, timeStep);
    return run;
}

bool TickSchedule::takeFrame(double now) {
    if (!tickSinceFrame_) {
        return false;
    }
    if (frameInterval_ > 0) {
        const int64_t cell = frameCell(now);
        if (cell < nextFrameCell_ - 1) {
            nextFrameCell_ = cell;
        }
        if (cell < nextFrameCell_) {
            return false;
        }
        nextFrameCell_ = cell + 1;
    }
    tickSinceFrame_ = false;
    return true;
}

double TickSchedule::nextWake(double now) const {
    if (tickInterval_ <= 0) {
        return 0;
    }
    const double nextFrame = frameBase_ + static_cast<double>(nextFrameCell_) * frameInterval_;
    const int64_t afterNow = lastDueTick(now) + 1;
    const int64_t atFrame = clampedFloor(std::ceil((nextFrame - baseTime_) / tickInterval_));
    return baseTime_ + static_cast<double>(std::max(afterNow, atFrame)) * tickInterval_;
}

double TickSchedule::targetPace(float timeStep) const {
    if (tickInterval_ <= 0 || !std::isfinite(timeStep)) {
        return 0;
    }
    return timeStep / tickInterval_;
}

void TickSchedule::countForPace(double now, int run, int64_t givenUp, float timeStep) {
    ticksRun_ += run;
    ticksGivenUp_ += givenUp;
    if (now < windowStart_) {
        windowStart_ = now;
        windowSimulated_ = 0;
        windowRun_ = 0;
        windowGivenUp_ = 0;
    }
    windowRun_ += run;
    windowGivenUp_ += givenUp;
    if (std::isfinite(timeStep)) {
        windowSimulated_ += run * static_cast<double>(timeStep);
    }
    const double elapsed = now - windowStart_;
    if (elapsed < paceWindow) {
        return;
    }
    measuredPace_ = windowSimulated_ / elapsed;
    const int64_t due = windowRun_ + windowGivenUp_;
    ranShare_ = due > 0 ? static_cast<double>(windowRun_) / static_cast<double>(due) : 1.0;
    windowStart_ = now;
    windowSimulated_ = 0;
    windowRun_ = 0;
    windowGivenUp_ = 0;
}
