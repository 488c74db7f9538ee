#pragma once

#include <vector>

class CollisionWorld;
class MpSystem;
class StableTimeStep;

/// The stable time step of `body` among the floor and pillars of `contacts`, from its bound
/// as a free body (`freeBody`, measured on it); the free bound when there are neither.
///
/// The floor's and the pillars' penalty springs (60 and 200 per unit of depth) are stiffness
/// that a point meets on top of its springs, which the linear bound takes in (a point may be
/// in both at once). That is not all: runs show that a body landing on the floor and resting
/// in it blows up earlier still, and the earlier the heavier its points, which the floor's
/// fixed stiffness lets sink deeper under their own weight and stops harder. On the bundled
/// ball and prepared models at stiffness 50 to 1,000 and point mass 0.05 to 3, the arena's
/// blow-up came at 0.6 to 1 times the free bound; dividing the linear bound by 1 + d / 0.4,
/// with d the depth to which a lower point (1.5 times the point mass) sinks into the floor
/// under its weight, keeps below every one of them (scripts/stability-check.sh). Balls lodged in
/// the body push harder still (1,200 per unit of depth on a point), for as long as they stay; they
/// are left out.
float contactTimeStep(const StableTimeStep& freeBody, const MpSystem& body,
                      const CollisionWorld& contacts);

/// The stable time step of every body of `contacts` among the floor, the pillars and one
/// another: the smallest of their bounds. freeBodies[k] is measured on contacts.bodies()[k]
/// (a null one counts as no limit).
///
/// With more than one body, a point may also press on points of another body, each pair a
/// penalty spring of CollisionWorld::bodyBodyStiffness that moves both its points: for two
/// equal points that is twice the stiffness against one that stands still, and a point pressed
/// into another surface meets the three corners of the triangle there. A body alone touches itself
/// only where it folds over, which passes, as balls lodged in it do: its bound stays
/// contactTimeStep's.
float sceneTimeStep(const std::vector<const StableTimeStep*>& freeBodies,
                    const CollisionWorld& contacts);
