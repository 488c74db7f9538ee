#include "balls/BodyPatches.h"

#include <algorithm>

namespace {

/// Halves the points [first, last) across the longest side of their box at rest until each
/// part holds at most `most`, and notes where each part starts. Each part's points end in
/// increasing order, so that a patch is read in the order the body keeps its points.
void halve(const SbVec3f* rest, const int32_t* begin, int32_t* first, int32_t* last, int most,
           std::vector<int32_t>& starts) {
    const std::ptrdiff_t count = last - first;
    if (count <= most) {
        std::sort(first, last);
        starts.push_back(static_cast<int32_t>(first - begin));
        return;
    }
    SbVec3f low = rest[*first];
    SbVec3f high = low;
    for (const int32_t* i = first; i != last; ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], rest[*i][a]);
            high[a] = std::max(high[a], rest[*i][a]);
        }
    }
    const SbVec3f side = high - low;
    const int axis = side[0] >= side[1] && side[0] >= side[2] ? 0 : (side[1] >= side[2] ? 1 : 2);
    int32_t* middle = first + count / 2;
    std::nth_element(first, middle, last, [&](int32_t a, int32_t b) {
        return rest[a][axis] < rest[b][axis] || (rest[a][axis] == rest[b][axis] && a < b);
    });
    halve(rest, begin, first, middle, most, starts);
    halve(rest, begin, middle, last, most, starts);
}

/// The squared distance between the boxes [al, ah] and [bl, bh] (0 when they overlap).
float squaredBoxGap(const SbVec3f& al, const SbVec3f& ah, const SbVec3f& bl, const SbVec3f& bh) {
    float sum = 0;
    for (int a = 0; a < 3; ++a) {
        const float gap = std::max({0.0f, bl[a] - ah[a], al[a] - bh[a]});
        sum += gap * gap;
    }
    return sum;
}

} // namespace

int BodyPatches::patchSizeFor(int n) {
    return std::clamp(n / 1024, 8, 128);
}

BodyPatches::BodyPatches(const SbVec3f* rest, int n, float neighbourDistance) {
    order_.resize(static_cast<size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        order_[i] = i;
    }
    if (n > 0) {
        halve(rest, order_.data(), order_.data(), order_.data() + n, patchSizeFor(n), patchStart_);
    }
    patchStart_.push_back(std::max(n, 0));
    const int patches = numPatches();
    patchOf_.resize(order_.size());
    std::vector<SbVec3f> lows(static_cast<size_t>(patches));
    std::vector<SbVec3f> highs(static_cast<size_t>(patches));
    for (int p = 0; p < patches; ++p) {
        for (const int32_t* i = patchBegin(p); i != patchEnd(p); ++i) {
            patchOf_[*i] = p;
        }
        box(p, rest, lows[p], highs[p]);
    }
    // Every pair of patches once, in the order of their first corners along x, stopping where
    // the x gap alone is too wide.
    std::vector<int32_t> byLow(static_cast<size_t>(patches));
    for (int p = 0; p < patches; ++p) {
        byLow[p] = p;
    }
    std::sort(byLow.begin(), byLow.end(), [&](int32_t a, int32_t b) {
        return lows[a][0] < lows[b][0] || (lows[a][0] == lows[b][0] && a < b);
    });
    const float reachSquared = neighbourDistance * neighbourDistance;
    std::vector<std::vector<int32_t>> near(static_cast<size_t>(patches));
    for (int m = 0; m < patches; ++m) {
        const int32_t p = byLow[m];
        near[p].push_back(p);
        for (int k = m + 1; k < patches; ++k) {
            const int32_t q = byLow[k];
            if (lows[q][0] - highs[p][0] >= neighbourDistance) {
                break;
            }
            if (squaredBoxGap(lows[p], highs[p], lows[q], highs[q]) < reachSquared) {
                near[p].push_back(q);
                near[q].push_back(p);
            }
        }
    }
    neighbourStart_.assign(1, 0);
    closeNeighbours_.assign(static_cast<size_t>(patches), 0);
    for (int p = 0; p < patches; ++p) {
        std::vector<int32_t>& list = near[p];
        std::sort(list.begin(), list.end());
        neighbours_.insert(neighbours_.end(), list.begin(), list.end());
        neighbourStart_.push_back(static_cast<int32_t>(neighbours_.size()));
        for (int32_t q : list) {
            const int offset = q - p + 32;
            if (offset >= 0 && offset < 64) {
                closeNeighbours_[p] |= uint64_t(1) << offset;
            }
        }
    }
}

bool BodyPatches::areFarNeighbours(int p, int q) const {
    return std::binary_search(neighbours_.data() + neighbourStart_[p],
                              neighbours_.data() + neighbourStart_[p + 1], q);
}

void BodyPatches::box(int p, const SbVec3f* positions, SbVec3f& low, SbVec3f& high) const {
    const int32_t* i = patchBegin(p);
    const int32_t* end = patchEnd(p);
    low = positions[*i];
    high = low;
    for (; i != end; ++i) {
        // The points are read by their numbers, in runs and jumps: asking early hides the wait.
        if (end - i > 16) {
            __builtin_prefetch(&positions[i[16]]);
        }
        const SbVec3f& q = positions[*i];
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], q[a]);
            high[a] = std::max(high[a], q[a]);
        }
    }
}
