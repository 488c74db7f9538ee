#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <thread>

/// The stages of a preparation, in the order they run.
enum class PrepareStage { Reading, Importing, Welding, Simplifying, Ordering, Placing, Bracing, Writing };

/// The stage's name as the progress lines give it: "reading", "importing", ...
const char* stageName(PrepareStage stage);

/// Told how far a preparation has come: the stage it is in and the share of that stage done,
/// from 0 to 1. Long stages tell it several times.
using PrepareProgress = std::function<void(PrepareStage stage, double done)>;

/// Writes a preparation's progress for a program to read and a user to follow: lines
/// "progress PERCENT STAGE", PERCENT a whole number that never falls, each flushed at once.
/// A line is written when the stage changes or the percentage rises; each stage has its share
/// of the hundred, by how long it takes on large models.
class ProgressLines {
public:
    explicit ProgressLines(std::ostream& out);
    ~ProgressLines();
    ProgressLines(const ProgressLines&) = delete;
    ProgressLines& operator=(const ProgressLines&) = delete;

    /// A report of a stage that has already passed is ignored, and none reaches 100.
    void report(PrepareStage stage, double done);

    /// From now on, whenever nothing was said for `quiet`, the percentage moves on by one
    /// while the stage has room for it: some work (the import library's reading, a try of the
    /// simplifier) tells nothing of its progress, and a line that does not move looks stuck.
    void keepMoving(std::chrono::milliseconds quiet = std::chrono::milliseconds(400));

    /// The last line, "progress 100 writing", once all is written.
    void finish();

private:
    void write(PrepareStage stage, int percent);
    void stopMoving();

    std::ostream& out_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    PrepareStage stage_ = PrepareStage::Reading;
    int percent_ = -1;
    std::chrono::steady_clock::time_point said_;
    bool stopping_ = false;
    std::thread mover_;
};
