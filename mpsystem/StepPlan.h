#pragma once

#include <cstdint>
#include <vector>

struct SpringEnds;

/// The order in which the fast step visits springs and points, made once when the body is
/// read, for a number of parts that run side by side.
///
/// Every point belongs to one part. A breadth-first walk along the springs orders the points,
/// and each part takes a run of that order of about equal work. Struts join far sides of a
/// body, so the walk reaches both ends of a strut at about the same time and one part holds
/// both: few springs join points of two parts, however the body is braced. A part visits the
/// springs of its points (a spring between two parts belongs to the part of its end a) in
/// increasing index order, the order in which the plain step adds them; their data is kept in
/// that order, each spring in a slot of its own.
///
/// A part visits its slots in chunks. A point's force starts (external force and weight) just
/// before the chunk of its first spring, takes each spring's force as its chunk is done and is
/// finished (the point moves) just after the chunk of its last spring. A point with a spring
/// visited by another part is a boundary point: from that spring on, the forces of its springs
/// are kept aside in deferred slots, and it is finished after all parts are done, adding them in
/// spring order. The parts can therefore run in any order or at the same time, and every sum is
/// the plain step's.
class StepPlan {
public:
    /// Springs per chunk: a chunk's forces stay in the fastest cache until they are added.
    static constexpr int32_t chunkSize = 256;

    /// Lays out the plan in time and memory linear in points + springs.
    void build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings, int parts);

    int parts() const { return parts_; }
    /// The spring in slot k, and the slot of spring s.
    int32_t springInSlot(int32_t k) const { return springOfSlot_[k]; }
    int32_t slotOf(int32_t s) const { return slotOfSpring_[s]; }
    /// Chunks of part t: [firstChunk(t), firstChunk(t + 1)); chunk c holds the slots
    /// [chunkBegin(c), chunkBegin(c + 1)).
    int32_t firstChunk(int t) const { return partChunks_[t]; }
    int32_t chunkBegin(int32_t c) const { return chunkSlots_[c]; }

    /// Points whose accumulators start before chunk c.
    const int32_t* startsBegin(int32_t c) const { return startPoints_.data() + startOffsets_[c]; }
    const int32_t* startsEnd(int32_t c) const { return startPoints_.data() + startOffsets_[c + 1]; }
    /// Points finished after chunk c.
    const int32_t* finishesBegin(int32_t c) const {
        return finishPoints_.data() + finishOffsets_[c];
    }
    const int32_t* finishesEnd(int32_t c) const {
        return finishPoints_.data() + finishOffsets_[c + 1];
    }

    /// Spring ends whose forces are kept aside, in slot order, each as 2 k for end a of the
    /// spring in slot k or 2 k + 1 for its end b; their place in this list is their deferred
    /// slot. Part t's lie in [firstDeferred(t), firstDeferred(t + 1)).
    const uint32_t* deferredEnds() const { return deferredEnds_.data(); }
    int32_t firstDeferred(int t) const { return partDeferred_[t]; }
    int32_t numDeferred() const { return static_cast<int32_t>(deferredEnds_.size()); }

    /// The boundary points, part by part (part t's are [firstBoundary(t), firstBoundary(t + 1))),
    /// and for boundary point k its deferred slots in spring order:
    /// [boundarySlotsBegin(k), boundarySlotsEnd(k)).
    int32_t numBoundaryPoints() const { return static_cast<int32_t>(boundaryPoints_.size()); }
    int32_t firstBoundary(int t) const { return partBoundary_[t]; }
    int32_t boundaryPoint(int32_t k) const { return boundaryPoints_[k]; }
    const int32_t* boundaryPoints() const { return boundaryPoints_.data(); }
    const int32_t* boundarySlotsBegin(int32_t k) const {
        return boundarySlots_.data() + boundaryOffsets_[k];
    }
    const int32_t* boundarySlotsEnd(int32_t k) const {
        return boundarySlots_.data() + boundaryOffsets_[k + 1];
    }

private:
    int parts_ = 1;
    std::vector<int32_t> springOfSlot_;
    std::vector<int32_t> slotOfSpring_;
    std::vector<int32_t> partChunks_;
    std::vector<int32_t> chunkSlots_;
    std::vector<int32_t> startOffsets_;
    std::vector<int32_t> startPoints_;
    std::vector<int32_t> finishOffsets_;
    std::vector<int32_t> finishPoints_;
    std::vector<uint32_t> deferredEnds_;
    std::vector<int32_t> partDeferred_;
    std::vector<int32_t> partBoundary_;
    std::vector<int32_t> boundaryPoints_;
    std::vector<int32_t> boundaryOffsets_;
    std::vector<int32_t> boundarySlots_;
};
