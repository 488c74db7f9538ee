#include "generators/Sheet.h"

#include <algorithm>

SheetSprings sheetSpringCounts(int n) {
    const int64_t m = std::clamp(n, 2, 2048);
    return {2 * m * (m - 1), 2 * (m - 1) * (m - 1), 2 * m * std::max<int64_t>(m - 2, 0)};
}

TriangleMesh makeSheet(int n, float side, const SbVec3f& topCentre, const SbVec3f& across) {
    n = std::clamp(n, 2, 2048);
    TriangleMesh sheet;
    const float step = side / static_cast<float>(n - 1);
    const auto index = [n](int r, int c) { return static_cast<int32_t>(r * n + c); };
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            sheet.points.push_back(topCentre + SbVec3f(0, -step * static_cast<float>(r), 0) +
                                   across * (step * static_cast<float>(c) - 0.5f * side));
            sheet.texCoords.emplace_back(static_cast<float>(c) / static_cast<float>(n - 1),
                                         1.0f - static_cast<float>(r) / static_cast<float>(n - 1));
        }
    }
    for (int r = 0; r + 1 < n; ++r) {
        for (int c = 0; c + 1 < n; ++c) {
            sheet.triangles.push_back({index(r, c), index(r + 1, c), index(r + 1, c + 1)});
            sheet.triangles.push_back({index(r, c), index(r + 1, c + 1), index(r, c + 1)});
            sheet.struts.push_back({index(r, c + 1), index(r + 1, c)});
        }
    }
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c + 2 < n; ++c) {
            sheet.struts.push_back({index(r, c), index(r, c + 2)});
            sheet.struts.push_back({index(c, r), index(c + 2, r)});
        }
    }
    return sheet;
}
