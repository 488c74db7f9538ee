#pragma once

#include "balls/BodyContacts.h"
#include "balls/BodyPlace.h"

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

class BallSet;
class MpSystem;

/// A pillar for contacts: (x, radius, z), an infinite vertical cylinder about the line
/// through (x, z).
using PillarCircle = SbVec3f;

/// An axis-aligned square wall: exactly one non-zero component of `position` gives its normal
/// axis and signed coordinate w; a wall at w < 0 keeps things above w, at w > 0 below w.
struct Wall {
    SbVec3f position;
    float halfExtent;
};

/// Gathers every contact force of the arena once per tick as penalty forces, into the
/// accumulators that the body's and the balls' next steps consume.
class CollisionWorld {
public:
    static constexpr float bodyWallStiffness = 60;
    static constexpr float ballWallStiffness = 1000;
    static constexpr float bodyPillarStiffness = 200;
    static constexpr float ballPillarStiffness = 1000;
    static constexpr float bodyBallStiffness = 2000;
    static constexpr float ballBallStiffness = 60;
    /// Between two points of different bodies, or of one body (BodyContacts.h): half the push a
    /// point takes from a ball (its 60 % of 2,000), because both points of a pair move, so the
    /// pair vibrates as fast as a point against a ball, and a point pressed into the hollow of
    /// another surface meets three at once (ContactTimeStep.h).
    static constexpr float bodyBodyStiffness = 600;

    /// Puts a body last among those whose points take part; the first is the program's first
    /// body. The body counts as at rest as it stands (BodyContactShape.h): add it before its
    /// first step. The world refers to the body without owning it: whoever destroys a body
    /// takes it out first (removeBody, clearBodies), so the contact pass never reaches a
    /// destroyed one.
    void addBody(MpSystem* body);
    /// The same, put k-th (0: first), before the body that was k-th: a new first body goes
    /// ahead of the others.
    void insertBody(int k, MpSystem* body);
    /// Takes the body out; nothing happens when it is not in.
    void removeBody(const MpSystem* body);
    void clearBodies();
    void addPillar(const PillarCircle& pillar) { pillars_.push_back(pillar); }
    /// Forgets the pillars, as the arena is laid out anew.
    void clearPillars() { pillars_.clear(); }
    void addWall(const Wall& wall) { walls_.push_back(wall); }
    void setBalls(BallSet* balls) { balls_ = balls; }

    /// Adds the contact forces of the current positions to the points' and balls' accumulators:
    /// the arena's (accumulateArenaContactForces), then those between the bodies' points
    /// (BodyContacts.h), which are none for one body that has not folded onto itself.
    void accumulateContactForces();
    /// The same forces by the plain passes: the reference for the fast ones.
    void accumulatePlainContactForces();

    /// The arena's share: first every body point against the walls, the pillars and the balls,
    /// then every ball against the walls, the pillars and the other balls. All thresholds are
    /// strict. Contacts
    /// without a direction give no force: a point at a ball's centre or on a pillar's axis, a
    /// ball centre exactly one ball radius from a pillar's axis, two balls at the same centre.
    ///
    /// The body's points are taken in blocks of neighbours: a block skips every wall, pillar
    /// and ball that its bounding box shows it cannot reach, and the blocks are shared among
    /// the worker threads (mpsystem/Workers.h). Every accumulator still receives the same
    /// forces in the same order as in the plain pass, so the sums are the same bit for bit.
    void accumulateArenaContactForces();
    /// The same forces, every point tested against every wall, pillar and ball on one thread:
    /// the reference for the fast pass.
    void accumulatePlainArenaContactForces();

    const std::vector<MpSystem*>& bodies() const { return bodies_; }
    /// The box around the points of body k (in the order added) as the last fast contact pass
    /// found them, from the boxes of its blocks: what the tick's watch over the body reads,
    /// at no cost of its own. Empty (min above max) before a pass and for a body of no points.
    const PointBounds& bodyBounds(int k) const { return bodyBounds_[k]; }
    const std::vector<PillarCircle>& pillars() const { return pillars_; }
    const std::vector<Wall>& walls() const { return walls_; }
    BallSet* balls() const { return balls_; }
    /// The contacts between the bodies' points, bodies() in the same order.
    BodyContacts& bodyContacts() { return bodyContacts_; }
    const BodyContacts& bodyContacts() const { return bodyContacts_; }

    /// Points per block of the fast pass.
    static constexpr int blockSize = 256;

private:
    void accumulatePlainBodyForces(MpSystem& body) const;
    /// The forces on the points of body k, and its bounds.
    void accumulateBodyForces(int k);
    /// The points of blocks [firstBlock, lastBlock) against what each block can reach; notes
    /// in blockBallHits_ the balls that each block touches.
    void accumulateBlockForces(MpSystem& body, int firstBlock, int lastBlock);
    /// The balls' share of the point-ball pushes, in point order, from the noted blocks.
    void accumulateBallShares(const MpSystem& body) const;
    void accumulateBallForces() const;

    std::vector<MpSystem*> bodies_;
    std::vector<PillarCircle> pillars_;
    std::vector<Wall> walls_;
    BallSet* balls_ = nullptr;
    /// Per block of points, the balls its points touch: bit k for ball k, the last bit for
    /// every ball from that one on. Sized for the largest body when it is added, so the pass
    /// allocates nothing.
    std::vector<uint64_t> blockBallHits_;
    /// Per block of points, the box around them, sized like blockBallHits_; and per body, the
    /// box around all its blocks.
    std::vector<PointBounds> blockBounds_;
    std::vector<PointBounds> bodyBounds_;
    BodyContacts bodyContacts_;
};
