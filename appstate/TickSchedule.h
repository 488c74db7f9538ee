#pragma once

#include <cstdint>

/// When the running animation's ticks and frames fall due, and the pace it keeps. Times are
/// seconds of the clock that drives the timer; the schedule reads no clock itself, so the
/// rules can be tried with any sequence of times.
///
/// Ticks keep to a grid of whole intervals counted from a fixed base time, the grid on which
/// the timer fires: a tick that falls due while a frame is drawn still runs, in its turn,
/// before the next frame. Frames follow ticks: one is due only after a tick has run since the
/// last, and at most one falls in each frame interval, so the picture is redrawn no faster
/// than the display shows it and not at all while nothing moves.
class TickSchedule {
public:
    /// The longest run of ticks caught up at once, in seconds of the schedule. Past it the
    /// rest are given up and the simulation slows down, rather than the window freezing.
    static constexpr double maxCatchUp = 0.1;
    /// How long the pace is measured over before it is reported anew, in seconds.
    static constexpr double paceWindow = 1.0;
    /// A measured pace below this share of the due ticks counts as slow motion; a window
    /// that closes between two ticks misses one tick at most, far less than this margin.
    static constexpr double slowShare = 0.95;

    TickSchedule() = default;
    /// Ticks every `tickInterval` seconds on the grid that starts at `baseTime` (no grid when
    /// the interval is 0: then no tick ever falls due, as a time step of 0 moves nothing);
    /// frames at most every `frameInterval` seconds.
    TickSchedule(double baseTime, double tickInterval, double frameInterval);

    /// The animation starts at `now`: no tick is owed for the time it stood still, the next
    /// is the first on the grid after now, and the pace is measured anew.
    void restart(double now);

    /// How many ticks to run now, one after the other, each a whole tick: those that fell
    /// due since the last call, at most maxTicksPerCall(); the rest are given up. Counts the
    /// `timeStep` seconds of simulated time each of them advances, for the pace.
    int takeDueTicks(double now, float timeStep);

    /// Whether to copy the state into the scene and draw a frame now: a tick has run since
    /// the last frame, and the frame interval that holds `now` has none yet. A true answer
    /// counts as that frame.
    bool takeFrame(double now);

    /// When the timer need fire next, after a call at `now`: at the first tick on the grid from
    /// which a frame can be drawn. The ticks due before it run together just before that frame,
    /// which shows them all, so the loop sleeps between frames instead of waking for each tick.
    /// 0 without an interval (the timer then has no grid).
    double nextWake(double now) const;

    /// The most ticks one call of takeDueTicks hands out: maxCatchUp seconds' worth, and at
    /// least one.
    int maxTicksPerCall() const { return maxTicksPerCall_; }
    double tickInterval() const { return tickInterval_; }
    /// Simulated seconds per wall-clock second while every tick runs: the time step over the
    /// tick interval (0 without an interval).
    double targetPace(float timeStep) const;
    /// Simulated seconds per wall-clock second over the last whole pace window; negative
    /// while none has closed since the start.
    double measuredPace() const { return measuredPace_; }
    /// The share of the ticks that fell due in the last whole window that ran (1 when all
    /// did); below slowShare the simulation ran in slow motion.
    double ranShare() const { return ranShare_; }
    bool slowMotion() const { return measuredPace_ >= 0 && ranShare_ < slowShare; }

    /// All ticks handed out and given up since the schedule was made.
    int64_t ticksRun() const { return ticksRun_; }
    int64_t ticksGivenUp() const { return ticksGivenUp_; }

private:
    /// The last grid index due at `now`: tick k is due at baseTime + k * tickInterval.
    int64_t lastDueTick(double now) const;
    int64_t frameCell(double now) const;
    void countForPace(double now, int run, int64_t givenUp, float timeStep);

    double baseTime_ = 0;
    double tickInterval_ = 0;
    double frameInterval_ = 0;
    int maxTicksPerCall_ = 1;
    int64_t nextTick_ = 1;

    double frameBase_ = 0;
    int64_t nextFrameCell_ = 0;
    bool tickSinceFrame_ = false;

    double windowStart_ = 0;
    double windowSimulated_ = 0;
    int64_t windowRun_ = 0;
    int64_t windowGivenUp_ = 0;
    double measuredPace_ = -1;
    double ranShare_ = 1;

    int64_t ticksRun_ = 0;
    int64_t ticksGivenUp_ = 0;
};
