#include "control/EnergyHistory.h"

#include <cmath>

EnergyHistory::EnergyHistory() : ring_(static_cast<std::size_t>(std::ceil(span / spacing)) + 1) {}

void EnergyHistory::record(double time, const MpSystem& body) {
    if (count_ > 0) {
        const double last = sample(count_ - 1).time;
        // A step back in time (none is taken by the ticks) starts a new history.
        if (time < last) {
            clear();
        } else if (time - last < spacing) {
            return;
        }
    }
    while (count_ > 0 && time - ring_[first_].time > span) {
        first_ = (first_ + 1) % static_cast<int>(ring_.size());
        --count_;
    }
    if (count_ == static_cast<int>(ring_.size())) {
        first_ = (first_ + 1) % count_;
        --count_;
    }
    const int slot = (first_ + count_) % static_cast<int>(ring_.size());
    ring_[slot] = Sample{time, measureEnergy(body, zeroHeight)};
    ++count_;
}

void EnergyHistory::clear() {
    first_ = 0;
    count_ = 0;
}

const EnergyHistory::Sample& EnergyHistory::sample(int k) const {
    return ring_[(first_ + k) % static_cast<int>(ring_.size())];
}
