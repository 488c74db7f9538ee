#include "BodiesRun.h"

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "mpsystem/MeshReader.h"

#include <Inventor/nodes/SoSeparator.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>

BodiesRun::BodiesRun(int seed) {
    world_ = new SoSeparator;
    world_->ref();
    if (seed >= 0) {
        layOutArena(world_, contacts_, static_cast<unsigned>(seed));
        addArenaFloor(contacts_);
    }
}

BodiesRun::~BodiesRun() {
    contacts_.clearBodies();
    world_->unref();
}

MpSystem& BodiesRun::add(const std::string& meshText, const SbVec3f& offset, float damping,
                         float mass, float stiffness) {
    std::istringstream in(meshText);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    MeshReader reader(in);
    BodyMesh mesh = reader.read(mass);
    std::cerr.rdbuf(progress);
    EXPECT_EQ(reader.error(), "") << "the body's mesh reads";
    for (SbVec3f& p : mesh.positions) {
        p += offset;
    }
    bodies_.push_back(std::make_unique<MpSystem>(std::move(mesh), damping, stiffness));
    contacts_.addBody(bodies_.back().get());
    return *bodies_.back();
}

void BodiesRun::remove(int k) {
    contacts_.removeBody(bodies_[k].get());
    bodies_.erase(bodies_.begin() + k);
}

void BodiesRun::tick(float dt) {
    for (auto& body : bodies_) {
        body->step(dt);
    }
    contacts_.accumulateContactForces();
}

void BodiesRun::tickPlain(float dt) {
    for (auto& body : bodies_) {
        body->stepSequential(dt);
    }
    contacts_.accumulatePlainContactForces();
}

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
