#include "BenchBodies.h"

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "balls/BallShots.h"
#include "generators/BendingSprings.h"
#include "generators/Icosphere.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <sstream>

const std::string& sphereText(int level, MeshForm form) {
    static std::map<std::pair<int, MeshForm>, std::string> texts;
    std::string& text = texts[{level, form}];
    if (text.empty()) {
        text = meshText(makeIcosphere(level, 8, SbVec3f(0, 0, 0), Bracing::ThroughCentre), form);
    }
    return text;
}

const std::string& inflatedSphereText(int level) {
    static std::map<int, std::string> texts;
    std::string& text = texts[level];
    if (text.empty()) {
        TriangleMesh sphere = makeIcosphere(level, 8, SbVec3f(0, 0, 0), Bracing::None);
        addBendingSprings(sphere);
        text = meshText(sphere, MeshForm::Toff);
    }
    return text;
}

std::unique_ptr<MpSystem> readQuietly(const std::string& text) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, benchDamping, benchMass, benchStiffness);
    std::cerr.rdbuf(progress);
    return body;
}

double plainStepBytes(const MpSystem& body) {
    const double gravity = 12 + 4 + 12;
    const double springs = 2 * 12 + 12;
    const double integration = 12 + 4 + 2 * 12 + 2 * 12;
    const double clearing = 12;
    const double perSpring = 8 + 8 + 2 * 8;
    return (gravity + springs + integration + clearing) * body.numPoints() +
           perSpring * body.numSprings();
}

double stepBytes(const MpSystem& body) {
    const double perPoint = 2 * 12 + 2 * 12 + 2 * 12 + 4 + 12 + 2 * 4;
    const double* rest = body.restLengths();
    const bool single = std::all_of(rest, rest + body.numSprings(), [](double length) {
        return static_cast<double>(static_cast<float>(length)) == length;
    });
    const double perSpring = 8 + (single ? 3 * 4 : 3 * 8);
    const double perDeferred = 4 + 2 * 12 + 4;
    const double perBoundaryPoint = 4 + 2 * 12 + 2 * 12 + 2 * 12 + 4;
    const StepPlan& plan = body.stepPlan();
    return perPoint * body.numPoints() + perSpring * body.numSprings() +
           perDeferred * plan.numDeferred() + perBoundaryPoint * plan.numBoundaryPoints();
}

BusyArena::BusyArena(int level) {
    SoDB::init();
    world = new SoSeparator;
    world->ref();
    std::istringstream mesh(meshText(
        makeIcosphere(level, 8, SbVec3f(0, -7.5f, 0), Bracing::ThroughCentre), MeshForm::Off));
    std::streambuf* quiet = std::cerr.rdbuf(nullptr);
    body = std::make_unique<MpSystem>(mesh, benchDamping, benchMass, benchStiffness);
    std::cerr.rdbuf(quiet);
    layOutArena(world, collisions, 1);
    collisions.addBody(body.get());
    addArenaFloor(collisions);
    collisions.setBalls(&balls);
    for (int k = 0; k < 6; ++k) {
        const float angle = k * 3.1415927f / 3;
        const SbVec3f onSurface(8 * std::cos(angle), -7.5f, 8 * std::sin(angle));
        shootBall(balls, lights, *world, onSurface, SbVec3f(0, 0, 0), 8);
    }
}

BusyArena::~BusyArena() {
    balls.clear();
    lights.clear();
    world->unref();
}
