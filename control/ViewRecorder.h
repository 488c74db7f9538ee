#pragma once

#include "video/FrameSchedule.h"
#include "video/VideoEncoder.h"

#include <Inventor/SbVec2s.h>

#include <memory>
#include <string>

class ViewRenderer;

/// Records the view into a video at the program's target pace: after each tick that ends a
/// video frame (FrameSchedule), the state is copied into the scene and the view drawn
/// offscreen as the viewer shows it (without the texts over it) and encoded, however long
/// that takes. A failed encoder or a full disk ends the recording with one line on standard
/// error and removes the file; the program runs on.
class ViewRecorder {
public:
    ViewRecorder();
    ~ViewRecorder();
    ViewRecorder(const ViewRecorder&) = delete;
    ViewRecorder& operator=(const ViewRecorder&) = delete;

    /// Starts recording the view of the assembled scene into `path`, `size` pixels, at
    /// `framesPerSecond`, on the tick grid of `startTimeStep`. False with `problem` set when
    /// the view cannot be drawn offscreen or the video cannot be started.
    bool start(const std::string& path, SbVec2s size, int framesPerSecond, float startTimeStep,
               std::string& problem);
    /// After every tick: the frames it ends, drawn and encoded.
    void tickRan();
    /// Ends the video; true when it is whole on disk (false also when it failed before).
    bool stop();

    bool recording() const { return recording_; }
    /// The video failed, and its file was removed.
    bool failed() const { return failed_; }
    const std::string& path() const { return encoder_.path(); }
    int64_t frames() const { return encoder_.frames(); }
    /// Ticks run since the recording started.
    int64_t ticks() const { return schedule_ ? schedule_->ticks() : 0; }
    double seconds() const { return encoder_.seconds(); }

private:
    /// Ends the recording with `why` on standard error and removes the file.
    void fail(const std::string& why);

    VideoEncoder encoder_;
    std::unique_ptr<FrameSchedule> schedule_;
    std::unique_ptr<ViewRenderer> renderer_;
    bool recording_ = false;
    bool failed_ = false;
};
