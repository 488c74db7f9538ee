#pragma once

#include "mpsystem/BodyEnergy.h"

#include <vector>

class MpSystem;

/// The bodies' energy over the last stretch of simulated time, for the plot over the view.
///
/// A sample costs a pass over the points and the springs, a seventh of a tick at 163,842 points,
/// so the history takes one only as the ticks cross the lines of a grid of `spacing` seconds
/// of simulated time: a sample for every two pixels of a plot's width, every sixth or seventh
/// tick at time step 0.012, which keeps the plot under 5% of the ticks' time. Nothing is
/// measured while the plot is hidden. The samples sit in a ring of
/// fixed size, so recording allocates nothing.
class EnergyHistory {
public:
    struct Sample {
        double time;
        BodyEnergy energy;
    };

    /// The stretch of simulated time kept, in seconds.
    static constexpr double span = 20.0;
    /// Simulated seconds between two samples.
    static constexpr double spacing = span / 250;

    EnergyHistory();

    /// Where a point holds no height energy: the floor's level, which the scene knows.
    float zeroHeight = 0;

    /// Takes a sample of `body` at simulated time `time` when one is due; forgets the samples
    /// older than the span.
    void record(double time, const MpSystem& body);
    /// The same of every one of `bodies`, their energies summed (balls/SceneEnergy.h).
    void record(double time, const std::vector<MpSystem*>& bodies);
    /// Forgets every sample: the plot starts afresh.
    void clear();
    /// Forgets the samples after `time`, to which the simulation went back: the plot goes on
    /// from there.
    void rewindTo(double time);

    int size() const { return count_; }
    /// Sample k, oldest first (k in 0 .. size() - 1).
    const Sample& sample(int k) const;

private:
    /// Whether a sample falls due at `time` (a time before the newest sample's clears them).
    bool due(double time);
    void store(double time, const BodyEnergy& energy);

    std::vector<Sample> ring_;
    int first_ = 0;
    int count_ = 0;
    /// The simulated time from which the next sample is due.
    double nextSample_ = 0;
};
