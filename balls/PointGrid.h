#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// A grid of cubic cells over a set of points, built from scratch each time: every point filed
/// in the cell that holds it, the cells hashed into a table of buckets (a bucket may hold
/// several cells), the points listed bucket by bucket in increasing order. Finding the points
/// near a place visits the few cells around it, whatever the number of points.
/// A well-mixed hash of a cell's numbers: neighbouring cells land in unrelated buckets of a
/// table whose size is a power of two.
inline uint64_t hashCell(int32_t x, int32_t y, int32_t z) {
    uint64_t h = (static_cast<uint64_t>(static_cast<uint32_t>(x)) & 0x1fffffu) |
                 (static_cast<uint64_t>(static_cast<uint32_t>(y)) & 0x1fffffu) << 21 |
                 (static_cast<uint64_t>(static_cast<uint32_t>(z)) & 0x1fffffu) << 42;
    h ^= h >> 31;
    h *= 0x7fb5d329728ea185ULL;
    h ^= h >> 27;
    h *= 0x81dadef4bc2dd44dULL;
    h ^= h >> 33;
    return h;
}

class PointGrid {
public:
    /// Makes room for `count` points, so that building for as many allocates nothing.
    void reserve(int count);
    /// Files points[0 .. count) in cells of side `cellSize` (positive and finite).
    void build(const SbVec3f* points, int count, float cellSize);

    int size() const { return static_cast<int>(sortedPoints_.size()); }
    /// The points bucket by bucket: place e of that order holds point sortedPoint(e). Those of
    /// one cell come close together, so that data kept in this order is read in runs, and
    /// going through the points in this order finds the same cells near one after another.
    int sortedPoint(int e) const { return sortedPoints_[e]; }

    /// Calls visit(e) for every place e (of the sorted order) whose point is filed in a cell
    /// that the box [low, high] reaches: every point inside the box, and others near it. The
    /// box should span a few cells at most.
    template <typename Visit>
    void visitBox(const SbVec3f& low, const SbVec3f& high, Visit&& visit) const {
        const Cell from = cellOf(low);
        const Cell to = cellOf(high);
        for (int32_t x = from.x; x <= to.x; ++x) {
            for (int32_t y = from.y; y <= to.y; ++y) {
                for (int32_t z = from.z; z <= to.z; ++z) {
                    const Cell cell{x, y, z};
                    const uint32_t bucket = bucketOf(cell);
                    for (int32_t e = bucketStart_[bucket]; e < bucketStart_[bucket + 1]; ++e) {
                        if (sortedCells_[e] == cell) {
                            visit(e);
                        }
                    }
                }
            }
        }
    }

private:
    struct Cell {
        int32_t x;
        int32_t y;
        int32_t z;
        bool operator==(const Cell& other) const {
            return x == other.x && y == other.y && z == other.z;
        }
    };
    /// The cell of p: its offset from the origin in cells, rounded down, held to a range that
    /// no sum of cell numbers overflows. Never decreases as p grows on any axis, so the cells
    /// of a box's corners bound the cells of every point inside it.
    Cell cellOf(const SbVec3f& p) const;
    uint32_t bucketOf(const Cell& cell) const {
        return static_cast<uint32_t>(hashCell(cell.x, cell.y, cell.z)) & mask_;
    }

    SbVec3f origin_{0, 0, 0};
    float inverseCellSize_ = 1;
    uint32_t mask_ = 0;
    std::vector<int32_t> bucketStart_{0, 0};
    std::vector<int32_t> sortedPoints_;
    std::vector<Cell> sortedCells_;
    std::vector<uint32_t> pointBuckets_;
};
