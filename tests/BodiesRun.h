#pragma once

#include "balls/CollisionWorld.h"
#include "bodyoutput/BodyMeasures.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbVec3f.h>

#include <memory>
#include <string>
#include <vector>

class SoSeparator;

/// Several bodies in the start-up arena (the floor and the pillars of one seed), ticked as the
/// program ticks them: every body's step, then the contact pass.
class BodiesRun {
public:
    /// The arena of `seed`, or none when it is negative (no floor, no pillars).
    explicit BodiesRun(int seed);
    ~BodiesRun();
    BodiesRun(const BodiesRun&) = delete;
    BodiesRun& operator=(const BodiesRun&) = delete;

    /// Reads a body from mesh text with point mass `mass`, moved by `offset` once read (the
    /// masses stay those of where the file put it), and adds it to the contacts.
    MpSystem& add(const std::string& meshText, const SbVec3f& offset, float damping, float mass,
                  float stiffness);
    void remove(int k);

    void tick(float dt);
    /// The same tick with the plain step and contact passes.
    void tickPlain(float dt);

    int size() const { return static_cast<int>(bodies_.size()); }
    MpSystem& body(int k) const { return *bodies_[k]; }
    CollisionWorld& contacts() { return contacts_; }

private:
    SoSeparator* world_;
    std::vector<std::unique_ptr<MpSystem>> bodies_;
    CollisionWorld contacts_;
};

/// The text of a file of data/.
std::string dataFile(const std::string& name);
