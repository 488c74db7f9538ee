#pragma once

#include <cstdint>

/// Which tick ends which video frame, so that a video plays at the program's target pace
/// whatever pace the ticks actually ran at. Ticks lie on a grid of `timeStep` / 3 seconds (the
/// timer's, fixed by the step the program started with); video frame k (from 1) shows the
/// state after the ticks that the first k / framesPerSecond seconds of that grid hold. The
/// schedule counts ticks, never reads a clock: a video made while the window falls behind, or
/// made headless as fast as the machine goes, is the same video.
class FrameSchedule {
public:
    /// `startTimeStep` is the time step the program started with (key 2 changes only the step
    /// the ticks pass on, not their grid). Without a grid (a step of 0) every tick ends a frame.
    FrameSchedule(float startTimeStep, int framesPerSecond);

    /// Counts one more tick and answers how many frames end with it: usually 0 or 1, more
    /// only when a tick is longer than a frame (the frames then show the same state).
    int framesEndingWithTick();

    int64_t ticks() const { return ticks_; }
    int64_t frames() const { return frames_; }
    /// How many frames the first `ticks` ticks of the grid end.
    int64_t framesAfter(int64_t ticks) const;

private:
    /// Frames per tick: the grid interval times the frame rate.
    double framesPerTick_ = 1;
    bool grid_ = false;
    int64_t ticks_ = 0;
    int64_t frames_ = 0;
};
