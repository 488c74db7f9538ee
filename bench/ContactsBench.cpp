#include "arena/Pillars.h"
#include "balls/BallDynamics.h"
#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/BallShots.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"
#include "tools/Icosphere.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

/// The start-up arena with a sphere body of `level` subdivisions sunk into the floor and the
/// six balls that eight light sources allow, lodged in its surface.
class BusyArena {
public:
    explicit BusyArena(int level) {
        SoDB::init();
        world = new SoSeparator;
        world->ref();
        std::istringstream mesh(
            meshText(makeIcosphere(level, 8, SbVec3f(0, -7.5f, 0)), MeshForm::Off));
        std::streambuf* quiet = std::cerr.rdbuf(nullptr);
        body = std::make_unique<MpSystem>(mesh, 0.02f, 1, 85);
        std::cerr.rdbuf(quiet);
        layOutArena(world, collisions, 1);
        collisions.addBody(body.get());
        collisions.addWall(Wall{SbVec3f(0, -15, 0), 15});
        collisions.setBalls(&balls);
        for (int k = 0; k < 6; ++k) {
            const float angle = k * 3.1415927f / 3;
            const SbVec3f onSurface(8 * std::cos(angle), -7.5f, 8 * std::sin(angle));
            shootBall(balls, lights, *world, onSurface, SbVec3f(0, 0, 0), 8);
        }
    }
    ~BusyArena() {
        balls.clear();
        lights.clear();
        world->unref();
    }

    SoSeparator* world;
    std::unique_ptr<MpSystem> body;
    CollisionWorld collisions;
    BallSet balls;
    BallLightSet lights;
};

// The contact pass alone, on a body of 163,842 points (level 7) and of 40,962 (level 6).
void contactPass(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.collisions.accumulateContactForces();
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(contactPass)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

// One whole timer tick as the sensor runs it; its budget is timeStep / 3 (4 ms at 0.012).
void timerTick(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.body->step(0.012f);
        advanceBalls(arena.balls, arena.lights, *arena.world, 0.012f);
        arena.collisions.accumulateContactForces();
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(timerTick)->Arg(7)->Unit(benchmark::kMillisecond);

} // namespace
