#include "balls/PointColumns.h"

#include <algorithm>
#include <cmath>

namespace {

/// Column numbers stay within this, so that neighbouring numbers never overflow.
constexpr float numberLimit = 1e9f;
/// Columns are this much wider than the reach, so that rounding never puts a point within reach
/// two columns away.
constexpr float widthMargin = 1.02f;

int32_t columnNumber(float offset) {
    const float number = std::floor(offset);
    if (!(number > -numberLimit)) {
        return static_cast<int32_t>(-numberLimit);
    }
    return static_cast<int32_t>(std::min(number, numberLimit));
}

} // namespace

void PointColumns::reserve(int count) {
    const size_t n = static_cast<size_t>(std::max(count, 0));
    order_.reserve(count);
    pointX_.reserve(n);
    pointY_.reserve(n);
    pointZ_.reserve(n);
    sortedZ_.reserve(n);
}

void PointColumns::build(const SbVec3f* points, int count, float reach) {
    const int n = std::max(count, 0);
    reach_ = reach;
    // The lowest and highest finite coordinates; the others are filed at the limits.
    float low[2] = {HUGE_VALF, HUGE_VALF};
    float high[2] = {-HUGE_VALF, -HUGE_VALF};
    for (int k = 0; k < n; ++k) {
        for (int a = 0; a < 2; ++a) {
            const float value = points[k][a];
            if (std::isfinite(value)) {
                low[a] = std::min(low[a], value);
                high[a] = std::max(high[a], value);
            }
        }
    }
    float width = reach * widthMargin;
    for (int a = 0; a < 2; ++a) {
        if (low[a] <= high[a]) {
            width = std::max(width, (high[a] - low[a]) / ColumnOrder::mostColumnsAcross);
        } else {
            low[a] = 0;
        }
    }
    const float inverseWidth = 1.0f / width;
    pointX_.resize(n);
    pointY_.resize(n);
    pointZ_.resize(n);
    for (int k = 0; k < n; ++k) {
        pointX_[k] = columnNumber((points[k][0] - low[0]) * inverseWidth);
        pointY_[k] = columnNumber((points[k][1] - low[1]) * inverseWidth);
        pointZ_[k] = points[k][2];
    }
    order_.build(pointX_.data(), pointY_.data(), pointZ_.data(), n);
    sortedZ_.resize(n);
    for (int e = 0; e < n; ++e) {
        sortedZ_[e] = pointZ_[order_.item(e)];
    }
}
