// The orders the contacts between bodies search in: items in columns against a plain sort, and
// the points near each point against every pair, on random sets wide and narrow, dense and
// sparse, with points that are not finite.

#include "balls/PointColumns.h"
#include "balls/ColumnOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

namespace {

/// The key a column order sorts by: the column, then the height (not a number last), then the
/// item, which the order keeps as given among equal heights.
std::tuple<int32_t, int32_t, bool, float, int> columnKey(const std::vector<int32_t>& x,
                                                         const std::vector<int32_t>& y,
                                                         const std::vector<float>& z, int k) {
    return {x[k], y[k], std::isnan(z[k]), std::isnan(z[k]) ? 0.0f : z[k], k};
}

} // namespace

TEST(ColumnOrder, OrdersByColumnThenHeightAndFindsEachColumnFromItsNumbers) {
    std::mt19937 random(29);
    ColumnOrder order;
    order.reserve(400);
    for (int round = 0; round < 20; ++round) {
        const int n = round == 0 ? 0 : static_cast<int>(random() % 400) + 1;
        const int32_t spread = round % 2 == 0 ? 4 : 3000;
        std::vector<int32_t> x(n);
        std::vector<int32_t> y(n);
        std::vector<float> z(n);
        for (int k = 0; k < n; ++k) {
            x[k] = static_cast<int32_t>(random() % spread) - spread / 2;
            y[k] = static_cast<int32_t>(random() % spread) - 7;
            z[k] = static_cast<float>(static_cast<int>(random() % 2001) - 1000) / 7;
            if (random() % 50 == 0) {
                z[k] = std::numeric_limits<float>::quiet_NaN();
            }
        }
        order.build(x.data(), y.data(), z.data(), n);
        std::vector<int> expected(n);
        for (int k = 0; k < n; ++k) {
            expected[k] = k;
        }
        std::sort(expected.begin(), expected.end(),
                  [&](int a, int b) { return columnKey(x, y, z, a) < columnKey(x, y, z, b); });
        ASSERT_EQ(order.size(), n);
        for (int e = 0; e < n; ++e) {
            ASSERT_EQ(order.item(e), expected[e]) << "round " << round << " place " << e;
        }
        // Each column holds exactly its items, and the columns follow each other by x, then y.
        int covered = 0;
        for (int c = 0; c < order.numColumns(); ++c) {
            ASSERT_EQ(order.columnBegin(c), covered);
            ASSERT_LT(order.columnBegin(c), order.columnEnd(c));
            for (int e = order.columnBegin(c); e < order.columnEnd(c); ++e) {
                ASSERT_EQ(x[order.item(e)], order.columnX(c));
                ASSERT_EQ(y[order.item(e)], order.columnY(c));
            }
            if (c > 0) {
                ASSERT_LT(std::make_pair(order.columnX(c - 1), order.columnY(c - 1)),
                          std::make_pair(order.columnX(c), order.columnY(c)));
            }
            covered = order.columnEnd(c);
        }
        ASSERT_EQ(covered, n);
        for (int probe = 0; probe < 50; ++probe) {
            const int32_t px = static_cast<int32_t>(random() % (spread + 2)) - spread / 2 - 1;
            const int32_t py = static_cast<int32_t>(random() % (spread + 2)) - 8;
            int first = 0;
            while (first < order.numColumns() &&
                   std::make_pair(order.columnX(first), order.columnY(first)) <
                       std::make_pair(px, py)) {
                ++first;
            }
            ASSERT_EQ(order.firstColumnFrom(px, py), first);
            ASSERT_EQ(order.nextColumnFrom(0, px, py), first);
        }
    }
}

namespace {

/// A random set of points: `spread` across, or in four lumps a unit across strewn that far
/// when `lumpy`; a few not finite or far off when `broken`.
std::vector<SbVec3f> randomPoints(unsigned seed, int n, float spread, bool lumpy, bool broken) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<SbVec3f> centres;
    for (int c = 0; c < 4; ++c) {
        centres.emplace_back(spread * unit(random), spread * unit(random), spread * unit(random));
    }
    std::vector<SbVec3f> points;
    for (int k = 0; k < n; ++k) {
        const float r = lumpy ? 1.0f : spread;
        const SbVec3f base = lumpy ? centres[random() % 4] : SbVec3f(0, 0, 0);
        points.push_back(base + SbVec3f(unit(random), unit(random), unit(random)) * r);
        if (broken && random() % 40 == 0) {
            const float odd[] = {std::numeric_limits<float>::quiet_NaN(), HUGE_VALF, -HUGE_VALF,
                                 1e30f};
            points.back()[random() % 3] = odd[random() % 4];
        }
    }
    return points;
}

class PointColumnsSearch
    : public testing::TestWithParam<std::tuple<unsigned, int, float, bool, bool>> {};

} // namespace

TEST_P(PointColumnsSearch, EveryPointWithinReachAlongEachAxisIsInExactlyOneRunOfItsNeighbours) {
    const auto [seed, n, spread, lumpy, broken] = GetParam();
    const float reach = 0.1f;
    const std::vector<SbVec3f> points = randomPoints(seed, n, spread, lumpy, broken);
    PointColumns columns;
    columns.reserve(n);
    columns.build(points.data(), n, reach);
    ASSERT_EQ(columns.size(), n);
    std::vector<int> seen(n, 0);
    std::vector<int> placeOf(n);
    for (int e = 0; e < n; ++e) {
        ++seen[columns.sortedPoint(e)];
        placeOf[columns.sortedPoint(e)] = e;
    }
    ASSERT_EQ(std::count(seen.begin(), seen.end(), 1), n) << "the order holds every point once";

    // Over the columns split in two, as the pass shares them out, each place is visited once.
    std::vector<int> done(n, 0);
    std::vector<int> inRuns(static_cast<size_t>(n) * n, 0);
    const int middle = columns.numColumns() / 2;
    for (const auto& [first, last] :
         {std::make_pair(0, middle), std::make_pair(middle, columns.numColumns())}) {
        columns.visitColumns(
            first, last,
            [&](int e, int from, int to) {
                ASSERT_EQ(done[e], 0) << "runs of a place after it was done";
                for (int f = from; f < to; ++f) {
                    ++inRuns[static_cast<size_t>(e) * n + f];
                }
            },
            [&](int e) { ++done[e]; });
    }
    ASSERT_EQ(std::count(done.begin(), done.end(), 1), n);
    int pairs = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const SbVec3f d = points[i] - points[j];
            const int runs = inRuns[static_cast<size_t>(placeOf[i]) * n + placeOf[j]];
            ASSERT_LE(runs, 1) << "points " << i << " and " << j << " met twice";
            if (std::fabs(d[0]) <= reach && std::fabs(d[1]) <= reach && std::fabs(d[2]) <= reach) {
                ASSERT_EQ(runs, 1) << "points " << i << " and " << j << " within reach, not met";
                pairs += i != j ? 1 : 0;
            }
        }
    }
    // The sets are made so that points meet others, not only themselves.
    EXPECT_EQ(pairs > 0, n >= 600);
}

INSTANTIATE_TEST_SUITE_P(
    DenseSparseWideAndBroken, PointColumnsSearch,
    testing::Values(
        std::make_tuple(1u, 0, 1.0f, false, false), std::make_tuple(2u, 1, 1.0f, false, false),
        std::make_tuple(3u, 600, 0.5f, false, false), std::make_tuple(4u, 600, 3.0f, false, false),
        std::make_tuple(5u, 600, 40.0f, true, false),
        // Wider than the most columns across: the columns widen to keep up.
        std::make_tuple(6u, 600, 20000.0f, true, false), std::make_tuple(7u, 600, 2.0f, true, true),
        std::make_tuple(8u, 600, 0.05f, false, true)));
