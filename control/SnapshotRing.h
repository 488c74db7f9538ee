#pragma once

#include "balls/BallsState.h"
#include "mpsystem/BodyState.h"

#include <array>
#include <cstdint>
#include <vector>

class BallSet;
class MpSystem;

/// The whole simulation at one moment: the state of each body (in the order of the contacts'
/// list of bodies), the balls with their lights, the simulated time and the time step in force
/// then (a body's own values travel with its state).
struct SimulationSnapshot {
    double time = 0;
    /// Ticks run by then (ProgramState::ticksRun).
    int64_t ticks = 0;
    float timeStep = 0;
    /// The time step lay within the stable one then and every body was in the arena.
    bool sound = true;
    std::vector<BodyState> bodies;
    std::vector<BallState> balls;
};

/// The last few snapshots of the simulation, one each simulated second, to go back to.
///
/// The ring is made for its bodies when they are made, every snapshot's arrays sized then, so
/// that taking a snapshot in a tick copies and allocates nothing. A snapshot costs one pass
/// over each body's points and springs, once a simulated second: at time step 0.012 once in
/// 83 ticks.
class SnapshotRing {
public:
    static constexpr int capacity = 5;
    /// Simulated seconds between two snapshots.
    static constexpr double spacing = 1.0;
    /// How far going back goes when nothing blew up: about this many seconds.
    static constexpr double rewindSpan = 2.0;

    /// Forgets every snapshot and makes room for those of `bodies` and of up to `ballRoom`
    /// balls (more still fit, at the cost of an allocation).
    void prepare(const std::vector<MpSystem*>& bodies, int ballRoom);
    /// The ring was made for exactly these bodies (by their serials).
    bool preparedFor(const std::vector<MpSystem*>& bodies) const;

    /// A snapshot falls due at simulated time `time`: when the ring holds none, or `time` has
    /// reached the next whole spacing after the newest.
    bool due(double time) const;
    /// Takes a snapshot of `bodies` (those the ring was prepared for) and `balls` in place of
    /// the oldest when the ring is full.
    void take(double time, int64_t ticks, float timeStep, bool sound,
              const std::vector<MpSystem*>& bodies, const BallSet& balls);

    int size() const { return count_; }
    /// Snapshot k, oldest first (k in 0 .. size() - 1).
    const SimulationSnapshot& at(int k) const;

    /// The snapshot to go back to at simulated time `now`: to undo a blow-up or bring back a
    /// body that left the arena (`backToSound`), the newest sound one, if any (every snapshot
    /// is of a moment before the trouble was seen); otherwise the newest at least
    /// rewindSpan - spacing / 2 older than `now`, so that going back takes about rewindSpan
    /// seconds, else the oldest. -1 when the ring is empty.
    int choose(double now, bool backToSound) const;
    /// Forgets the snapshots newer than snapshot k: the run goes on from it.
    void keepUpTo(int k);

private:
    SimulationSnapshot& slot(int k) { return ring_[(first_ + k) % capacity]; }

    std::array<SimulationSnapshot, capacity> ring_;
    std::vector<uint64_t> serials_;
    bool prepared_ = false;
    int first_ = 0;
    int count_ = 0;
};
