#include "mpsystem/StepPlan.h"

#include "common/Check.h"
#include "mpsystem/BodyMesh.h"

#include <algorithm>

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

} // namespace

void StepPlan::build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings, int parts) {
    const int32_t chunks = std::max<int32_t>(1, (numSprings + chunkSize - 1) / chunkSize);
    parts_ = std::clamp<int32_t>(parts, 1, chunks);
    partChunks_.resize(parts_ + 1);
    for (int t = 0; t <= parts_; ++t) {
        partChunks_[t] = static_cast<int32_t>(static_cast<int64_t>(chunks) * t / parts_);
    }
    auto partOfChunk = [&](int32_t c) {
        return static_cast<int>(std::upper_bound(partChunks_.begin(), partChunks_.end(), c) -
                                partChunks_.begin() - 1);
    };

    // Each point's first and last spring; a point without springs starts and ends in chunk 0.
    std::vector<int32_t> first(numPoints, -1);
    std::vector<int32_t> last(numPoints, -1);
    for (int32_t s = 0; s < numSprings; ++s) {
        for (int32_t p : {springs[s].a, springs[s].b}) {
            if (first[p] < 0) {
                first[p] = s;
            }
            last[p] = s;
        }
    }
    std::vector<int8_t> boundary(numPoints, 0);
    std::vector<int32_t> ownerEnd(numPoints, 0);
    for (int32_t p = 0; p < numPoints; ++p) {
        const int32_t firstChunk = first[p] < 0 ? 0 : first[p] / chunkSize;
        const int owner = partOfChunk(firstChunk);
        ownerEnd[p] = std::min(numSprings, partChunks_[owner + 1] * chunkSize);
        boundary[p] = last[p] >= ownerEnd[p] ? 1 : 0;
    }

    bucketSort(
        numPoints, chunks, [&](int32_t p) { return first[p] < 0 ? 0 : first[p] / chunkSize; },
        startOffsets_, startPoints_);
    bucketSort(
        numPoints, chunks,
        [&](int32_t p) { return boundary[p] ? -1 : (last[p] < 0 ? 0 : last[p] / chunkSize); },
        finishOffsets_, finishPoints_);

    // A spring end is deferred when its point's own part ends before the spring.
    deferredEnds_.clear();
    std::vector<int32_t> deferredCount(numPoints, 0);
    for (int32_t s = 0; s < numSprings; ++s) {
        const int32_t ends[2] = {springs[s].a, springs[s].b};
        for (int end = 0; end < 2; ++end) {
            if (s >= ownerEnd[ends[end]]) {
                deferredEnds_.push_back(2 * static_cast<uint32_t>(s) + end);
                ++deferredCount[ends[end]];
            }
        }
    }
    partDeferred_.assign(parts_ + 1, 0);
    for (uint32_t key : deferredEnds_) {
        ++partDeferred_[partOfChunk(static_cast<int32_t>(key >> 1) / chunkSize) + 1];
    }
    for (int t = 0; t < parts_; ++t) {
        partDeferred_[t + 1] += partDeferred_[t];
    }

    // Boundary points with their slots, in spring order.
    boundaryPoints_.clear();
    boundaryOffsets_.assign(1, 0);
    std::vector<int32_t> boundaryIndex(numPoints, -1);
    for (int32_t p = 0; p < numPoints; ++p) {
        if (boundary[p]) {
            boundaryIndex[p] = static_cast<int32_t>(boundaryPoints_.size());
            boundaryPoints_.push_back(p);
            boundaryOffsets_.push_back(boundaryOffsets_.back() + deferredCount[p]);
        }
    }
    boundarySlots_.assign(deferredEnds_.size(), 0);
    std::vector<int32_t> cursor(boundaryOffsets_.begin(), boundaryOffsets_.end() - 1);
    for (int32_t slot = 0; slot < numDeferred(); ++slot) {
        const uint32_t key = deferredEnds_[slot];
        const SpringEnds& spring = springs[key >> 1];
        const int32_t p = (key & 1) != 0 ? spring.b : spring.a;
        PLIMMERTON_CHECK(boundaryIndex[p] >= 0, "a deferred end belongs to a boundary point");
        boundarySlots_[cursor[boundaryIndex[p]]++] = slot;
    }
    for (std::size_t k = 0; k < boundaryPoints_.size(); ++k) {
        PLIMMERTON_CHECK(cursor[k] == boundaryOffsets_[k + 1],
                         "each boundary point gets exactly its deferred slots");
    }
}
