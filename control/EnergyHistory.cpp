#include "control/EnergyHistory.h"

#include "balls/SceneEnergy.h"

#include <cmath>

EnergyHistory::EnergyHistory() : ring_(static_cast<std::size_t>(std::ceil(span / spacing)) + 1) {}

void EnergyHistory::record(double time, const MpSystem& body) {
    if (due(time)) {
        store(time, measureEnergy(body, zeroHeight));
    }
}

void EnergyHistory::record(double time, const std::vector<MpSystem*>& bodies) {
    if (due(time)) {
        store(time, measureEnergy(bodies, zeroHeight));
    }
}

bool EnergyHistory::due(double time) {
    // A step back in time (none is taken by the ticks) starts a new history.
    if (count_ > 0 && time < sample(count_ - 1).time) {
        clear();
    }
    // On a grid of the spacing, whatever the time step: a tick that crosses a line of it takes
    // the sample.
    return count_ == 0 || time >= nextSample_;
}

void EnergyHistory::store(double time, const BodyEnergy& energy) {
    nextSample_ = (std::floor(time / spacing) + 1) * spacing;
    while (count_ > 0 && time - ring_[first_].time > span) {
        first_ = (first_ + 1) % static_cast<int>(ring_.size());
        --count_;
    }
    if (count_ == static_cast<int>(ring_.size())) {
        first_ = (first_ + 1) % count_;
        --count_;
    }
    const int slot = (first_ + count_) % static_cast<int>(ring_.size());
    ring_[slot] = Sample{time, energy};
    ++count_;
}

void EnergyHistory::rewindTo(double time) {
    while (count_ > 0 && sample(count_ - 1).time > time) {
        --count_;
    }
    nextSample_ = (std::floor(time / spacing) + 1) * spacing;
}

void EnergyHistory::clear() {
    first_ = 0;
    count_ = 0;
}

const EnergyHistory::Sample& EnergyHistory::sample(int k) const {
    return ring_[(first_ + k) % static_cast<int>(ring_.size())];
}
