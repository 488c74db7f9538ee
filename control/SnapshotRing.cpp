#include "control/SnapshotRing.h"

#include "common/Check.h"
#include "mpsystem/MpSystem.h"

#include <cmath>

void SnapshotRing::prepare(const std::vector<MpSystem*>& bodies, int ballRoom) {
    serials_.clear();
    for (const MpSystem* body : bodies) {
        serials_.push_back(body->serial());
    }
    for (SimulationSnapshot& snapshot : ring_) {
        snapshot.bodies.clear();
        for (const MpSystem* body : bodies) {
            snapshot.bodies.emplace_back(*body);
        }
        snapshot.balls.clear();
        snapshot.balls.reserve(static_cast<size_t>(ballRoom));
    }
    prepared_ = true;
    first_ = 0;
    count_ = 0;
}

bool SnapshotRing::preparedFor(const std::vector<MpSystem*>& bodies) const {
    if (!prepared_ || bodies.size() != serials_.size()) {
        return false;
    }
    for (size_t k = 0; k < bodies.size(); ++k) {
        if (bodies[k]->serial() != serials_[k]) {
            return false;
        }
    }
    return true;
}

bool SnapshotRing::due(double time) const {
    if (count_ == 0) {
        return true;
    }
    const double newest = at(count_ - 1).time;
    return time >= (std::floor(newest / spacing) + 1) * spacing;
}

void SnapshotRing::take(double time, int64_t ticks, float timeStep, bool sound,
                        const std::vector<MpSystem*>& bodies, const BallSet& balls) {
    PLIMMERTON_CHECK(preparedFor(bodies), "snapshots are taken of the bodies prepared for");
    if (count_ == capacity) {
        first_ = (first_ + 1) % capacity;
        --count_;
    }
    SimulationSnapshot& snapshot = slot(count_);
    snapshot.time = time;
    snapshot.ticks = ticks;
    snapshot.timeStep = timeStep;
    snapshot.sound = sound;
    for (size_t k = 0; k < bodies.size(); ++k) {
        bodies[k]->captureState(snapshot.bodies[k]);
    }
    captureBalls(balls, snapshot.balls);
    ++count_;
}

const SimulationSnapshot& SnapshotRing::at(int k) const {
    return ring_[(first_ + k) % capacity];
}

int SnapshotRing::choose(double now, bool backToSound) const {
    if (count_ == 0) {
        return -1;
    }
    if (backToSound) {
        for (int k = count_ - 1; k >= 0; --k) {
            if (at(k).sound) {
                return k;
            }
        }
    }
    for (int k = count_ - 1; k >= 0; --k) {
        if (at(k).time <= now - (rewindSpan - spacing / 2)) {
            return k;
        }
    }
    return 0;
}

void SnapshotRing::keepUpTo(int k) {
    if (k >= 0 && k < count_) {
        count_ = k + 1;
    }
}
