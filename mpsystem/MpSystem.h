#pragma once

#include "mpsystem/BodyMesh.h"
#include "mpsystem/BodyState.h"
#include "mpsystem/SpringKernel.h"
#include "mpsystem/StepPlan.h"
#include "mpsystem/SurfacePressure.h"

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class BodySurface;
class SbRotation;
class SoCamera;
class SoCoordinate3;
class SoSeparator;

/// The deformable body: mass points joined by damped springs, one point per vertex and one
/// spring per distinct edge of the mesh it was read from. Points and springs are indices into
/// parallel arrays (a structure of arrays), so the step walks contiguous memory.
class MpSystem {
public:
    /// Reads a whole "OFF" or "TOFF" mesh from `mesh`, writing progress to standard error.
    /// A file without a known keyword ends the program with status 1. A malformed file leaves
    /// an empty body whose loadError() says what is wrong and where. `mass` is the mass of a
    /// point at or above y = 0 (points below weigh 1.5 times as much). Damping, stiffness and
    /// point masses that are not finite numbers count as 0.
    /// `meshFileName`, when known, lets the reader's messages name the file.
    MpSystem(std::istream& mesh, float damping, float mass, float stiffness,
             const char* meshFileName = "");
    /// A body made of `mesh`, which it takes over: the rest data of a body read before, or one
    /// built in memory. Its indices must lie inside its points.
    MpSystem(BodyMesh mesh, float damping, float stiffness);
    ~MpSystem();
    MpSystem(const MpSystem&) = delete;
    MpSystem& operator=(const MpSystem&) = delete;

    /// False when the mesh was malformed; the body then has no points and no springs.
    bool isLoaded() const { return loadError_.empty(); }
    /// A number that no other body of this run has had: what measured one body can tell it
    /// from the next, even one built where the last one was.
    uint64_t serial() const { return serial_; }
    /// One line (without end of line) saying what was wrong with the mesh; empty when loaded.
    const std::string& loadError() const { return loadError_; }

    /// Advances the body by dt seconds: gravity and external forces, springs, semi-implicit
    /// Euler, then the external forces are cleared. The state stays finite whatever the
    /// arguments: a point whose mass is not positive never moves; a step with dt not positive
    /// moves nothing (it only uses up the external forces); a point whose new state would
    /// leave single precision stops where it is.
    ///
    /// The springs are shared among the worker threads (Workers.h) in runs of consecutive
    /// springs, and each point moves as soon as its last spring is done (StepPlan.h): the
    /// result is the same, bit for bit, as stepSequential's.
    void step(float dt);
    /// Lays the fast step out anew for `parts` parts (held to 1 .. one per 256 springs), which
    /// the worker threads share however many there are. A body is laid out for the worker
    /// threads when it is made; the results never depend on the parts.
    void splitStep(int parts);
    /// The same step in the plain order, one pass after another over all points and springs
    /// on one thread; kept as the reference the fast step must match.
    void stepSequential(float dt);
    /// Force of spring s on its end a (end b takes the negative); advances its last length.
    /// A spring of length 0 has no direction and exerts no force; without a positive dt there
    /// is no damping part; a force beyond single precision is dropped. s lies in 0 .. S-1.
    SbVec3f springForce(int s, float dt);

    /// True when the last step stopped a point because its new state would have left single
    /// precision: the body is blowing up.
    bool stoppedPoints() const { return stoppedPoints_.load(std::memory_order_relaxed); }

    int numPoints() const { return numPoints_; }
    int numSprings() const { return numSprings_; }
    /// Position of point i, or (0, 0, 0) for an index outside the body.
    SbVec3f pointPosition(int i) const;
    /// Moves every point by `offset`, as a body is put in its place among others; its masses
    /// stay those of where its file put it. An offset that is not finite moves nothing.
    void moveBy(const SbVec3f& offset);
    /// Turns every point about the origin by `turn`, as a scene file turns a body before it is
    /// moved into its place; its masses stay those of where its file put it.
    void turnBy(const SbRotation& turn);
    /// Adds f to point i's accumulator for the next step; indices outside the body, and forces
    /// that would make the accumulator infinite or not a number, are ignored.
    void addExternalForce(int i, const SbVec3f& f);

    float damping() const { return damping_; }
    /// A value that is not a finite number counts as 0.
    void setDamping(float c);
    float stiffness() const { return stiffness_; }
    /// A value that is not a finite number counts as 0.
    void setStiffness(float ks);
    float springDamping() const { return springDamping_; }
    /// The mass of a point that started at or above y = 0; the others weigh 1.5 times as much.
    float pointMass() const { return pointMass_; }
    /// Gives every point the mass the reader would have given it for `m`: m, or 1.5 m for the
    /// points that started below y = 0 (by their single-precision height). A value that is not
    /// a finite number counts as 0.
    void setPointMass(float m);

    /// The pressure of the gas inside the body's closed surface (SurfacePressure.h), in force
    /// per unit of area. A body starts with the pressure its file asks for (BodyMesh), or none
    /// when its surface cannot hold one.
    float pressure() const { return pressure_; }
    /// The pressure the body's file asked for; 0 when it asked for none.
    float filePressure() const { return filePressure_; }
    /// Sets the pressure from the next step on; a value that is not a finite number, or below
    /// 0, counts as 0. A surface that cannot hold a gas takes none: the pressure stays 0 and
    /// the answer is false (pressureProblem says why).
    bool setPressure(float p);
    /// Why the surface cannot hold a pressure (it is not closed, or encloses nothing), in the
    /// user's words; empty when it can. Looked at when first asked.
    const std::string& pressureProblem() const;
    /// The word that refuses a pressure, for the user: "no pressure: " and the problem, and
    /// that only a closed surface holds a gas.
    std::string pressureRefusal() const;
    /// The pressure that holds the body up in the arena without struts, by the rule of thumb
    /// the README gives: three times its weight (its points' masses now, times g) over the area of
    /// its surface as read, the weight each unit of the surface carries. 0 without a surface.
    float holdingPressure() const;
    /// The volume the surface enclosed as read, and the one it encloses now.
    double restVolume() const { return restVolume_; }
    double volume() const;

    /// Pins point i in place, or lets it go: a pinned point keeps its position to the bit and
    /// no velocity whatever pulls on it. Indices outside the body are ignored.
    void setPinned(int i, bool pinned);
    bool isPinned(int i) const;
    /// The pinned points, in increasing order.
    const std::vector<int32_t>& pinnedPoints() const { return pinnedPoints_; }
    /// Grows with every change of the pins, so that what shows them knows when to look again.
    uint64_t pinChanges() const { return pinChanges_; }

    /// The fast step's order of work, for the benchmarks and the tests.
    const StepPlan& stepPlan() const { return stepPlan_; }
    /// True when the springs' lengths are kept in single precision (every rest length is a
    /// single-precision number, as the reader makes them).
    bool hasSingleLengths() const { return singleLengths_; }

    /// Copies into `state`, made for this body or one of its size (BodyState(body)), all that
    /// the following steps depend on; allocates nothing.
    void captureState(BodyState& state) const;
    /// Puts the body back into `state`, captured from it or from a body read from the same
    /// mesh: the steps that follow give the same results, bit for bit, as those that followed
    /// the capture. Stiffness, damping, point mass, pressure and the pins return with it; the
    /// camera, the headcam and the surface stay as they are (updateScene shows the state).
    void restoreState(const BodyState& state);
    /// The largest side of the box around the points as they were made: the body's own size.
    float restSize() const { return restSize_; }

    /// Read-only views of the state, for the scene, the tools and the tests.
    const SbVec3f* positions() const { return positions_.data(); }
    const SbVec3f* velocities() const { return velocities_.data(); }
    /// The force on each point in the last step that moved the body.
    const SbVec3f* forces() const { return forces_.data(); }
    const SbVec3f* externalForces() const { return externalForces_.data(); }
    const float* masses() const { return masses_.data(); }
    const SpringEnds* springs() const { return springs_.data(); }
    const double* restLengths() const { return restLengths_.data(); }
    /// The length of spring s at the last step that moved the body (its rest length before).
    double lastLength(int s) const;
    /// The sum over the springs of the square of (length - rest length), each length measured
    /// from the positions as they stand, as the step measures it: twice the energy the springs
    /// hold at stiffness 1. One pass over the springs in the step's order, a square root each.
    double squaredStretch() const;
    const SbVec2f* texCoords() const { return texCoords_.data(); }
    const int32_t* faceIndices() const { return faceIndices_.data(); }
    int numFaceIndices() const { return static_cast<int>(faceIndices_.size()); }
    /// True when the file was "TOFF" and so gave each point a texture coordinate.
    bool hasFileTexCoords() const { return hasFileTexCoords_; }

    /// Builds the body's textured surface with the picture of `textureFile` (none for an empty
    /// name; see loadTexture for the files taken) and makes it the body's surface
    /// (BodySurface.h, in the surface library); the caller adds it to the scene.
    SoSeparator* buildSurface(float red, float green, float blue, float transparency,
                              const char* textureFile);
    /// Copies the positions into the surface (those of the level drawn, for a large body) and,
    /// with the headcam on, puts the camera above and behind point 0, looking at it. Once a
    /// point has been pinned, the surface also shows the pinned points with a marker
    /// (mpsystem/surface/PinMarkers.h), its last child.
    void updateScene();
    void setCamera(SoCamera* camera) { camera_ = camera; }
    bool isHeadcam() const { return headcam_ != 0; }
    /// Switching off puts the camera back to the global view pose.
    void setHeadcam(bool on);
    /// The surface built last, its separator and its coordinates; null before buildSurface.
    BodySurface* surface() const { return surface_.get(); }
    SoSeparator* surfaceRoot() const;
    SoCoordinate3* surfaceCoordinates() const;

private:
    /// Takes over the rest data and sets the state that starts from it: at rest, no forces,
    /// each spring at its rest length.
    void adopt(BodyMesh mesh);
    void addGravityAndExternalForces();
    void addSpringForces(float dt);
    void integrate(float dt);
    /// Semi-implicit Euler for one point of positive mass under `force`.
    void movePoint(int32_t i, const SbVec3f& force, float m, float dt);
    void clearExternalForces();
    /// The pinned points go back to where they were pinned, at rest.
    void holdPinnedPoints();
    /// Brings the surface's marker of the pinned points up to date (surface library).
    void showPinMarkers();
    /// Load-time set-up of the fast step, once the mesh is read.
    void prepareFastStep();
    /// Builds the plan for `parts` parts and puts the springs' data in its order, with these
    /// last lengths (in spring order).
    void layOutFastStep(int parts, const std::vector<double>& lastLengths);
    /// The fast step's work on the chunks of one part of the plan.
    template <typename Length>
    void stepPart(int part, const SpringConstants& constants, SlotLengths<Length>& lengths);
    /// Boundary points [begin, end) take their deferred forces and move.
    void finishBoundaryPoints(int32_t begin, int32_t end, float dt);
    /// Adds boundary point k's deferred forces to its accumulator, in spring order.
    void addDeferredForces(int32_t k);
    void prefetchPoints(int32_t c, bool nextChunk) const;
    void startPoint(int32_t i);
    void finishPoints(const int32_t* first, const int32_t* last, float dt);

    uint64_t serial_;
    float restSize_ = 0;
    /// Set by the step's guard, from any of the worker threads.
    std::atomic<bool> stoppedPoints_{false};
    SoCamera* camera_ = nullptr;
    int32_t headcam_ = 0;
    int32_t numPoints_ = 0;
    std::vector<SbVec3f> positions_;
    std::vector<SbVec3f> velocities_;
    std::vector<SbVec3f> forces_;
    std::vector<float> masses_;
    float pointMass_ = 0;
    /// Which points started below y = 0, for setPointMass.
    std::vector<bool> startedBelowZero_;
    float damping_ = 0;
    std::vector<SbVec3f> externalForces_;
    int32_t numSprings_ = 0;
    std::vector<SpringEnds> springs_;
    std::vector<double> restLengths_;
    /// The fast step's order of work, the springs' ends in it, and its deferred spring forces
    /// (StepPlan.h).
    StepPlan stepPlan_;
    std::vector<SpringOffsets> slotEnds_;
    std::vector<SbVec3f> deferredForces_;
    /// The rest and last lengths in the plan's slots: in single precision when every rest length
    /// is a single-precision number, as the reader makes them (every last length then is one
    /// too, being a rest length or a single-precision length), else in double precision.
    bool singleLengths_ = true;
    SlotLengths<float> singleSlotLengths_;
    SlotLengths<double> doubleSlotLengths_;
    float stiffness_ = 0;
    float springDamping_ = 0.1f;
    /// Shared only so that the physics, which never builds a surface, need not know its type.
    std::shared_ptr<BodySurface> surface_;
    /// The marker of the pinned points, made with the first pin, and the pins it shows.
    SoSeparator* pinMarkers_ = nullptr;
    SoCoordinate3* pinCoordinates_ = nullptr;
    uint64_t shownPinChanges_ = 0;
    std::vector<SbVec2f> texCoords_;
    std::vector<int32_t> faceIndices_;
    bool hasFileTexCoords_ = false;
    float pressure_ = 0;
    float filePressure_ = 0;
    double restVolume_ = 0;
    double restArea_ = 0;
    /// The surface laid out for the pressure, once a pressure is set, and the threads it uses.
    SurfacePressure gas_;
    bool gasBuilt_ = false;
    int gasWorkers_ = 1;
    mutable bool closureKnown_ = false;
    mutable std::string pressureProblem_;
    std::vector<int32_t> pinnedPoints_;
    /// Where each pinned point was pinned, in the order of pinnedPoints_.
    std::vector<SbVec3f> pinnedPositions_;
    uint64_t pinChanges_ = 0;
    std::string loadError_;
};
