#pragma once

#include "balls/ColumnOrder.h"

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// Points filed in columns: squares of one width across x and y, each column's points in
/// increasing z, built from scratch each time. The points within a reach of one point lie in
/// the three by three columns around its own, and in each of them along a window of z that
/// moves one way as the point's z grows: going through a column's points in order, each finds
/// its neighbours by moving nine windows, with no search of its own, and going through the
/// columns in order finds their neighbours by walking three rows of the columns' order.
class PointColumns {
public:
    /// Makes room for `count` points, so that building for as many allocates nothing.
    void reserve(int count);
    /// Files points[0 .. count) in columns at least `reach` wide (positive and finite), so that
    /// every point within `reach` of another along x and along y lies in the columns around it.
    /// The columns are widened where the points spread over so many that the rounding of their
    /// numbers could put such a point further off.
    void build(const SbVec3f* points, int count, float reach);

    int size() const { return order_.size(); }
    /// The points column by column: place e holds point sortedPoint(e). A column's places follow
    /// one another, in increasing z; data kept in this order is read in runs.
    int sortedPoint(int e) const { return order_.item(e); }
    int numColumns() const { return order_.numColumns(); }
    int columnBegin(int c) const { return order_.columnBegin(c); }
    int columnEnd(int c) const { return order_.columnEnd(c); }

    /// For each place e of columns [first, last) in turn, in increasing z within each column:
    /// calls near(e, from, to) for runs of places [from, to) that hold every place f (e itself
    /// included) in the columns around e's whose z differs from e's by at most the reach given
    /// to build, then done(e). A point within that reach of e's point along every axis is always
    /// in a run; the others are near it.
    template <typename Near, typename Done>
    void visitColumns(int first, int last, Near&& near, Done&& done) const {
        if (first >= last) {
            return;
        }
        // rows[r]: the first column of row x - 1 + r at or after y - 1, walking on with the
        // columns as they go up.
        int rows[3];
        for (int r = 0; r < 3; ++r) {
            rows[r] =
                order_.firstColumnFrom(order_.columnX(first) - 1 + r, order_.columnY(first) - 1);
        }
        for (int c = first; c < last; ++c) {
            const int32_t x = order_.columnX(c);
            const int32_t y = order_.columnY(c);
            int neighbours = 0;
            int lo[9];
            int hi[9];
            int end[9];
            for (int r = 0; r < 3; ++r) {
                rows[r] = order_.nextColumnFrom(rows[r], x - 1 + r, y - 1);
                for (int n = rows[r]; n < order_.numColumns() && order_.columnX(n) == x - 1 + r &&
                                      order_.columnY(n) <= y + 1;
                     ++n) {
                    lo[neighbours] = firstWithin(n, sortedZ_[order_.columnBegin(c)]);
                    hi[neighbours] = lo[neighbours];
                    end[neighbours] = order_.columnEnd(n);
                    ++neighbours;
                }
            }
            for (int e = order_.columnBegin(c); e < order_.columnEnd(c); ++e) {
                const float z = sortedZ_[e];
                for (int k = 0; k < neighbours; ++k) {
                    // Differences, as the distances are measured: the rounding of z - reach at
                    // large z would move the window.
                    while (lo[k] < end[k] && z - sortedZ_[lo[k]] > reach_) {
                        ++lo[k];
                    }
                    hi[k] = std::max(hi[k], lo[k]);
                    while (hi[k] < end[k] && !(sortedZ_[hi[k]] - z > reach_)) {
                        ++hi[k];
                    }
                    if (lo[k] < hi[k]) {
                        near(e, lo[k], hi[k]);
                    }
                }
                done(e);
            }
        }
    }

private:
    /// The first place of column n whose z is not below z by more than the reach.
    int firstWithin(int n, float z) const {
        int low = order_.columnBegin(n);
        int high = order_.columnEnd(n);
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (z - sortedZ_[middle] > reach_) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    }

    float reach_ = 0;
    ColumnOrder order_;
    std::vector<int32_t> pointX_;
    std::vector<int32_t> pointY_;
    std::vector<float> pointZ_;
    std::vector<float> sortedZ_;
};
