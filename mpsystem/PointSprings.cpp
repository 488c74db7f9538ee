#include "mpsystem/PointSprings.h"

#include "mpsystem/MpSystem.h"

void PointSprings::build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings) {
    // A counting sort by point: count each point's ends, turn the counts into offsets, then
    // deal the springs out in their own order, which keeps every list in spring order.
    starts_.assign(static_cast<size_t>(numPoints) + 1, 0);
    for (int32_t s = 0; s < numSprings; ++s) {
        ++starts_[springs[s].a + 1];
        ++starts_[springs[s].b + 1];
    }
    for (int32_t i = 0; i < numPoints; ++i) {
        starts_[i + 1] += starts_[i];
    }
    entries_.assign(2 * static_cast<size_t>(numSprings), 0);
    // starts_[i] serves as point i's write cursor and ends at the start of point i + 1; the
    // shift afterwards restores the starts.
    for (int32_t s = 0; s < numSprings; ++s) {
        const uint32_t entry = static_cast<uint32_t>(s) << 1;
        entries_[starts_[springs[s].a]++] = entry;
        entries_[starts_[springs[s].b]++] = entry | 1;
    }
    for (int32_t i = numPoints; i > 0; --i) {
        starts_[i] = starts_[i - 1];
    }
    starts_[0] = 0;
}
