#include "mpsystem/MpSystem.h"

#include "common/Check.h"
#include "common/Finite.h"
#include "common/Gravity.h"
#include "common/Workers.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/SurfaceClosure.h"

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

namespace {

uint64_t nextSerial() {
    static std::atomic<uint64_t> serials{0};
    return ++serials;
}

float largestSide(const std::vector<SbVec3f>& points) {
    if (points.empty()) {
        return 0;
    }
    SbVec3f low = points.front();
    SbVec3f high = low;
    for (const SbVec3f& p : points) {
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], p[axis]);
            high[axis] = std::max(high[axis], p[axis]);
        }
    }
    const SbVec3f side = high - low;
    return std::max(side[0], std::max(side[1], side[2]));
}

} // namespace

MpSystem::MpSystem(std::istream& mesh, float damping, float mass, float stiffness,
                   const char* meshFileName)
    : serial_(nextSerial()), damping_(finiteOrZero(damping)), stiffness_(finiteOrZero(stiffness)) {
    MeshReader reader(mesh, meshFileName);
    adopt(reader.read(mass));
    loadError_ = reader.error();
}

MpSystem::MpSystem(BodyMesh mesh, float damping, float stiffness)
    : serial_(nextSerial()), damping_(finiteOrZero(damping)), stiffness_(finiteOrZero(stiffness)) {
    adopt(std::move(mesh));
}

void MpSystem::adopt(BodyMesh mesh) {
    const std::size_t n = mesh.positions.size();
    PLIMMERTON_CHECK(mesh.masses.size() == n && mesh.texCoords.size() == n &&
                         mesh.restLengths.size() == mesh.springs.size(),
                     "every point has a mass and a texture coordinate, every spring a length");
    const auto isPoint = [n](int32_t i) { return i >= 0 && static_cast<std::size_t>(i) < n; };
    for (const SpringEnds& ends : mesh.springs) {
        PLIMMERTON_CHECK(isPoint(ends.a) && isPoint(ends.b), "a spring joins two of the points");
    }
    for (int32_t i : mesh.faceIndices) {
        PLIMMERTON_CHECK(i == -1 || isPoint(i), "a triangle's corners are points");
    }
    PLIMMERTON_CHECK(n < UINT32_MAX / sizeof(SbVec3f) - 1, "a point's byte offset fits 32 bits");
    numPoints_ = static_cast<int32_t>(n);
    restSize_ = largestSide(mesh.positions);
    startedBelowZero_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        startedBelowZero_[i] = mesh.positions[i][1] < 0.0f;
    }
    positions_ = std::move(mesh.positions);
    // A spare point after the last, so that the fast step may load any point as four numbers.
    positions_.push_back(SbVec3f(0, 0, 0));
    masses_ = std::move(mesh.masses);
    pointMass_ = mesh.pointMass;
    texCoords_ = std::move(mesh.texCoords);
    velocities_.assign(n + 1, SbVec3f(0, 0, 0));
    forces_.assign(n + 1, SbVec3f(0, 0, 0));
    externalForces_.assign(n, SbVec3f(0, 0, 0));
    numSprings_ = static_cast<int32_t>(mesh.springs.size());
    springs_ = std::move(mesh.springs);
    restLengths_ = std::move(mesh.restLengths);
    faceIndices_ = std::move(mesh.faceIndices);
    hasFileTexCoords_ = mesh.hasFileTexCoords;
    restVolume_ =
        SurfacePressure::volumeOf(faceIndices_.data(), faceIndices_.size(), positions_.data());
    restArea_ =
        SurfacePressure::areaOf(faceIndices_.data(), faceIndices_.size(), positions_.data());
    prepareFastStep();
    filePressure_ = mesh.pressure;
    setPressure(filePressure_);
}

namespace {

/// The lengths of `plan`'s slots from rest and last lengths in spring order.
template <typename Length>
void lengthsInSlots(const StepPlan& plan, const std::vector<double>& restLengths,
                    const std::vector<double>& lastLengths, SlotLengths<Length>& lengths) {
    lengths.rest.resize(restLengths.size());
    lengths.last.resize(restLengths.size());
    for (std::size_t k = 0; k < restLengths.size(); ++k) {
        const int32_t s = plan.springInSlot(static_cast<int32_t>(k));
        lengths.rest[k] = static_cast<Length>(restLengths[s]);
        lengths.last[k] = static_cast<Length>(lastLengths[s]);
    }
}

} // namespace

// The fast step's order of work depends only on the springs, so it is laid out once, with the
// helper threads started now rather than in the first tick.
void MpSystem::prepareFastStep() {
    singleLengths_ = std::all_of(restLengths_.begin(), restLengths_.end(), [](double length) {
        return static_cast<double>(static_cast<float>(length)) == length;
    });
    const int parts = workersFor(static_cast<long long>(numSprings_) + numPoints_);
    layOutFastStep(parts, restLengths_);
    // Where struts join any region of the body to any other (a prepared model's, many to a
    // point), every split leaves most points on the boundary, with their forces kept aside and
    // their cache lines shared by the threads: one thread is then faster than two.
    if (parts > 1 && stepPlan_.numBoundaryPoints() > numPoints_ / 10) {
        layOutFastStep(1, restLengths_);
    }
    startWorkers();
}

void MpSystem::splitStep(int parts) {
    std::vector<double> lastLengths(springs_.size());
    for (int32_t s = 0; s < numSprings_; ++s) {
        lastLengths[s] = lastLength(s);
    }
    layOutFastStep(parts, lastLengths);
}

// The state that the step walks spring by spring is kept in the plan's order.
void MpSystem::layOutFastStep(int parts, const std::vector<double>& lastLengths) {
    stepPlan_.build(numPoints_, springs_.data(), numSprings_, parts);
    slotEnds_.resize(springs_.size());
    for (int32_t k = 0; k < numSprings_; ++k) {
        const SpringEnds& ends = springs_[stepPlan_.springInSlot(k)];
        const uint32_t stride = sizeof(SbVec3f);
        slotEnds_[k] = SpringOffsets{static_cast<uint32_t>(ends.a) * stride,
                                     static_cast<uint32_t>(ends.b) * stride};
    }
    if (singleLengths_) {
        lengthsInSlots(stepPlan_, restLengths_, lastLengths, singleSlotLengths_);
    } else {
        lengthsInSlots(stepPlan_, restLengths_, lastLengths, doubleSlotLengths_);
    }
    deferredForces_.assign(stepPlan_.numDeferred(), SbVec3f(0.0f, 0.0f, 0.0f));
}

double MpSystem::lastLength(int s) const {
    const int32_t k = stepPlan_.slotOf(s);
    return singleLengths_ ? singleSlotLengths_.last[k] : doubleSlotLengths_.last[k];
}

// The springs in a fixed number of runs shared among the worker threads, each run's sum kept
// apart and the sums added in order: the same result however many threads take part.
double MpSystem::squaredStretch() const {
    constexpr int runs = 16;
    double sums[runs];
    forEachItem(runs, workersFor(numSprings_), [&](int run) {
        const int32_t first = static_cast<int32_t>(int64_t(numSprings_) * run / runs);
        const int32_t last = static_cast<int32_t>(int64_t(numSprings_) * (run + 1) / runs);
        sums[run] = singleLengths_ ? sumOfSquaredStretches(positions_.data(), slotEnds_.data(),
                                                           singleSlotLengths_, first, last)
                                   : sumOfSquaredStretches(positions_.data(), slotEnds_.data(),
                                                           doubleSlotLengths_, first, last);
    });
    double sum = 0;
    for (double runSum : sums) {
        sum += runSum;
    }
    return sum;
}

MpSystem::~MpSystem() = default;

void MpSystem::setDamping(float c) {
    damping_ = finiteOrZero(c);
}

void MpSystem::setStiffness(float ks) {
    stiffness_ = finiteOrZero(ks);
}

void MpSystem::setPointMass(float m) {
    pointMass_ = finiteOrZero(m);
    const float lowerMass = finiteOrZero(1.5f * pointMass_);
    for (int32_t i = 0; i < numPoints_; ++i) {
        masses_[i] = startedBelowZero_[i] ? lowerMass : pointMass_;
    }
}

const std::string& MpSystem::pressureProblem() const {
    if (!closureKnown_) {
        const SurfaceClosure closure = closureOf(faceIndices_.data(), faceIndices_.size() / 4, 4);
        pressureProblem_ = closure.problem;
        // A closed surface folded flat, or lying in one plane, has no inside to fill.
        if (closure.closed && !(std::fabs(restVolume_) > 0.0 && std::isfinite(restVolume_))) {
            pressureProblem_ = "the surface encloses no volume";
        }
        closureKnown_ = true;
    }
    return pressureProblem_;
}

std::string MpSystem::pressureRefusal() const {
    return "no pressure: " + pressureProblem() + "; only a closed surface holds a gas";
}

bool MpSystem::setPressure(float p) {
    if (!(p > 0.0f) || !std::isfinite(p)) {
        pressure_ = 0;
        return true;
    }
    if (!pressureProblem().empty()) {
        pressure_ = 0;
        return false;
    }
    if (!gasBuilt_) {
        gas_.build(faceIndices_.data(), faceIndices_.size(), numPoints_);
        gasWorkers_ = workersFor(gas_.numTriangles());
        gasBuilt_ = true;
    }
    pressure_ = p;
    return true;
}

float MpSystem::holdingPressure() const {
    double weight = 0;
    for (int32_t i = 0; i < numPoints_; ++i) {
        weight += std::max(0.0f, masses_[i]) * double(gravity);
    }
    return restArea_ > 0.0 ? static_cast<float>(3.0 * weight / restArea_) : 0.0f;
}

double MpSystem::volume() const {
    return SurfacePressure::volumeOf(faceIndices_.data(), faceIndices_.size(), positions_.data());
}

void MpSystem::setPinned(int i, bool pinned) {
    if (i < 0 || i >= numPoints_) {
        return;
    }
    const auto place = std::lower_bound(pinnedPoints_.begin(), pinnedPoints_.end(), i);
    const bool was = place != pinnedPoints_.end() && *place == i;
    const auto k = place - pinnedPoints_.begin();
    if (pinned && !was) {
        pinnedPoints_.insert(place, i);
        pinnedPositions_.insert(pinnedPositions_.begin() + k, positions_[i]);
        velocities_[i].setValue(0.0f, 0.0f, 0.0f);
    } else if (!pinned && was) {
        pinnedPoints_.erase(place);
        pinnedPositions_.erase(pinnedPositions_.begin() + k);
    } else {
        return;
    }
    ++pinChanges_;
}

bool MpSystem::isPinned(int i) const {
    return std::binary_search(pinnedPoints_.begin(), pinnedPoints_.end(), i);
}

// The step moves a pinned point with the rest and this puts it back: no other point's force
// depends on where a point goes within a step, so the others move as if it had never left.
void MpSystem::holdPinnedPoints() {
    for (std::size_t k = 0; k < pinnedPoints_.size(); ++k) {
        const int32_t i = pinnedPoints_[k];
        positions_[i] = pinnedPositions_[k];
        velocities_[i].setValue(0.0f, 0.0f, 0.0f);
    }
}

void MpSystem::moveBy(const SbVec3f& offset) {
    if (!std::isfinite(offset[0]) || !std::isfinite(offset[1]) || !std::isfinite(offset[2])) {
        return;
    }
    for (SbVec3f& p : positions_) {
        p += offset;
    }
    for (SbVec3f& p : pinnedPositions_) {
        p += offset;
    }
}

void MpSystem::turnBy(const SbRotation& turn) {
    // Turned from a copy: the scene-graph library's product may read its source while it
    // writes.
    for (int32_t i = 0; i < numPoints_; ++i) {
        const SbVec3f before = positions_[i];
        turn.multVec(before, positions_[i]);
    }
    for (SbVec3f& p : pinnedPositions_) {
        const SbVec3f before = p;
        turn.multVec(before, p);
    }
}

SbVec3f MpSystem::pointPosition(int i) const {
    if (i < 0 || i >= numPoints_) {
        return SbVec3f(0, 0, 0);
    }
    return positions_[i];
}

void MpSystem::addExternalForce(int i, const SbVec3f& f) {
    if (i < 0 || i >= numPoints_) {
        return;
    }
    const SbVec3f sum = externalForces_[i] + f;
    if (isFinite(sum)) {
        externalForces_[i] = sum;
    }
}

void MpSystem::stepSequential(float dt) {
    // A step that does not move time forward moves nothing. The external forces were meant for
    // this step and deliver no impulse over no time, so they are used up; the last lengths keep
    // measuring from the last step that moved the points, so the next real step still damps
    // the change of length it sees.
    stoppedPoints_.store(false, std::memory_order_relaxed);
    if (dt > 0.0f && std::isfinite(dt)) {
        if (pressure_ > 0.0f) {
            gas_.addPlainForces(pressure_, restVolume_, positions_.data(), externalForces_.data());
        }
        addGravityAndExternalForces();
        addSpringForces(dt);
        integrate(dt);
        holdPinnedPoints();
    }
    clearExternalForces();
}

// Each force pass rebuilds the accumulator from scratch, so forces gathered by the contact pass
// since the last step act exactly once.
void MpSystem::addGravityAndExternalForces() {
    for (int32_t i = 0; i < numPoints_; ++i) {
        forces_[i] = externalForces_[i] + SbVec3f(0.0f, -gravity * masses_[i], 0.0f);
    }
}

// Every spring is visited exactly once, because springForce advances its last length.
void MpSystem::addSpringForces(float dt) {
    for (int32_t s = 0; s < numSprings_; ++s) {
        const SbVec3f f = springForce(s, dt);
        forces_[springs_[s].a] += f;
        forces_[springs_[s].b] -= f;
    }
}

// Semi-implicit Euler: the position moves with the velocity just updated, which keeps the
// springs stable at the time steps the program offers.
void MpSystem::integrate(float dt) {
    for (int32_t i = 0; i < numPoints_; ++i) {
        const float m = masses_[i];
        // A massless (or negative) point would accelerate without bound: it stays where it is.
        if (m > 0.0f) {
            movePoint(i, forces_[i], m, dt);
        }
    }
}

void MpSystem::movePoint(int32_t i, const SbVec3f& f, float m, float dt) {
    const float c = damping_;
    const SbVec3f& v = velocities_[i];
    const SbVec3f& p = positions_[i];
    // Each component divided by the mass; the library's vector division multiplies by the
    // reciprocal, which rounds differently.
    const SbVec3f a((f[0] - c * v[0]) / m, (f[1] - c * v[1]) / m, (f[2] - c * v[2]) / m);
    const SbVec3f newVelocity = v + dt * a;
    const SbVec3f newPosition = p + dt * newVelocity;
    if (isFinite(newVelocity) && isFinite(newPosition)) {
        velocities_[i] = newVelocity;
        positions_[i] = newPosition;
    } else {
        // Forces beyond single precision (a diverging body, absurd settings): the point stops
        // where it is rather than carry infinity into the scene and the contacts.
        velocities_[i].setValue(0.0f, 0.0f, 0.0f);
        stoppedPoints_.store(true, std::memory_order_relaxed);
    }
}

void MpSystem::clearExternalForces() {
    for (int32_t i = 0; i < numPoints_; ++i) {
        externalForces_[i].setValue(0.0f, 0.0f, 0.0f);
    }
}

SbVec3f MpSystem::springForce(int s, float dt) {
    const SpringEnds ends = springs_[s];
    const SbVec3f d = positions_[ends.a] - positions_[ends.b];
    const float length = d.length();
    const int32_t k = stepPlan_.slotOf(s);
    auto setLastLength = [&](double value) {
        if (singleLengths_) {
            singleSlotLengths_.last[k] = static_cast<float>(value);
        } else {
            doubleSlotLengths_.last[k] = value;
        }
    };
    if (length == 0.0f) {
        // Coincident ends give the spring no direction to act in.
        setLastLength(0.0);
        return SbVec3f(0.0f, 0.0f, 0.0f);
    }
    if (!std::isfinite(length)) {
        return SbVec3f(0.0f, 0.0f, 0.0f);
    }
    const double kd = springDamping_;
    const double ks = stiffness_;
    const double len = length;
    // The rate of change needs a time span; over none the spring has only its elastic part.
    const float fd = dt > 0.0f ? static_cast<float>(-kd * (len - lastLength(s)) / dt / len) : 0.0f;
    const float fs = static_cast<float>(-ks * (len - restLengths_[s]) / len);
    setLastLength(len);
    const SbVec3f f = d * (fs + fd);
    return isFinite(f) ? f : SbVec3f(0.0f, 0.0f, 0.0f);
}
