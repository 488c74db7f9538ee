#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// A body's points in patches of neighbours at rest (the body's box halved across its longest
/// side, again and again, until a part holds few enough points), with the patches that lie
/// within a given distance of each at rest: its neighbours on the same stretch of the body.
///
/// Patches serve the contacts of a body with itself: two points of neighbouring patches belong
/// to the body's own fabric, held by its springs, and a search for contacts need not look at
/// pairs of neighbouring patches, only at patches that were apart at rest and have come near.
class BodyPatches {
public:
    /// The most points of a patch for a body of n points: about one in a thousand of them,
    /// between 8 and 128, so that a patch spans a few springs of a small body and the patches
    /// of a large one stay few enough to be searched each tick.
    static int patchSizeFor(int n);

    /// Patches of the points at `rest` [0, n); patches whose boxes at rest are closer than
    /// `neighbourDistance` are neighbours (every patch is its own).
    BodyPatches(const SbVec3f* rest, int n, float neighbourDistance);

    int numPatches() const { return static_cast<int>(patchStart_.size()) - 1; }
    /// The points of patch p, from patchBegin(p) to patchEnd(p), in increasing order.
    const int32_t* patchBegin(int p) const { return order_.data() + patchStart_[p]; }
    const int32_t* patchEnd(int p) const { return order_.data() + patchStart_[p + 1]; }
    int patchOf(int i) const { return patchOf_[i]; }
    /// Whether patches p and q are neighbours.
    bool areNeighbours(int p, int q) const {
        const int offset = q - p + 32;
        if (offset >= 0 && offset < 64) {
            return (closeNeighbours_[p] >> offset & 1) != 0;
        }
        return areFarNeighbours(p, q);
    }

    /// The box of patch p's points at `positions`.
    void box(int p, const SbVec3f* positions, SbVec3f& low, SbVec3f& high) const;

private:
    bool areFarNeighbours(int p, int q) const;

    std::vector<int32_t> order_;
    std::vector<int32_t> patchStart_;
    std::vector<int32_t> patchOf_;
    /// Each patch's neighbours, in increasing order; and as bits, those whose numbers lie
    /// within 32 of its own (bit q - p + 32), which the halving makes most of them.
    std::vector<int32_t> neighbourStart_;
    std::vector<int32_t> neighbours_;
    std::vector<uint64_t> closeNeighbours_;
};
