#pragma once

#include "balls/BodyContactShape.h"
#include "balls/PointGrid.h"

#include <Inventor/SbVec3f.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class MpSystem;

/// The contacts between the points of different bodies and between the points of one body
/// (BodyContactShape.h says which pairs touch): every pair that touches pushes its two points
/// apart with the same force, each the other way, of a penalty spring of
/// CollisionWorld::bodyBodyStiffness per unit of depth, depth being how far the pair is inside
/// its contact distance.
///
/// A point's pushes are added to its accumulator in the order of its partners' numbers, the
/// points of all the bodies numbered one after another in the order they were added: so the
/// sums, bit for bit, do not depend on how the pairs were found nor on the threads.
///
/// Each tick, the patches of every body (BodyPatches.h) are boxed, and a grid of cells finds
/// the pairs of patches whose boxes come within reach: of two bodies, or of one body and not
/// neighbours on its fabric. Only the points of such patches go into the grid of points, rebuilt
/// every tick with cells twice the largest contact distance wide, where each finds its partners.
/// A body alone and unfolded puts no point there.
///
/// The tables are sized when a body is added or removed. The lists of patches in cells and
/// each point's list of partners grow as a pass needs them and keep their size, so a tick
/// allocates only when it meets more of them than any tick before.
class BodyContacts {
public:
    BodyContacts();
    ~BodyContacts();
    BodyContacts(const BodyContacts&) = delete;
    BodyContacts& operator=(const BodyContacts&) = delete;
    /// The world of the program is emptied by putting a new one in its place.
    BodyContacts(BodyContacts&&) noexcept;
    BodyContacts& operator=(BodyContacts&&) noexcept;

    /// Measures `body`'s rest shape and puts it last; it must not have moved since it was made.
    void add(const MpSystem& body);
    /// Forgets the body added k-th; the later ones move down by one.
    void remove(int k);
    void clear();
    int size() const { return static_cast<int>(bodies_.size()); }
    const BodyContactShape& shape(int k) const { return *bodies_[k].shape; }

    /// Adds the pushes of the positions now to the bodies' accumulators. bodies[k] is the body
    /// added k-th. Spread over the worker threads.
    void accumulate(const std::vector<MpSystem*>& bodies);
    /// The same pushes with every point in the grid, on one thread: the reference for the
    /// search by patches.
    void accumulatePlain(const std::vector<MpSystem*>& bodies);
    /// The same pushes, every point tested against every other: the reference for the grid.
    /// Its time grows with the square of the number of points.
    void accumulateAllPairs(const std::vector<MpSystem*>& bodies) const;

    /// Whether two points of one body push each other apart (as BodyContactShape.h says); on
    /// at first. Off, a body meets only the others, and one body alone ticks as it would
    /// without this pass, even where it crumples onto itself.
    void setSelfContacts(bool on) { selfContacts_ = on; }
    bool selfContacts() const { return selfContacts_; }

    /// The number of points the last pass put in its grid.
    int searchedPoints() const { return activeCount_; }

private:
    struct Body {
        std::unique_ptr<BodyContactShape> shape;
        /// The number of its first point and first patch among all the bodies'.
        int32_t firstPoint = 0;
        int32_t firstPatch = 0;
    };
    /// A push found for one point: its partner's number and the push on the point.
    struct Push {
        int32_t partner;
        SbVec3f force;
    };
    /// A point searched this tick: where it is, its body, its index there and its number.
    struct Active {
        SbVec3f position;
        int32_t body;
        int32_t index;
        int32_t number;
    };
    struct Cell;
    /// A patch filed in a cell of the grid of patches, and the cell's bucket.
    struct PatchEntry;

    void renumber();
    /// Aborts unless bodies[k] has as many points as the body added k-th.
    void checkBodies(const std::vector<MpSystem*>& bodies) const;
    /// Every patch's box now, over the threads.
    void boxPatches(const std::vector<MpSystem*>& bodies);
    /// Marks the patches in a pair of patches that may touch.
    void markActivePatches();
    void checkPatchPair(int x, int y);
    Cell patchCellOf(const SbVec3f& p) const;
    /// Lists the points of the marked patches and files them in the grid.
    void gatherActivePoints(const std::vector<MpSystem*>& bodies);
    /// Finds and adds the pushes of the points in places [first, last) of the grid's order,
    /// using `pushes`.
    void pushActivePoints(const std::vector<MpSystem*>& bodies, int first, int last,
                          std::vector<Push>& pushes);
    /// Adds the pushes of the listed pairs of points that the grid did not hold both of.
    void pushUnsearchedNearPairs(const std::vector<MpSystem*>& bodies);
    /// The push on point i of body k at p from point j of body l at q (their numbers gi, gj),
    /// when they touch.
    bool pairPush(int k, int i, int32_t gi, const SbVec3f& p, int l, int j, int32_t gj,
                  const SbVec3f& q, SbVec3f& force) const;
    /// Adds the pushes in the order of their partners' numbers.
    static void addInOrder(MpSystem& body, int i, std::vector<Push>& pushes);
    bool isActive(int k, int i) const;
    float largestRadius() const;

    std::vector<Body> bodies_;
    bool selfContacts_ = true;
    int32_t totalPoints_ = 0;
    int32_t totalPatches_ = 0;
    /// Per patch: the body it belongs to, its box this tick, whether it is searched.
    std::vector<int32_t> patchBody_;
    std::vector<SbVec3f> patchLow_;
    std::vector<SbVec3f> patchHigh_;
    std::unique_ptr<std::atomic<uint8_t>[]> patchActive_;
    /// The search for pairs of patches: a grid of cells, each patch filed in every cell its box
    /// (widened by the largest radius) reaches; patches too wide for a few cells go on a list
    /// of their own and are tested against every patch.
    std::vector<PatchEntry> patchEntries_;
    std::vector<PatchEntry> sortedEntries_;
    std::vector<int32_t> bucketStart_;
    std::vector<int32_t> widePatches_;
    std::vector<uint8_t> widePatch_;
    /// The first cell each patch is filed in.
    std::vector<Cell> patchFrom_;
    std::vector<float> sides_;
    SbVec3f patchGridOrigin_{0, 0, 0};
    float patchCellSize_ = 1;
    float inversePatchCellSize_ = 1;
    /// The points searched this tick, as gathered patch by patch, and in the grid's order.
    int activeCount_ = 0;
    std::vector<Active> gathered_;
    std::vector<Active> active_;
    std::vector<SbVec3f> activePositions_;
    PointGrid grid_;
    /// One list of pushes for each share of the work.
    std::vector<std::vector<Push>> pushes_;
};
