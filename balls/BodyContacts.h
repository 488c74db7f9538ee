#pragma once

#include "balls/BodyContactShape.h"
#include "balls/PointColumns.h"

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
/// neighbours on its fabric. Only the points of such patches are filed in columns as wide as
/// the largest contact distance (PointColumns.h), rebuilt every tick, where each finds its
/// partners of other bodies and of patches of its own body apart from its own; its listed
/// partners (BodyContactShape.h) it meets directly. A body alone and unfolded puts no point in
/// the columns.
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
    /// The same, put k-th: the body added k-th and the later ones move up by one.
    void insert(int k, const MpSystem& body);
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
    /// A point searched this tick: where it is, its sphere's radius, its body, its index
    /// there, its number and its patch's number among all the bodies' patches.
    struct Active {
        SbVec3f position;
        float radius;
        int32_t body;
        int32_t index;
        int32_t number;
        int32_t patch;
    };
    void renumber();
    /// Aborts unless bodies[k] has as many points as the body added k-th.
    void checkBodies(const std::vector<MpSystem*>& bodies) const;
    /// Every patch's box now, over the threads.
    void boxPatches(const std::vector<MpSystem*>& bodies);
    /// Marks the patches in a pair of patches that may touch.
    void markActivePatches();
    void checkPatchPair(int x, int y);
    /// Lists the points of the marked patches and files them in the columns.
    void gatherActivePoints(const std::vector<MpSystem*>& bodies);
    /// Splits the columns into at most maxShares runs of about as many points each.
    int shareColumns();
    /// Finds and adds the pushes of the points in columns [first, last), using `pushes`.
    void pushActivePoints(const std::vector<MpSystem*>& bodies, int first, int last,
                          std::vector<Push>& pushes);
    /// Adds the pushes of the listed pairs of points that the grid did not hold both of.
    void pushUnsearchedNearPairs(const std::vector<MpSystem*>& bodies);
    /// The push on point i of body k at p from point j of body l at q (their numbers gi, gj),
    /// when they touch.
    bool pairPush(int k, int i, int32_t gi, const SbVec3f& p, int l, int j, int32_t gj,
                  const SbVec3f& q, SbVec3f& force) const;
    /// The push on the point numbered gi at p from the one numbered gj at q when they are less
    /// than `contact` apart, the same bits, reversed, as the other way round.
    static bool orderedPairForce(int32_t gi, const SbVec3f& p, int32_t gj, const SbVec3f& q,
                                 float contact, SbVec3f& force);
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
    std::vector<float> patchRadius_;
    std::vector<SbVec3f> patchLow_;
    std::vector<SbVec3f> patchHigh_;
    std::unique_ptr<std::atomic<uint8_t>[]> patchActive_;
    /// The search for pairs of patches: each patch's box, grown by the largest radius, stands
    /// in every column (ColumnOrder.h) across x and y that it reaches, an entry in each, from
    /// its first column (patchFromX_, patchFromY_) on; patches too wide for a few columns go on
    /// a list of their own and are checked against every patch.
    std::vector<int32_t> entryPatch_;
    std::vector<int32_t> entryX_;
    std::vector<int32_t> entryY_;
    std::vector<float> entryZ_;
    ColumnOrder patchColumns_;
    /// An entry in the columns' order: its patch, the bottom and top of the patch's grown box
    /// and the patch's first column.
    struct PatchEntry {
        int32_t patch;
        float bottom;
        float top;
        int32_t fromX;
        int32_t fromY;
    };
    std::vector<PatchEntry> sortedEntries_;
    std::vector<int32_t> patchFromX_;
    std::vector<int32_t> patchFromY_;
    std::vector<int32_t> widePatches_;
    std::vector<uint8_t> widePatch_;
    std::vector<float> sides_;
    /// The points searched this tick, as gathered patch by patch, and in the columns' order.
    int activeCount_ = 0;
    std::vector<Active> gathered_;
    std::vector<Active> active_;
    std::vector<SbVec3f> activePositions_;
    /// The searched points' coordinates and radii in the columns' order, side by side, where
    /// four candidates are measured at once.
    std::vector<float> activeX_;
    std::vector<float> activeY_;
    std::vector<float> activeZ_;
    std::vector<float> activeRadius_;
    PointColumns columns_;
    /// The first column of each share of the work, and the end.
    std::vector<int32_t> shareStart_;
    /// One list of pushes for each share of the work.
    std::vector<std::vector<Push>> pushes_;
};
