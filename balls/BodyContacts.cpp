#include "balls/BodyContacts.h"

#include "balls/ContactRules.h"
#include "common/Check.h"
#include "common/Workers.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

namespace {

/// Shares of the work on the points searched: at most this many, whatever the threads.
constexpr int maxShares = 64;
/// Patches boxed by one share of the work.
constexpr int patchesPerShare = 16;
/// Rounding can put a pair's measured distance a few parts in ten million on either side of
/// the true one: the searches reach this much further than the contact distance.
constexpr float reachMargin = 1.0001f;
/// A patch may span at most this many cells of the patch grid along an axis.
constexpr int maxCellsAcross = 4;

float largestMagnitude(const SbVec3f& v) {
    return std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
}

/// The squared distance between the boxes [al, ah] and [bl, bh] (0 when they overlap).
float squaredGap(const SbVec3f& al, const SbVec3f& ah, const SbVec3f& bl, const SbVec3f& bh) {
    float sum = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const float gap = std::max({0.0f, bl[axis] - ah[axis], al[axis] - bh[axis]});
        sum += gap * gap;
    }
    return sum;
}

int32_t cellNumber(float offset) {
    const float cell = std::floor(offset);
    return cell > -1e9f ? static_cast<int32_t>(std::min(cell, 1e9f)) : -1000000000;
}

} // namespace

struct BodyContacts::Cell {
    int32_t x;
    int32_t y;
    int32_t z;
    bool operator==(const Cell& other) const {
        return x == other.x && y == other.y && z == other.z;
    }
};

struct BodyContacts::PatchEntry {
    uint32_t bucket;
    int32_t patch;
    Cell cell;
};

BodyContacts::BodyContacts() : pushes_(maxShares) {
    for (std::vector<Push>& pushes : pushes_) {
        pushes.reserve(64);
    }
}

BodyContacts::~BodyContacts() = default;
BodyContacts::BodyContacts(BodyContacts&&) noexcept = default;
BodyContacts& BodyContacts::operator=(BodyContacts&&) noexcept = default;

void BodyContacts::add(const MpSystem& body) {
    Body entry;
    entry.shape = std::make_unique<BodyContactShape>(body);
    bodies_.push_back(std::move(entry));
    renumber();
}

void BodyContacts::remove(int k) {
    PLIMMERTON_CHECK(k >= 0 && k < size(), "a body that was added is removed");
    bodies_.erase(bodies_.begin() + k);
    renumber();
}

void BodyContacts::clear() {
    bodies_.clear();
    renumber();
}

void BodyContacts::renumber() {
    totalPoints_ = 0;
    totalPatches_ = 0;
    patchBody_.clear();
    for (size_t k = 0; k < bodies_.size(); ++k) {
        Body& body = bodies_[k];
        const int patches = body.shape->patches().numPatches();
        body.firstPoint = totalPoints_;
        body.firstPatch = totalPatches_;
        totalPoints_ += body.shape->numPoints();
        totalPatches_ += patches;
        patchBody_.insert(patchBody_.end(), patches, static_cast<int32_t>(k));
    }
    patchLow_.resize(totalPatches_);
    patchHigh_.resize(totalPatches_);
    patchActive_.reset(new std::atomic<uint8_t>[totalPatches_ > 0 ? totalPatches_ : 1]);
    widePatch_.assign(totalPatches_, 0);
    patchFrom_.resize(totalPatches_);
    sides_.resize(totalPatches_);
    widePatches_.reserve(totalPatches_);
    // A patch reaches a few cells at most; more grow the lists once.
    patchEntries_.reserve(8 * static_cast<size_t>(totalPatches_));
    sortedEntries_.reserve(8 * static_cast<size_t>(totalPatches_));
    gathered_.resize(totalPoints_);
    active_.resize(totalPoints_);
    activePositions_.resize(totalPoints_);
    grid_.reserve(totalPoints_);
    activeCount_ = 0;
}

void BodyContacts::checkBodies(const std::vector<MpSystem*>& bodies) const {
    PLIMMERTON_CHECK(bodies.size() == bodies_.size(), "every body's rest shape is known");
    for (size_t k = 0; k < bodies.size(); ++k) {
        PLIMMERTON_CHECK(bodies[k]->numPoints() == bodies_[k].shape->numPoints(),
                         "each body is the one whose rest shape was measured");
    }
}

float BodyContacts::largestRadius() const {
    float largest = 0;
    for (const Body& body : bodies_) {
        largest = std::max(largest, body.shape->radius());
    }
    return largest;
}

bool BodyContacts::isActive(int k, int i) const {
    const Body& body = bodies_[k];
    const int patch = body.firstPatch + body.shape->patches().patchOf(i);
    return patchActive_[patch].load(std::memory_order_relaxed) != 0;
}

void BodyContacts::accumulate(const std::vector<MpSystem*>& bodies) {
    checkBodies(bodies);
    activeCount_ = 0;
    if (totalPoints_ == 0 || !(largestRadius() > 0)) {
        return;
    }
    boxPatches(bodies);
    markActivePatches();
    gatherActivePoints(bodies);
    if (activeCount_ > 0) {
        const int perShare = std::max(32, (activeCount_ + maxShares - 1) / maxShares);
        const int shares = (activeCount_ + perShare - 1) / perShare;
        forEachItem(shares, workersFor(32LL * activeCount_), [&](int share) {
            pushActivePoints(bodies, share * perShare,
                             std::min(activeCount_, (share + 1) * perShare), pushes_[share]);
        });
    }
    pushUnsearchedNearPairs(bodies);
}

void BodyContacts::accumulatePlain(const std::vector<MpSystem*>& bodies) {
    checkBodies(bodies);
    activeCount_ = 0;
    if (totalPoints_ == 0 || !(largestRadius() > 0)) {
        return;
    }
    for (int g = 0; g < totalPatches_; ++g) {
        patchActive_[g].store(1, std::memory_order_relaxed);
    }
    gatherActivePoints(bodies);
    pushActivePoints(bodies, 0, activeCount_, pushes_[0]);
}

void BodyContacts::boxPatches(const std::vector<MpSystem*>& bodies) {
    const int shares = (totalPatches_ + patchesPerShare - 1) / patchesPerShare;
    forEachItem(shares, workersFor(totalPoints_), [&](int share) {
        const int last = std::min(totalPatches_, (share + 1) * patchesPerShare);
        for (int g = share * patchesPerShare; g < last; ++g) {
            const int k = patchBody_[g];
            bodies_[k].shape->patches().box(g - bodies_[k].firstPatch, bodies[k]->positions(),
                                            patchLow_[g], patchHigh_[g]);
            patchActive_[g].store(0, std::memory_order_relaxed);
        }
    });
}

void BodyContacts::checkPatchPair(int x, int y) {
    const int kx = patchBody_[x];
    const int ky = patchBody_[y];
    if (kx == ky && !selfContacts_) {
        return;
    }
    const float reach = (bodies_[kx].shape->radius() + bodies_[ky].shape->radius()) * reachMargin;
    if (squaredGap(patchLow_[x], patchHigh_[x], patchLow_[y], patchHigh_[y]) > reach * reach) {
        return;
    }
    if (kx == ky) {
        const Body& body = bodies_[kx];
        if (body.shape->patches().areNeighbours(x - body.firstPatch, y - body.firstPatch)) {
            return;
        }
    }
    patchActive_[x].store(1, std::memory_order_relaxed);
    patchActive_[y].store(1, std::memory_order_relaxed);
}

BodyContacts::Cell BodyContacts::patchCellOf(const SbVec3f& p) const {
    return Cell{cellNumber((p[0] - patchGridOrigin_[0]) * inversePatchCellSize_),
                cellNumber((p[1] - patchGridOrigin_[1]) * inversePatchCellSize_),
                cellNumber((p[2] - patchGridOrigin_[2]) * inversePatchCellSize_)};
}

void BodyContacts::markActivePatches() {
    const float widen = largestRadius();
    const SbVec3f widening(widen, widen, widen);
    for (int g = 0; g < totalPatches_; ++g) {
        const SbVec3f side = patchHigh_[g] - patchLow_[g];
        sides_[g] = std::max({side[0], side[1], side[2]}) + 2 * widen;
        for (int a = 0; a < 3; ++a) {
            patchGridOrigin_[a] = g == 0 ? patchLow_[g][a] - widen
                                         : std::min(patchGridOrigin_[a], patchLow_[g][a] - widen);
        }
    }
    // Cells as wide as nine patches in ten, so that most patches reach a few cells.
    const auto tenth = sides_.begin() + (totalPatches_ * 9) / 10;
    std::nth_element(sides_.begin(), tenth, sides_.end());
    patchCellSize_ = std::max(*tenth, 2 * widen);
    if (!(patchCellSize_ > 0) || !std::isfinite(patchCellSize_)) {
        patchCellSize_ = 1;
    }
    inversePatchCellSize_ = 1 / patchCellSize_;

    patchEntries_.clear();
    widePatches_.clear();
    for (int g = 0; g < totalPatches_; ++g) {
        const Cell from = patchCellOf(patchLow_[g] - widening);
        const Cell to = patchCellOf(patchHigh_[g] + widening);
        patchFrom_[g] = from;
        const bool wide = int64_t(to.x) - from.x >= maxCellsAcross ||
                          int64_t(to.y) - from.y >= maxCellsAcross ||
                          int64_t(to.z) - from.z >= maxCellsAcross;
        widePatch_[g] = wide ? 1 : 0;
        if (wide) {
            widePatches_.push_back(g);
            continue;
        }
        for (int32_t x = from.x; x <= to.x; ++x) {
            for (int32_t y = from.y; y <= to.y; ++y) {
                for (int32_t z = from.z; z <= to.z; ++z) {
                    patchEntries_.push_back(PatchEntry{0, g, Cell{x, y, z}});
                }
            }
        }
    }
    uint32_t buckets = 2;
    while (buckets < 2 * patchEntries_.size()) {
        buckets *= 2;
    }
    bucketStart_.assign(buckets + 1, 0);
    for (PatchEntry& entry : patchEntries_) {
        entry.bucket = static_cast<uint32_t>(hashCell(entry.cell.x, entry.cell.y, entry.cell.z)) &
                       (buckets - 1);
        ++bucketStart_[entry.bucket + 1];
    }
    for (uint32_t b = 0; b < buckets; ++b) {
        bucketStart_[b + 1] += bucketStart_[b];
    }
    sortedEntries_.resize(patchEntries_.size());
    for (const PatchEntry& entry : patchEntries_) {
        sortedEntries_[bucketStart_[entry.bucket]++] = entry;
    }
    for (uint32_t b = buckets; b > 0; --b) {
        bucketStart_[b] = bucketStart_[b - 1];
    }
    bucketStart_[0] = 0;

    // Two patches filed in one cell are checked in the first cell they share, the one where
    // both their runs of cells begin, and only there.
    const int shares = std::min<int>(maxShares, static_cast<int>(buckets / 256) + 1);
    forEachItem(shares, workersFor(64LL * totalPatches_), [&](int share) {
        const uint32_t first = static_cast<uint32_t>(int64_t(buckets) * share / shares);
        const uint32_t last = static_cast<uint32_t>(int64_t(buckets) * (share + 1) / shares);
        for (uint32_t bucket = first; bucket < last; ++bucket) {
            for (int32_t e = bucketStart_[bucket]; e < bucketStart_[bucket + 1]; ++e) {
                for (int32_t f = e + 1; f < bucketStart_[bucket + 1]; ++f) {
                    const PatchEntry& a = sortedEntries_[e];
                    const PatchEntry& b = sortedEntries_[f];
                    const Cell& fromA = patchFrom_[a.patch];
                    const Cell& fromB = patchFrom_[b.patch];
                    if (a.cell == b.cell && std::max(fromA.x, fromB.x) == a.cell.x &&
                        std::max(fromA.y, fromB.y) == a.cell.y &&
                        std::max(fromA.z, fromB.z) == a.cell.z) {
                        checkPatchPair(std::min(a.patch, b.patch), std::max(a.patch, b.patch));
                    }
                }
            }
        }
    });
    for (int32_t w : widePatches_) {
        for (int g = 0; g < totalPatches_; ++g) {
            if (g != w && !(widePatch_[g] != 0 && g < w)) {
                checkPatchPair(std::min<int>(g, w), std::max<int>(g, w));
            }
        }
    }
}

void BodyContacts::gatherActivePoints(const std::vector<MpSystem*>& bodies) {
    activeCount_ = 0;
    for (int g = 0; g < totalPatches_; ++g) {
        if (patchActive_[g].load(std::memory_order_relaxed) == 0) {
            continue;
        }
        const int k = patchBody_[g];
        const Body& body = bodies_[k];
        const SbVec3f* positions = bodies[k]->positions();
        const BodyPatches& patches = body.shape->patches();
        const int p = g - body.firstPatch;
        for (const int32_t* i = patches.patchBegin(p); i != patches.patchEnd(p); ++i) {
            gathered_[activeCount_] = Active{positions[*i], k, *i, body.firstPoint + *i};
            ++activeCount_;
        }
    }
    if (activeCount_ == 0) {
        return;
    }
    for (int a = 0; a < activeCount_; ++a) {
        activePositions_[a] = gathered_[a].position;
    }
    // Cells twice as wide as the largest contact distance: the box searched around a point
    // then spans two cells along each axis, eight in all.
    grid_.build(activePositions_.data(), activeCount_, 4 * largestRadius());
    // The points' data in the grid's order, where each cell's neighbours are read in runs.
    for (int e = 0; e < activeCount_; ++e) {
        active_[e] = gathered_[grid_.sortedPoint(e)];
    }
}

bool BodyContacts::pairPush(int k, int i, int32_t gi, const SbVec3f& p, int l, int j, int32_t gj,
                            const SbVec3f& q, SbVec3f& force) const {
    if (k == l && !selfContacts_) {
        return false;
    }
    const float contact = k == l ? bodies_[k].shape->selfContactDistance(i, j)
                                 : bodies_[k].shape->radius() + bodies_[l].shape->radius();
    if (!(contact > 0)) {
        return false;
    }
    // Each pair's push is worked out from its lower-numbered point, so that the two points take
    // exactly opposite forces.
    SbVec3f f;
    if (gi < gj) {
        if (!pointPairForce(p, q, contact, f)) {
            return false;
        }
        force = f;
    } else {
        if (!pointPairForce(q, p, contact, f)) {
            return false;
        }
        force = -f;
    }
    return true;
}

void BodyContacts::addInOrder(MpSystem& body, int i, std::vector<Push>& pushes) {
    // A point has a few partners: sorting them in place costs less than anything cleverer.
    for (size_t m = 1; m < pushes.size(); ++m) {
        const Push push = pushes[m];
        size_t n = m;
        for (; n > 0 && pushes[n - 1].partner > push.partner; --n) {
            pushes[n] = pushes[n - 1];
        }
        pushes[n] = push;
    }
    for (const Push& push : pushes) {
        body.addExternalForce(i, push.force);
    }
}

void BodyContacts::pushActivePoints(const std::vector<MpSystem*>& bodies, int first, int last,
                                    std::vector<Push>& pushes) {
    const float largest = largestRadius();
    for (int e = first; e < last; ++e) {
        const Active& point = active_[e];
        const int k = point.body;
        const Body& body = bodies_[k];
        const float radius = body.shape->radius();
        const float reach =
            (radius + largest) * reachMargin + 1e-6f * largestMagnitude(point.position);
        const SbVec3f reachBox(reach, reach, reach);
        pushes.clear();
        grid_.visitBox(point.position - reachBox, point.position + reachBox, [&](int f) {
            const Active& other = active_[f];
            const float most =
                other.body == k ? 2 * radius : radius + bodies_[other.body].shape->radius();
            if (!(most * most > squaredDistance(point.position, other.position)) || f == e) {
                return;
            }
            SbVec3f force;
            if (pairPush(k, point.index, point.number, point.position, other.body, other.index,
                         other.number, other.position, force)) {
                pushes.push_back(Push{other.number, force});
            }
        });
        // Listed partners that the grid does not hold are met here instead.
        const SbVec3f* positions = bodies[k]->positions();
        const BodyContactShape& shape = *body.shape;
        for (const int32_t* j = shape.nearBegin(point.index); j != shape.nearEnd(point.index);
             ++j) {
            SbVec3f force;
            if (!isActive(k, *j) && pairPush(k, point.index, point.number, point.position, k, *j,
                                             body.firstPoint + *j, positions[*j], force)) {
                pushes.push_back(Push{body.firstPoint + *j, force});
            }
        }
        addInOrder(*bodies[k], point.index, pushes);
    }
}

void BodyContacts::pushUnsearchedNearPairs(const std::vector<MpSystem*>& bodies) {
    if (!selfContacts_) {
        return;
    }
    std::vector<Push>& pushes = pushes_[0];
    for (int k = 0; k < size(); ++k) {
        const Body& body = bodies_[k];
        const SbVec3f* positions = bodies[k]->positions();
        for (int32_t i : body.shape->pointsWithNearPartners()) {
            if (isActive(k, i)) {
                continue;
            }
            pushes.clear();
            for (const int32_t* j = body.shape->nearBegin(i); j != body.shape->nearEnd(i); ++j) {
                SbVec3f force;
                if (pairPush(k, i, body.firstPoint + i, positions[i], k, *j, body.firstPoint + *j,
                             positions[*j], force)) {
                    pushes.push_back(Push{body.firstPoint + *j, force});
                }
            }
            addInOrder(*bodies[k], i, pushes);
        }
    }
}

void BodyContacts::accumulateAllPairs(const std::vector<MpSystem*>& bodies) const {
    checkBodies(bodies);
    for (int k = 0; k < size(); ++k) {
        const SbVec3f* positions = bodies[k]->positions();
        for (int i = 0; i < bodies[k]->numPoints(); ++i) {
            const int32_t gi = bodies_[k].firstPoint + i;
            for (int l = 0; l < size(); ++l) {
                const SbVec3f* others = bodies[l]->positions();
                for (int j = 0; j < bodies[l]->numPoints(); ++j) {
                    SbVec3f force;
                    if ((k != l || i != j) &&
                        pairPush(k, i, gi, positions[i], l, j, bodies_[l].firstPoint + j, others[j],
                                 force)) {
                        bodies[k]->addExternalForce(i, force);
                    }
                }
            }
        }
    }
}
