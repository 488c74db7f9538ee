#pragma once

#include <chrono>
#include <cstdint>
#include <string>

/// The progress of a long run on standard error: on a terminal one bar redrawn in place with
/// what is done, the rate and the time left; elsewhere (a log, a pipe) one line at every tenth.
class ProgressBar {
public:
    /// `total` steps, called `unit` ("ticks").
    ProgressBar(int64_t total, std::string unit, bool terminal);
    /// `done` steps are done.
    void update(int64_t done);
    /// Ends the bar's line.
    void finish();

private:
    std::string describe(int64_t done, double seconds) const;

    int64_t total_;
    std::string unit_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    double lastDrawn_ = -1;
    int tenthsReported_ = 0;
    bool drawn_ = false;
};
