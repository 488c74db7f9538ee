#pragma once

#include <cstdint>
#include <vector>

/// Items put in order column by column: each item stands in a column, numbered (x, y) across the
/// ground, at a height z; the columns follow one another by x, then by y, and each column's
/// items go up in z. Neighbouring columns are then found by walking the order, never by a
/// search, and the order is rebuilt from scratch in time linear in the items: a radix sort of
/// one key per item, its column's numbers above its height's bits.
class ColumnOrder {
public:
    /// Makes room for `count` items, so that ordering as many allocates nothing.
    void reserve(int count);
    /// The most columns along x or along y that the finite items should spread over: the
    /// rounding of a coordinate's offset, a few parts in a hundred million of the spread, then
    /// stays under a thousandth of a column. Numbers more than 65,535 above the lowest (of items
    /// that are not finite) are taken as that far.
    static constexpr float mostColumnsAcross = 50000;

    /// Orders items [0, count): item k in column (x[k], y[k]) at height z[k] (a height that is
    /// not a number goes last).
    void build(const int32_t* x, const int32_t* y, const float* z, int count);

    int size() const { return static_cast<int>(order_.size()); }
    /// The item at place e of the order.
    int item(int e) const { return order_[e]; }
    int numColumns() const { return static_cast<int>(columnStart_.size()) - 1; }
    int32_t columnX(int c) const { return columnX_[c]; }
    int32_t columnY(int c) const { return columnY_[c]; }
    /// The places of column c's items, from columnBegin(c) to columnEnd(c), lowest first.
    int columnBegin(int c) const { return columnStart_[c]; }
    int columnEnd(int c) const { return columnStart_[c + 1]; }
    /// The first column at or after (x, y) in the order (numColumns() when there is none).
    int firstColumnFrom(int32_t x, int32_t y) const;
    /// The same, walking on from column `from`, which must not lie after it.
    int nextColumnFrom(int from, int32_t x, int32_t y) const {
        while (from < numColumns() && isBefore(from, x, y)) {
            ++from;
        }
        return from;
    }

private:
    bool isBefore(int c, int32_t x, int32_t y) const {
        return columnX_[c] < x || (columnX_[c] == x && columnY_[c] < y);
    }

    std::vector<int32_t> order_;
    std::vector<int32_t> spare_;
    std::vector<uint64_t> keys_;
    std::vector<uint64_t> spareKeys_;
    std::vector<int32_t> counts_;
    /// Where each column's items begin in the order, and its numbers as build was given them.
    std::vector<int32_t> columnStart_;
    std::vector<int32_t> columnX_;
    std::vector<int32_t> columnY_;
};
