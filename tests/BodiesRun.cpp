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

SbVec3f extentOf(const MpSystem& body) {
    SbVec3f low = body.positions()[0];
    SbVec3f high = low;
    for (int i = 1; i < body.numPoints(); ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], body.positions()[i][a]);
            high[a] = std::max(high[a], body.positions()[i][a]);
        }
    }
    return high - low;
}

bool isInside(const MpSystem& body, const SbVec3f& p) {
    // Van Oosterom and Strackee's solid angle of each triangle, summed.
    double total = 0;
    const int32_t* faces = body.faceIndices();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        const SbVec3f a = body.positions()[faces[k]] - p;
        const SbVec3f b = body.positions()[faces[k + 1]] - p;
        const SbVec3f c = body.positions()[faces[k + 2]] - p;
        const double la = a.length();
        const double lb = b.length();
        const double lc = c.length();
        const double triple = a.dot(b.cross(c));
        const double below = la * lb * lc + a.dot(b) * lc + a.dot(c) * lb + b.dot(c) * la;
        total += 2 * std::atan2(triple, below);
    }
    return std::fabs(total) > 2 * M_PI;
}

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(PLIMMERTON_SOURCE_DIR) + "/data/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
