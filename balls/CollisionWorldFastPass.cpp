// The contact pass of the running program: the plain pass's forces, found faster.
//
// The points of a body come in blocks of neighbours (a mesh numbers its points along its
// surface), and most blocks are far from every wall, pillar and ball. A block's bounding box
// tells which of them its points may reach; the others cannot give any of its points a force,
// so leaving them out changes no sum. A point's forces are still added in the plain order
// (walls, pillars, balls, each in list order), and only by the thread that owns its block, so
// the blocks can be shared among threads. The balls' share of the point-ball pushes is added
// afterwards on one thread, point by point in increasing order as the plain pass adds it, from
// the blocks that touched each ball.

#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "balls/ContactRules.h"
#include "common/Check.h"
#include "common/Workers.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using Box = PointBounds;

Box boxOf(const SbVec3f* positions, int first, int last) {
#if defined(__SSE2__)
    // Two points per step in two chains of minimum and maximum, x, y and z side by side. A
    // point's three values load as four, the fourth being the next point's x, which the box
    // ignores; the block's last point loads alone, as it may be the body's last.
    const SbVec3f& p = positions[first];
    __m128 low0 = _mm_setr_ps(p[0], p[1], p[2], 0.0f);
    __m128 high0 = low0;
    __m128 low1 = low0;
    __m128 high1 = low0;
    int i = first;
    for (; i + 2 < last; i += 2) {
        const __m128 a = _mm_loadu_ps(&positions[i][0]);
        const __m128 b = _mm_loadu_ps(&positions[i + 1][0]);
        low0 = _mm_min_ps(low0, a);
        high0 = _mm_max_ps(high0, a);
        low1 = _mm_min_ps(low1, b);
        high1 = _mm_max_ps(high1, b);
    }
    for (; i < last; ++i) {
        const SbVec3f& q = positions[i];
        const __m128 a = _mm_setr_ps(q[0], q[1], q[2], 0.0f);
        low0 = _mm_min_ps(low0, a);
        high0 = _mm_max_ps(high0, a);
    }
    alignas(16) float low[4];
    alignas(16) float high[4];
    _mm_store_ps(low, _mm_min_ps(low0, low1));
    _mm_store_ps(high, _mm_max_ps(high0, high1));
#else
    float low[3] = {positions[first][0], positions[first][1], positions[first][2]};
    float high[3] = {low[0], low[1], low[2]};
    for (int i = first + 1; i < last; ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], positions[i][a]);
            high[a] = std::max(high[a], positions[i][a]);
        }
    }
#endif
    return Box{SbVec3f(low[0], low[1], low[2]), SbVec3f(high[0], high[1], high[2])};
}

/// The distance along one axis from `centre` to the box, rounded as a point's offset is: the
/// rounding of a difference never decreases as the difference grows, so no point of the box
/// has a smaller offset on that axis than this.
float gap(const Box& box, int axis, float centre) {
    if (box.min[axis] > centre) {
        return box.min[axis] - centre;
    }
    if (box.max[axis] < centre) {
        return centre - box.max[axis];
    }
    return 0;
}

/// False when no point of the box is both over the wall's square and behind it.
bool wallMayReach(const Box& box, const Wall& wall, int axis) {
    const float h = wall.halfExtent;
    for (int a = 0; a < 3; ++a) {
        if (a != axis && (box.max[a] <= -h || box.min[a] >= h)) {
            return false;
        }
    }
    const float w = wall.position[axis];
    return w < 0 ? box.min[axis] < w : box.max[axis] > w;
}

/// False when every point of the box is outside the pillar: its squared offset, summed with the
/// same roundings, is at least the gap's.
bool pillarMayReach(const Box& box, const PillarCircle& pillar) {
    const float gx = gap(box, 0, pillar[0]);
    const float gz = gap(box, 2, pillar[2]);
    const float radius = pillar[1];
    return radius * radius > gx * gx + gz * gz;
}

/// False when every point of the box is outside the ball centred at c.
bool ballMayReach(const Box& box, const SbVec3f& c) {
    const float gx = gap(box, 0, c[0]);
    const float gy = gap(box, 1, c[1]);
    const float gz = gap(box, 2, c[2]);
    return Ball::radius * Ball::radius > gx * gx + gy * gy + gz * gz;
}

/// Blocks handed out at a time: few enough hand-overs, small enough that a thread the system
/// holds up leaves the rest to the others.
constexpr int blocksPerItem = 8;

uint64_t ballBit(int k) {
    return uint64_t(1) << std::min(k, 63);
}

int blockCount(const MpSystem& body) {
    return (body.numPoints() + CollisionWorld::blockSize - 1) / CollisionWorld::blockSize;
}

} // namespace

void CollisionWorld::addBody(MpSystem* body) {
    insertBody(static_cast<int>(bodies_.size()), body);
}

void CollisionWorld::insertBody(int k, MpSystem* body) {
    if (body == nullptr) {
        return;
    }
    PLIMMERTON_CHECK(k >= 0 && k <= static_cast<int>(bodies_.size()),
                     "a body goes among the bodies or after them");
    bodies_.insert(bodies_.begin() + k, body);
    bodyBounds_.insert(bodyBounds_.begin() + k, boundsOf(nullptr, 0));
    bodyContacts_.insert(k, *body);
    const size_t blocks = static_cast<size_t>(blockCount(*body));
    if (blockBallHits_.size() < blocks) {
        blockBallHits_.assign(blocks, 0);
        blockBounds_.resize(blocks);
    }
}

void CollisionWorld::accumulateArenaContactForces() {
    for (int k = 0; k < static_cast<int>(bodies_.size()); ++k) {
        accumulateBodyForces(k);
    }
    if (balls_ != nullptr) {
        accumulateBallForces();
    }
}

void CollisionWorld::accumulateBodyForces(int k) {
    MpSystem& body = *bodies_[k];
    const int blocks = blockCount(body);
    const int groups = (blocks + blocksPerItem - 1) / blocksPerItem;
    forEachItem(groups, workersFor(body.numPoints()), [&](int group) {
        accumulateBlockForces(body, group * blocksPerItem,
                              std::min(blocks, (group + 1) * blocksPerItem));
    });
    accumulateBallShares(body);
    // The blocks' boxes, found for the culling, make the body's at a few hundredths of the
    // points' cost.
    PointBounds bounds = boundsOf(nullptr, 0);
    for (int b = 0; b < blocks; ++b) {
        const PointBounds& box = blockBounds_[b];
        for (int axis = 0; axis < 3; ++axis) {
            bounds.min[axis] = std::min(bounds.min[axis], box.min[axis]);
            bounds.max[axis] = std::max(bounds.max[axis], box.max[axis]);
        }
    }
    bodyBounds_[k] = bounds;
}

void CollisionWorld::accumulateBlockForces(MpSystem& body, int firstBlock, int lastBlock) {
    const SbVec3f* positions = body.positions();
    const int numPoints = body.numPoints();
    const int numBalls = balls_ != nullptr ? balls_->size() : 0;
    SbVec3f f;
    for (int b = firstBlock; b < lastBlock; ++b) {
        const int first = b * blockSize;
        const int last = std::min(numPoints, first + blockSize);
        const Box box = boxOf(positions, first, last);
        blockBounds_[b] = box;
        // Each wall, pillar and ball in turn over the whole block: every point still meets
        // them in list order.
        for (const Wall& wall : walls_) {
            const int axis = wallAxis(wall);
            if (axis < 0 || !wallMayReach(box, wall, axis)) {
                continue;
            }
            for (int i = first; i < last; ++i) {
                if (pointWallForce(positions[i], wall, axis, f)) {
                    body.addExternalForce(i, f);
                }
            }
        }
        for (const PillarCircle& pillar : pillars_) {
            if (!pillarMayReach(box, pillar)) {
                continue;
            }
            for (int i = first; i < last; ++i) {
                if (pointPillarForce(positions[i], pillar, f)) {
                    body.addExternalForce(i, f);
                }
            }
        }
        uint64_t hits = 0;
        for (int k = 0; k < numBalls; ++k) {
            const SbVec3f c = balls_->at(k).position();
            if (!ballMayReach(box, c)) {
                continue;
            }
            for (int i = first; i < last; ++i) {
                if (pointBallForce(positions[i], c, f)) {
                    body.addExternalForce(i, pointShareOfBallForce * f);
                    hits |= ballBit(k);
                }
            }
        }
        blockBallHits_[b] = hits;
    }
}

void CollisionWorld::accumulateBallShares(const MpSystem& body) const {
    if (balls_ == nullptr) {
        return;
    }
    const SbVec3f* positions = body.positions();
    const int numPoints = body.numPoints();
    const int numBalls = balls_->size();
    const int blocks = blockCount(body);
    SbVec3f f;
    for (int b = 0; b < blocks; ++b) {
        const uint64_t hits = blockBallHits_[b];
        if (hits == 0) {
            continue;
        }
        const int first = b * blockSize;
        const int last = std::min(numPoints, first + blockSize);
        for (int k = 0; k < numBalls; ++k) {
            if ((hits & ballBit(k)) == 0) {
                continue;
            }
            Ball& ball = balls_->at(k);
            const SbVec3f c = ball.position();
            for (int i = first; i < last; ++i) {
                if (pointBallForce(positions[i], c, f)) {
                    ball.addForce(ballShareOfBallForce * f);
                }
            }
        }
    }
}
