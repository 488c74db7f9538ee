#pragma once

#include <cstdint>
#include <vector>

struct SpringEnds;

/// For every point, the springs that end at it, in increasing spring number, each marked with
/// the end the point is: the order in which a spring-by-spring pass adds their forces to the
/// point. Kept as one flat list with a start offset per point (compressed rows), so it costs
/// two spring entries and one offset per point and is walked front to back.
class PointSprings {
public:
    /// Builds the lists in time and memory linear in points + springs.
    void build(int32_t numPoints, const SpringEnds* springs, int32_t numSprings);

    /// Entries of point i lie in [begin(i), begin(i + 1)).
    int32_t begin(int32_t i) const { return starts_[i]; }
    /// One entry: the spring number times 2, plus 1 when the point is the spring's end b.
    const uint32_t* entries() const { return entries_.data(); }

    static int32_t springOf(uint32_t entry) { return static_cast<int32_t>(entry >> 1); }
    static bool isEndB(uint32_t entry) { return (entry & 1) != 0; }

private:
    std::vector<int32_t> starts_;
    std::vector<uint32_t> entries_;
};
