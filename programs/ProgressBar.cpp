#include "programs/ProgressBar.h"

#include <cstdio>
#include <iostream>
#include <sstream>

namespace {

constexpr int barWidth = 30;
/// A terminal's bar is redrawn at most this often, in seconds.
constexpr double redrawInterval = 0.2;

} // namespace

ProgressBar::ProgressBar(int64_t total, std::string unit, bool terminal)
    : total_(total), unit_(std::move(unit)), terminal_(terminal) {}

void ProgressBar::update(int64_t done) {
    if (total_ <= 0) {
        return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (terminal_) {
        if (done < total_ && seconds - lastDrawn_ < redrawInterval) {
            return;
        }
        lastDrawn_ = seconds;
        const int filled = static_cast<int>(barWidth * done / total_);
        std::cerr << "\r[" << std::string(filled, '#') << std::string(barWidth - filled, '.')
                  << "] " << describe(done, seconds) << "   " << std::flush;
        drawn_ = true;
        return;
    }
    const int tenths = static_cast<int>(10 * done / total_);
    if (tenths > tenthsReported_) {
        tenthsReported_ = tenths;
        std::cerr << describe(done, seconds) << std::endl;
    }
}

void ProgressBar::finish() {
    if (drawn_) {
        std::cerr << std::endl;
        drawn_ = false;
    }
}

std::string ProgressBar::describe(int64_t done, double seconds) const {
    std::ostringstream text;
    text << 100 * done / total_ << "%  " << done << " of " << total_ << " " << unit_;
    if (seconds > 0 && done > 0) {
        const double rate = done / seconds;
        char figures[64];
        std::snprintf(figures, sizeof figures, "  %.1f %s/s  %.0f s left", rate, unit_.c_str(),
                      (total_ - done) / rate);
        text << figures;
    }
    return text.str();
}
