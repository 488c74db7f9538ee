#pragma once

#include <cstdint>
#include <vector>

struct SpringEnds;

/// The order in which the fast step visits springs and points, made once when the body is
/// read, for a number of parts that run side by side.
///
/// The springs are split into `parts` runs of consecutive springs, and each run into chunks.
/// A point belongs to the part of its first spring. Its force accumulator starts (external
/// force and weight) just before the chunk of its first spring, takes each spring's force as
/// the chunk that holds it is done, in spring order as the plain step adds them, and is
/// finished (the point moves) just after the chunk of its last spring: no later spring reads
/// its position. A point whose springs reach into later parts is a boundary point: those
/// parts keep their forces on it aside, in deferred slots, and it is finished after all parts
/// are done, adding the deferred forces in spring order. The parts can therefore run in any
/// order or at the same time, and every sum is the plain step's.
class StepPlan {
public:
    /// Springs per chunk: a chunk's forces stay in the fastest cache until they are added.
    static constexpr int32_t chunkSize = 256;

    /// Lays out the plan in time and memory linear in points + springs.
    void build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings, int parts);

    int parts() const { return parts_; }
    /// Chunks of part t: [firstChunk(t), firstChunk(t + 1)); chunk c holds the springs
    /// [c * chunkSize, min((c + 1) * chunkSize, S)).
    int32_t firstChunk(int t) const { return partChunks_[t]; }

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

    /// Spring ends whose point belongs to an earlier part, in spring order, each as 2 s for end
    /// a or 2 s + 1 for end b; their place in this list is their deferred slot. Part t's lie in
    /// [firstDeferred(t), firstDeferred(t + 1)).
    const uint32_t* deferredEnds() const { return deferredEnds_.data(); }
    int32_t firstDeferred(int t) const { return partDeferred_[t]; }
    int32_t numDeferred() const { return static_cast<int32_t>(deferredEnds_.size()); }

    /// The boundary points, and for boundary point k its deferred slots in spring order:
    /// [boundarySlotsBegin(k), boundarySlotsEnd(k)) in boundarySlots().
    int32_t numBoundaryPoints() const { return static_cast<int32_t>(boundaryPoints_.size()); }
    int32_t boundaryPoint(int32_t k) const { return boundaryPoints_[k]; }
    const int32_t* boundarySlotsBegin(int32_t k) const {
        return boundarySlots_.data() + boundaryOffsets_[k];
    }
    const int32_t* boundarySlotsEnd(int32_t k) const {
        return boundarySlots_.data() + boundaryOffsets_[k + 1];
    }

private:
    int parts_ = 1;
    std::vector<int32_t> partChunks_;
    std::vector<int32_t> startOffsets_;
    std::vector<int32_t> startPoints_;
    std::vector<int32_t> finishOffsets_;
    std::vector<int32_t> finishPoints_;
    std::vector<uint32_t> deferredEnds_;
    std::vector<int32_t> partDeferred_;
    std::vector<int32_t> boundaryPoints_;
    std::vector<int32_t> boundaryOffsets_;
    std::vector<int32_t> boundarySlots_;
};
