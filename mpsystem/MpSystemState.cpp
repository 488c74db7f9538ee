// A body's state taken out and put back: the arrays its steps walk, copied whole, and the last
// lengths moved between the step plan's slots and spring order.

#include "mpsystem/MpSystem.h"

#include "common/Check.h"

#include <algorithm>

namespace {

bool sized(const BodyState& state, const MpSystem& body) {
    const size_t n = static_cast<size_t>(body.numPoints());
    const size_t s = static_cast<size_t>(body.numSprings());
    const std::vector<float>& single = state.singleLastLengths;
    const std::vector<double>& twice = state.doubleLastLengths;
    return state.positions.size() == n && state.velocities.size() == n &&
           state.externalForces.size() == n && state.masses.size() == n &&
           state.pinned.size() == n &&
           (body.hasSingleLengths() ? single.size() == s && twice.empty()
                                    : twice.size() == s && single.empty());
}

template <typename Length>
void slotsToSprings(const StepPlan& plan, const std::vector<Length>& slots,
                    std::vector<Length>& springs) {
    for (size_t s = 0; s < springs.size(); ++s) {
        springs[s] = slots[plan.slotOf(static_cast<int32_t>(s))];
    }
}

template <typename Length>
void springsToSlots(const StepPlan& plan, const std::vector<Length>& springs,
                    std::vector<Length>& slots) {
    for (size_t s = 0; s < springs.size(); ++s) {
        slots[plan.slotOf(static_cast<int32_t>(s))] = springs[s];
    }
}

} // namespace

void MpSystem::captureState(BodyState& state) const {
    PLIMMERTON_CHECK(sized(state, *this), "the state was made for a body of this size");
    const size_t n = static_cast<size_t>(numPoints_);
    std::copy_n(positions_.data(), n, state.positions.data());
    std::copy_n(velocities_.data(), n, state.velocities.data());
    std::copy_n(externalForces_.data(), n, state.externalForces.data());
    std::copy_n(masses_.data(), n, state.masses.data());
    if (singleLengths_) {
        slotsToSprings(stepPlan_, singleSlotLengths_.last, state.singleLastLengths);
    } else {
        slotsToSprings(stepPlan_, doubleSlotLengths_.last, state.doubleLastLengths);
    }
    state.stiffness = stiffness_;
    state.damping = damping_;
    state.pointMass = pointMass_;
    state.pressure = pressure_;
    std::fill(state.pinned.begin(), state.pinned.end(), uint8_t(0));
    for (int32_t i : pinnedPoints_) {
        state.pinned[static_cast<size_t>(i)] = 1;
    }
    state.bodySerial = serial_;
}

void MpSystem::restoreState(const BodyState& state) {
    PLIMMERTON_CHECK(sized(state, *this), "the state is of a body of this size");
    const size_t n = static_cast<size_t>(numPoints_);
    std::copy_n(state.positions.data(), n, positions_.data());
    std::copy_n(state.velocities.data(), n, velocities_.data());
    std::copy_n(state.externalForces.data(), n, externalForces_.data());
    std::copy_n(state.masses.data(), n, masses_.data());
    if (singleLengths_) {
        springsToSlots(stepPlan_, state.singleLastLengths, singleSlotLengths_.last);
    } else {
        springsToSlots(stepPlan_, state.doubleLastLengths, doubleSlotLengths_.last);
    }
    stiffness_ = state.stiffness;
    damping_ = state.damping;
    pointMass_ = state.pointMass;
    // A state with a gas was taken from a surface that holds one.
    setPressure(state.pressure);
    pinnedPoints_.clear();
    pinnedPositions_.clear();
    for (int32_t i = 0; i < numPoints_; ++i) {
        if (state.pinned[static_cast<size_t>(i)] != 0) {
            pinnedPoints_.push_back(i);
            pinnedPositions_.push_back(positions_[static_cast<size_t>(i)]);
        }
    }
    ++pinChanges_;
    // No step has stopped a point of the state put back: it was captured after a sound one.
    stoppedPoints_.store(false, std::memory_order_relaxed);
}
