#include "mpsystem/StepPlan.h"

#include "common/Check.h"
#include "mpsystem/BodyMesh.h"

#include <algorithm>
#include <climits>

namespace {

/// Sorts `count` items into buckets by key with one counting pass: `offsets` gets the start of
/// every bucket (and the end of the last), `items` the items bucket by bucket, each bucket in
/// increasing item order. Items whose key is negative are left out.
template <typename Key>
void bucketSort(int32_t count, int32_t buckets, Key key, std::vector<int32_t>& offsets,
                std::vector<int32_t>& items) {
    offsets.assign(static_cast<size_t>(buckets) + 1, 0);
    for (int32_t i = 0; i < count; ++i) {
        if (key(i) >= 0) {
            ++offsets[key(i) + 1];
        }
    }
    for (int32_t b = 0; b < buckets; ++b) {
        offsets[b + 1] += offsets[b];
    }
    items.assign(static_cast<size_t>(offsets[buckets]), 0);
    std::vector<int32_t> cursor(offsets.begin(), offsets.end() - 1);
    for (int32_t i = 0; i < count; ++i) {
        if (key(i) >= 0) {
            items[cursor[key(i)]++] = i;
        }
    }
    for (int32_t b = 0; b < buckets; ++b) {
        PLIMMERTON_CHECK(cursor[b] == offsets[b + 1], "each bucket is filled to its end");
    }
}

/// The spring ends at each point in spring order, each as 2 s for end a of spring s or 2 s + 1
/// for its end b (a spring that joins a point to itself is there twice).
struct EndsByPoint {
    EndsByPoint(int32_t numPoints, const SpringEnds* springs, int32_t numSprings) {
        bucketSort(
            2 * numSprings, numPoints,
            [&](int32_t end) { return (end & 1) != 0 ? springs[end >> 1].b : springs[end >> 1].a; },
            offsets, ends);
    }
    int32_t begin(int32_t p) const { return offsets[p]; }
    int32_t end(int32_t p) const { return offsets[p + 1]; }

    std::vector<int32_t> offsets;
    std::vector<int32_t> ends;
};

/// The points in the order in which a breadth-first walk along the springs reaches them, each
/// piece of the body that no spring joins to the rest from its lowest point on.
std::vector<int32_t> walkOrder(int32_t numPoints, const SpringEnds* springs,
                               const EndsByPoint& byPoint) {
    std::vector<int8_t> reached(numPoints, 0);
    std::vector<int32_t> order;
    order.reserve(numPoints);
    for (int32_t seed = 0; seed < numPoints; ++seed) {
        if (reached[seed] != 0) {
            continue;
        }
        reached[seed] = 1;
        order.push_back(seed);
        for (std::size_t next = order.size() - 1; next < order.size(); ++next) {
            const int32_t p = order[next];
            for (int32_t k = byPoint.begin(p); k < byPoint.end(p); ++k) {
                const int32_t e = byPoint.ends[k];
                const int32_t q = (e & 1) != 0 ? springs[e >> 1].a : springs[e >> 1].b;
                if (reached[q] == 0) {
                    reached[q] = 1;
                    order.push_back(q);
                }
            }
        }
    }
    return order;
}

} // namespace

void StepPlan::build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings, int parts) {
    parts_ = std::clamp<int32_t>(parts, 1,
                                 std::max<int32_t>(1, (numSprings + chunkSize - 1) / chunkSize));
    const EndsByPoint byPoint(numPoints, springs, numSprings);

    // Runs of the walk's order of about equal work (a point costs about as much as a spring)
    // make the parts; a spring belongs to the part of its end a.
    std::vector<int32_t> owner(numPoints, 0);
    const int64_t work = 2 * static_cast<int64_t>(numPoints) + 2 * int64_t{numSprings};
    int64_t before = 0;
    for (int32_t p : walkOrder(numPoints, springs, byPoint)) {
        owner[p] = static_cast<int32_t>(std::min<int64_t>(parts_ - 1, before * parts_ / work));
        before += 2 + byPoint.end(p) - byPoint.begin(p);
    }
    auto partOf = [&](int32_t s) { return owner[springs[s].a]; };

    // From the first spring that another part visits on, a point's springs are deferred.
    std::vector<int32_t> firstForeign(numPoints, INT32_MAX);
    for (int32_t p = 0; p < numPoints; ++p) {
        for (int32_t k = byPoint.begin(p); k < byPoint.end(p); ++k) {
            const int32_t s = byPoint.ends[k] >> 1;
            if (partOf(s) != owner[p]) {
                firstForeign[p] = s;
                break;
            }
        }
    }
    auto added = [&](int32_t s, int32_t p) { return s < firstForeign[p]; };

    // Each part visits its springs in increasing index order, which adds every point's forces
    // in the plain step's order and walks the arrays about as the mesh file laid them out.
    std::vector<int32_t> partSlots;
    bucketSort(numSprings, parts_, partOf, partSlots, springOfSlot_);
    slotOfSpring_.assign(numSprings, 0);
    for (int32_t k = 0; k < numSprings; ++k) {
        slotOfSpring_[springOfSlot_[k]] = k;
    }

    // Chunks part by part; a part without springs still has one, empty, for its points.
    partChunks_.assign(parts_ + 1, 0);
    chunkSlots_.clear();
    for (int t = 0; t < parts_; ++t) {
        partChunks_[t] = static_cast<int32_t>(chunkSlots_.size());
        for (int32_t k = partSlots[t]; k < partSlots[t + 1] || k == partSlots[t]; k += chunkSize) {
            chunkSlots_.push_back(k);
        }
    }
    partChunks_[parts_] = static_cast<int32_t>(chunkSlots_.size());
    chunkSlots_.push_back(numSprings);
    auto chunkOfSlot = [&](int32_t k) {
        const int t = partOf(springOfSlot_[k]);
        return partChunks_[t] + (k - partSlots[t]) / chunkSize;
    };

    // A point starts before the chunk of its first added spring and, unless it is a boundary
    // point, finishes after the chunk of its last; one without added springs does both in its
    // part's first chunk.
    const int32_t chunks = partChunks_[parts_];
    std::vector<int32_t> startChunk(numPoints, 0);
    std::vector<int32_t> finishChunk(numPoints, 0);
    for (int32_t p = 0; p < numPoints; ++p) {
        int32_t first = -1;
        int32_t last = -1;
        for (int32_t k = byPoint.begin(p); k < byPoint.end(p); ++k) {
            const int32_t s = byPoint.ends[k] >> 1;
            if (added(s, p)) {
                first = first < 0 ? s : first;
                last = s;
            }
        }
        const int32_t own = partChunks_[owner[p]];
        startChunk[p] = first < 0 ? own : chunkOfSlot(slotOfSpring_[first]);
        finishChunk[p] = firstForeign[p] != INT32_MAX ? -1
                         : last < 0                   ? own
                                                      : chunkOfSlot(slotOfSpring_[last]);
    }
    bucketSort(
        numPoints, chunks, [&](int32_t p) { return startChunk[p]; }, startOffsets_, startPoints_);
    bucketSort(
        numPoints, chunks, [&](int32_t p) { return finishChunk[p]; }, finishOffsets_,
        finishPoints_);

    // The deferred ends in slot order, which keeps each part's together.
    deferredEnds_.clear();
    partDeferred_.assign(parts_ + 1, 0);
    std::vector<int32_t> deferredSlotOfEnd(2 * static_cast<size_t>(numSprings), -1);
    for (int32_t k = 0; k < numSprings; ++k) {
        const int32_t s = springOfSlot_[k];
        for (int end = 0; end < 2; ++end) {
            if (!added(s, end != 0 ? springs[s].b : springs[s].a)) {
                deferredSlotOfEnd[2 * static_cast<size_t>(s) + end] = numDeferred();
                deferredEnds_.push_back(2 * static_cast<uint32_t>(k) + end);
                ++partDeferred_[partOf(s) + 1];
            }
        }
    }
    for (int t = 0; t < parts_; ++t) {
        partDeferred_[t + 1] += partDeferred_[t];
    }

    // Boundary points part by part, each with its slots in spring order: a part's own boundary
    // points are finished by the thread that took the part, whose caches hold their data.
    std::vector<int32_t> boundaryByPart;
    bucketSort(
        numPoints, parts_, [&](int32_t p) { return firstForeign[p] == INT32_MAX ? -1 : owner[p]; },
        partBoundary_, boundaryByPart);
    boundaryPoints_.clear();
    boundaryOffsets_.assign(1, 0);
    boundarySlots_.clear();
    for (int32_t p : boundaryByPart) {
        boundaryPoints_.push_back(p);
        for (int32_t k = byPoint.begin(p); k < byPoint.end(p); ++k) {
            const int32_t end = byPoint.ends[k];
            if (!added(end >> 1, p)) {
                PLIMMERTON_CHECK(deferredSlotOfEnd[end] >= 0, "a deferred end has a slot");
                boundarySlots_.push_back(deferredSlotOfEnd[end]);
            }
        }
        boundaryOffsets_.push_back(static_cast<int32_t>(boundarySlots_.size()));
    }
    PLIMMERTON_CHECK(static_cast<int32_t>(boundarySlots_.size()) == numDeferred(),
                     "each deferred slot belongs to one boundary point");
}
