#include "balls/BodyContacts.h"

#include "balls/ContactRules.h"
#include "common/Check.h"
#include "common/Workers.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// Shares of the work on the points searched: at most this many, whatever the threads.
constexpr int maxShares = 64;
/// Patches boxed by one share of the work.
constexpr int patchesPerShare = 16;
/// Rounding can put a pair's measured distance a few parts in ten million on either side of
/// the true one: the searches reach this much further than the contact distance.
constexpr float reachMargin = 1.0001f;
/// A patch may stand in at most this many columns along an axis; wider ones are checked
/// against every patch.
constexpr int maxColumnsAcross = 8;

/// The squared distance between the boxes [al, ah] and [bl, bh] (0 when they overlap).
float squaredGap(const SbVec3f& al, const SbVec3f& ah, const SbVec3f& bl, const SbVec3f& bh) {
    float sum = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const float gap = std::max({0.0f, bl[axis] - ah[axis], al[axis] - bh[axis]});
        sum += gap * gap;
    }
    return sum;
}

int32_t columnNumber(float offset) {
    const float number = std::floor(offset);
    return number > -1e9f ? static_cast<int32_t>(std::min(number, 1e9f)) : -1000000000;
}

} // namespace

BodyContacts::BodyContacts() : shareStart_(maxShares + 1), pushes_(maxShares) {
    for (std::vector<Push>& pushes : pushes_) {
        pushes.reserve(64);
    }
}

BodyContacts::~BodyContacts() = default;
BodyContacts::BodyContacts(BodyContacts&&) noexcept = default;
BodyContacts& BodyContacts::operator=(BodyContacts&&) noexcept = default;

void BodyContacts::add(const MpSystem& body) {
    insert(size(), body);
}

void BodyContacts::insert(int k, const MpSystem& body) {
    PLIMMERTON_CHECK(k >= 0 && k <= size(), "a body goes among those added or after them");
    Body entry;
    entry.shape = std::make_unique<BodyContactShape>(body);
    bodies_.insert(bodies_.begin() + k, std::move(entry));
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
    patchRadius_.clear();
    for (size_t k = 0; k < bodies_.size(); ++k) {
        Body& body = bodies_[k];
        const int patches = body.shape->patches().numPatches();
        body.firstPoint = totalPoints_;
        body.firstPatch = totalPatches_;
        totalPoints_ += body.shape->numPoints();
        totalPatches_ += patches;
        patchBody_.insert(patchBody_.end(), patches, static_cast<int32_t>(k));
        patchRadius_.insert(patchRadius_.end(), patches, body.shape->radius());
    }
    patchLow_.resize(totalPatches_);
    patchHigh_.resize(totalPatches_);
    patchActive_.reset(new std::atomic<uint8_t>[totalPatches_ > 0 ? totalPatches_ : 1]);
    widePatch_.assign(totalPatches_, 0);
    patchFromX_.resize(totalPatches_);
    patchFromY_.resize(totalPatches_);
    sides_.resize(totalPatches_);
    widePatches_.reserve(totalPatches_);
    // A patch stands in a few columns; more grow the lists once.
    const size_t entries = 8 * static_cast<size_t>(totalPatches_);
    entryPatch_.reserve(entries);
    sortedEntries_.reserve(entries);
    entryX_.reserve(entries);
    entryY_.reserve(entries);
    entryZ_.reserve(entries);
    patchColumns_.reserve(static_cast<int>(entries));
    gathered_.resize(totalPoints_);
    active_.resize(totalPoints_);
    activePositions_.resize(totalPoints_);
    activeX_.resize(totalPoints_);
    activeY_.resize(totalPoints_);
    activeZ_.resize(totalPoints_);
    activeRadius_.resize(totalPoints_);
    columns_.reserve(totalPoints_);
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
        const int shares = shareColumns();
        forEachItem(shares, workersFor(32LL * activeCount_), [&](int share) {
            pushActivePoints(bodies, shareStart_[share], shareStart_[share + 1], pushes_[share]);
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
    pushActivePoints(bodies, 0, columns_.numColumns(), pushes_[0]);
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
    if (kx == patchBody_[y]) {
        const Body& body = bodies_[kx];
        if (!selfContacts_ ||
            body.shape->patches().areNeighbours(x - body.firstPatch, y - body.firstPatch)) {
            return;
        }
    }
    const float reach = (patchRadius_[x] + patchRadius_[y]) * reachMargin;
    if (squaredGap(patchLow_[x], patchHigh_[x], patchLow_[y], patchHigh_[y]) > reach * reach) {
        return;
    }
    patchActive_[x].store(1, std::memory_order_relaxed);
    patchActive_[y].store(1, std::memory_order_relaxed);
}

void BodyContacts::markActivePatches() {
    // Each patch's box grown by half the largest reach: two patches within reach of each other
    // have grown boxes that overlap.
    const float widen = largestRadius() * reachMargin;
    float low[2] = {HUGE_VALF, HUGE_VALF};
    float high[2] = {-HUGE_VALF, -HUGE_VALF};
    for (int g = 0; g < totalPatches_; ++g) {
        const SbVec3f side = patchHigh_[g] - patchLow_[g];
        sides_[g] = std::max(side[0], side[1]) + 2 * widen;
        for (int a = 0; a < 2; ++a) {
            if (std::isfinite(patchLow_[g][a]) && std::isfinite(patchHigh_[g][a])) {
                low[a] = std::min(low[a], patchLow_[g][a] - widen);
                high[a] = std::max(high[a], patchHigh_[g][a] + widen);
            }
        }
    }
    // Columns as wide as half the patches across, so that a patch stands in a few.
    const auto middle = sides_.begin() + totalPatches_ / 2;
    std::nth_element(sides_.begin(), middle, sides_.end());
    float width = std::max(*middle, 2 * widen);
    for (int a = 0; a < 2; ++a) {
        if (low[a] <= high[a]) {
            width = std::max(width, (high[a] - low[a]) / ColumnOrder::mostColumnsAcross);
        } else {
            low[a] = 0;
        }
    }
    if (!(width > 0) || !std::isfinite(width)) {
        width = 1;
    }
    const float inverseWidth = 1 / width;

    entryPatch_.clear();
    entryX_.clear();
    entryY_.clear();
    entryZ_.clear();
    widePatches_.clear();
    for (int g = 0; g < totalPatches_; ++g) {
        const int32_t fromX = columnNumber((patchLow_[g][0] - widen - low[0]) * inverseWidth);
        const int32_t toX = columnNumber((patchHigh_[g][0] + widen - low[0]) * inverseWidth);
        const int32_t fromY = columnNumber((patchLow_[g][1] - widen - low[1]) * inverseWidth);
        const int32_t toY = columnNumber((patchHigh_[g][1] + widen - low[1]) * inverseWidth);
        patchFromX_[g] = fromX;
        patchFromY_[g] = fromY;
        const bool wide =
            int64_t(toX) - fromX >= maxColumnsAcross || int64_t(toY) - fromY >= maxColumnsAcross;
        widePatch_[g] = wide ? 1 : 0;
        if (wide) {
            widePatches_.push_back(g);
            continue;
        }
        for (int32_t x = fromX; x <= toX; ++x) {
            for (int32_t y = fromY; y <= toY; ++y) {
                entryPatch_.push_back(g);
                entryX_.push_back(x);
                entryY_.push_back(y);
                entryZ_.push_back(patchLow_[g][2] - widen);
            }
        }
    }
    patchColumns_.build(entryX_.data(), entryY_.data(), entryZ_.data(),
                        static_cast<int>(entryPatch_.size()));
    sortedEntries_.resize(entryPatch_.size());
    for (int e = 0; e < patchColumns_.size(); ++e) {
        const int32_t g = entryPatch_[patchColumns_.item(e)];
        sortedEntries_[e] = PatchEntry{g, entryZ_[patchColumns_.item(e)], patchHigh_[g][2] + widen,
                                       patchFromX_[g], patchFromY_[g]};
    }

    // Up each column, a patch meets those whose grown boxes begin below the top of its own.
    // Two patches standing in several columns together are checked in the first of them, where
    // both their runs of columns have begun, and only there.
    const int columns = patchColumns_.numColumns();
    const int shares = std::min(maxShares, columns / 64 + 1);
    forEachItem(shares, workersFor(64LL * totalPatches_), [&](int share) {
        const int last = static_cast<int>(int64_t(columns) * (share + 1) / shares);
        for (int c = static_cast<int>(int64_t(columns) * share / shares); c < last; ++c) {
            const int32_t x = patchColumns_.columnX(c);
            const int32_t y = patchColumns_.columnY(c);
            const int end = patchColumns_.columnEnd(c);
            for (int e = patchColumns_.columnBegin(c); e < end; ++e) {
                const PatchEntry& a = sortedEntries_[e];
                for (int f = e + 1; f < end; ++f) {
                    const PatchEntry& b = sortedEntries_[f];
                    if (!(b.bottom <= a.top)) {
                        break;
                    }
                    if (std::max(a.fromX, b.fromX) == x && std::max(a.fromY, b.fromY) == y) {
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
        const float radius = body.shape->radius();
        const int p = g - body.firstPatch;
        for (const int32_t* i = patches.patchBegin(p); i != patches.patchEnd(p); ++i) {
            gathered_[activeCount_] = Active{positions[*i], radius, k, *i, body.firstPoint + *i, g};
            ++activeCount_;
        }
    }
    if (activeCount_ == 0) {
        return;
    }
    for (int a = 0; a < activeCount_; ++a) {
        activePositions_[a] = gathered_[a].position;
    }
    // Every pair that touches is less than twice the largest radius apart.
    columns_.build(activePositions_.data(), activeCount_, 2 * largestRadius() * reachMargin);
    // The points' data in the columns' order, where each column's neighbours are read in runs.
    for (int e = 0; e < activeCount_; ++e) {
        active_[e] = gathered_[columns_.sortedPoint(e)];
        activeX_[e] = active_[e].position[0];
        activeY_[e] = active_[e].position[1];
        activeZ_[e] = active_[e].position[2];
        activeRadius_[e] = active_[e].radius;
    }
}

int BodyContacts::shareColumns() {
    const int perShare = std::max(32, (activeCount_ + maxShares - 1) / maxShares);
    int shares = 0;
    shareStart_[0] = 0;
    for (int c = 0; c < columns_.numColumns(); ++c) {
        if (columns_.columnEnd(c) >= (shares + 1) * perShare || c + 1 == columns_.numColumns()) {
            shareStart_[++shares] = c + 1;
        }
    }
    return shares;
}

bool BodyContacts::pairPush(int k, int i, int32_t gi, const SbVec3f& p, int l, int j, int32_t gj,
                            const SbVec3f& q, SbVec3f& force) const {
    if (k == l && !selfContacts_) {
        return false;
    }
    const float contact = k == l ? bodies_[k].shape->selfContactDistance(i, j)
                                 : bodies_[k].shape->radius() + bodies_[l].shape->radius();
    return orderedPairForce(gi, p, gj, q, contact, force);
}

bool BodyContacts::orderedPairForce(int32_t gi, const SbVec3f& p, int32_t gj, const SbVec3f& q,
                                    float contact, SbVec3f& force) {
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
    pushes.clear();
    // Whether the patch met last, of the point's own body, neighbours the point's: a point's
    // partners come from a few patches.
    int32_t lastPatch = -1;
    bool lastNeighbours = false;
    // A partner found among the candidates: the pair's push, unless it is of one body's fabric.
    auto meet = [&](const Active& point, int f) {
        const Active& other = active_[f];
        // Points of one body push only from patches apart at rest (BodyContactShape.h), at the
        // contact distance, twice the radius; those of neighbouring patches are either its
        // fabric, which never pushes, or listed partners, met below.
        if (other.body == point.body) {
            if (!selfContacts_ || other.patch == point.patch) {
                return;
            }
            if (other.patch != lastPatch) {
                const Body& body = bodies_[point.body];
                lastPatch = other.patch;
                lastNeighbours = body.shape->patches().areNeighbours(point.patch - body.firstPatch,
                                                                     other.patch - body.firstPatch);
            }
            if (lastNeighbours) {
                return;
            }
        }
        SbVec3f force;
        if (orderedPairForce(point.number, point.position, other.number, other.position,
                             point.radius + other.radius, force)) {
            pushes.push_back(Push{other.number, force});
        }
    };
    columns_.visitColumns(
        first, last,
        [&](int e, int from, int to) {
            const Active& point = active_[e];
            // The candidates closer than their contact distance, found as squaredDistance
            // measures it, so that none that pointPairForce pushes is left out.
            int f = from;
#if defined(__SSE2__)
            const __m128 x = _mm_set1_ps(point.position[0]);
            const __m128 y = _mm_set1_ps(point.position[1]);
            const __m128 z = _mm_set1_ps(point.position[2]);
            const __m128 r = _mm_set1_ps(point.radius);
            for (; f + 4 <= to; f += 4) {
                const __m128 dx = _mm_sub_ps(x, _mm_loadu_ps(&activeX_[f]));
                const __m128 dy = _mm_sub_ps(y, _mm_loadu_ps(&activeY_[f]));
                const __m128 dz = _mm_sub_ps(z, _mm_loadu_ps(&activeZ_[f]));
                const __m128 q = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)),
                                            _mm_mul_ps(dz, dz));
                const __m128 c = _mm_add_ps(r, _mm_loadu_ps(&activeRadius_[f]));
                int hits = _mm_movemask_ps(_mm_cmpgt_ps(_mm_mul_ps(c, c), q));
                while (hits != 0) {
                    const int bit = __builtin_ctz(static_cast<unsigned>(hits));
                    meet(point, f + bit);
                    hits &= hits - 1;
                }
            }
#endif
            for (; f < to; ++f) {
                const float contact = point.radius + activeRadius_[f];
                if (contact * contact > squaredDistance(point.position, active_[f].position)) {
                    meet(point, f);
                }
            }
        },
        [&](int e) {
            const Active& point = active_[e];
            const int k = point.body;
            const Body& body = bodies_[k];
            const SbVec3f* positions = bodies[k]->positions();
            const BodyContactShape& shape = *body.shape;
            for (const int32_t* j = shape.nearBegin(point.index); j != shape.nearEnd(point.index);
                 ++j) {
                SbVec3f force;
                if (pairPush(k, point.index, point.number, point.position, k, *j,
                             body.firstPoint + *j, positions[*j], force)) {
                    pushes.push_back(Push{body.firstPoint + *j, force});
                }
            }
            addInOrder(*bodies[k], point.index, pushes);
            pushes.clear();
            lastPatch = -1;
        });
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
