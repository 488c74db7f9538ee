#include "prepare/PrepareProgress.h"

#include <algorithm>
#include <ostream>

namespace {

/// Where each stage starts on the way to 100, after how long each took on large models (a
/// 164,000-point OFF ball, a 100,000-point PLY scan, a glTF of hundreds of parts): the import
/// library reads the file twice, once in the trial read; the simplifier may try many times;
/// bracing grows with the points kept.
constexpr int stageStart[] = {0, 15, 30, 35, 60, 62, 65, 96, 100};

int percentOf(PrepareStage stage, double done) {
    const int k = static_cast<int>(stage);
    const double share = std::clamp(done, 0.0, 1.0);
    const int percent = stageStart[k] + static_cast<int>(share * (stageStart[k + 1] - stageStart[k]));
    return std::min(percent, 99);
}

} // namespace

const char* stageName(PrepareStage stage) {
    static const char* const names[] = {"reading", "importing", "welding", "simplifying",
                                        "ordering", "placing",  "bracing", "writing"};
    return names[static_cast<int>(stage)];
}

ProgressLines::ProgressLines(std::ostream& out) : out_(out) {}

ProgressLines::~ProgressLines() {
    stopMoving();
}

void ProgressLines::report(PrepareStage stage, double done) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stage >= stage_) {
        write(stage, percentOf(stage, done));
    }
}

void ProgressLines::write(PrepareStage stage, int percent) {
    if (stage == stage_ && percent <= percent_) {
        return;
    }
    stage_ = stage;
    percent_ = std::max(percent, percent_);
    said_ = std::chrono::steady_clock::now();
    out_ << "progress " << percent_ << " " << stageName(stage) << std::endl;
}

void ProgressLines::keepMoving(std::chrono::milliseconds quiet) {
    stopMoving();
    stopping_ = false;
    mover_ = std::thread([this, quiet] {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopped_.wait_for(lock, quiet / 4, [this] { return stopping_; })) {
            const int next = percent_ + 1;
            if (std::chrono::steady_clock::now() - said_ >= quiet &&
                next < stageStart[static_cast<int>(stage_) + 1]) {
                write(stage_, next);
            }
        }
    });
}

void ProgressLines::finish() {
    stopMoving();
    std::lock_guard<std::mutex> lock(mutex_);
    stage_ = PrepareStage::Writing;
    percent_ = 100;
    out_ << "progress 100 " << stageName(stage_) << std::endl;
}

void ProgressLines::stopMoving() {
    if (!mover_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    mover_.join();
}
