// Several bodies: what the contacts between them cost against their steps, and what a tick of a
// scene of many small bodies costs against real time.

#include "BenchBodies.h"

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"
#include "generators/BundledData.h"
#include "generators/RoundedBox.h"
#include "mpsystem/MeshReader.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

/// The processor time of all the process's threads, in milliseconds: on a machine shared with
/// other work, what a pass itself cost, where its wall-clock time includes the waits.
double processorMilliseconds() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

/// A body read from mesh text and moved by `offset` once read.
std::unique_ptr<MpSystem> movedBody(const std::string& text, const SbVec3f& offset) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    BodyMesh mesh = MeshReader(in).read(benchMass);
    std::cerr.rdbuf(progress);
    for (SbVec3f& p : mesh.positions) {
        p += offset;
    }
    return std::make_unique<MpSystem>(std::move(mesh), benchDamping, benchStiffness);
}

/// Two balls of `plimmerton-mkdata --ball LEVEL` (radius 4), one on the other, overlapping by
/// a tenth of a unit and pressed together by a push on each of their points (one and a half
/// times their weight, which the pushes also carry, so that the pair stays put), in no arena. A
/// few ticks make the patch where they meet; then each iteration steps both (timed apart) and
/// runs the contacts between them (timed apart), so that both are measured in the same run.
void pressedBalls(benchmark::State& state) {
    const std::string text = makeBall(static_cast<int>(state.range(0))).bytes;
    std::unique_ptr<MpSystem> lower = movedBody(text, SbVec3f(0, -4, -3));
    std::unique_ptr<MpSystem> upper = movedBody(text, SbVec3f(0, 3.9f, -3));
    CollisionWorld world;
    world.addBody(lower.get());
    world.addBody(upper.get());
    const std::vector<MpSystem*>& bodies = world.bodies();
    double stepProcessor = 0;
    double contactProcessor = 0;
    auto pressAndTick = [&](double* stepMillis, double* contactMillis) {
        for (int i = 0; i < upper->numPoints(); ++i) {
            lower->addExternalForce(i, SbVec3f(0, 2.5f * 9.81f * benchMass, 0));
            upper->addExternalForce(i, SbVec3f(0, -0.5f * 9.81f * benchMass, 0));
        }
        const Clock::time_point start = Clock::now();
        const double startProcessor = processorMilliseconds();
        lower->step(benchTimeStep);
        upper->step(benchTimeStep);
        const Clock::time_point stepped = Clock::now();
        const double steppedProcessor = processorMilliseconds();
        world.bodyContacts().accumulate(bodies);
        if (stepMillis != nullptr) {
            *contactMillis += millisecondsSince(stepped);
            *stepMillis += std::chrono::duration<double, std::milli>(stepped - start).count();
            contactProcessor += processorMilliseconds() - steppedProcessor;
            stepProcessor += steppedProcessor - startProcessor;
        }
    };
    for (int tick = 0; tick < 50; ++tick) {
        pressAndTick(nullptr, nullptr);
    }
    double stepMillis = 0;
    double contactMillis = 0;
    for (auto _ : state) {
        pressAndTick(&stepMillis, &contactMillis);
    }
    const double ticks = static_cast<double>(state.iterations());
    state.counters["points"] = lower->numPoints() + upper->numPoints();
    state.counters["searched"] = world.bodyContacts().searchedPoints();
    state.counters["steps_ms"] = stepMillis / ticks;
    state.counters["contacts_ms"] = contactMillis / ticks;
    state.counters["contacts_per_steps"] = contactMillis / stepMillis;
    state.counters["processor_contacts_per_steps"] = contactProcessor / stepProcessor;
}
BENCHMARK(pressedBalls)->Arg(3)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();

/// Twenty braced rounded boxes of 1,016 points in the start-up arena, in two layers of ten
/// standing on the floor and on each other, ticked as the window ticks them (every body's
/// step, the arena's contacts, the contacts between the bodies); real time allows a tick
/// timeStep / 3, 4 ms at 0.012.
void twentyBodies(benchmark::State& state) {
    SoDB::init();
    SoSeparator* arena = new SoSeparator;
    arena->ref();
    CollisionWorld world;
    layOutArena(arena, world, 1);
    addArenaFloor(world);
    const std::string box = meshText(
        makeRoundedBox(SbVec3f(1, 1, 1), 0.3f, 9, 2, SbVec3f(0, 0, 0), Bracing::ThroughCentre),
        MeshForm::Off);
    std::vector<std::unique_ptr<MpSystem>> bodies;
    for (int k = 0; k < 20; ++k) {
        const SbVec3f place(-9 + 4.2f * (k % 5), -13.9f + 2.1f * (k / 10), 5 + 2.1f * (k / 5 % 2));
        bodies.push_back(movedBody(box, place));
        world.addBody(bodies.back().get());
    }
    auto tick = [&] {
        for (auto& body : bodies) {
            body->step(benchTimeStep);
        }
        world.accumulateContactForces();
    };
    // Landed and pressing on each other.
    for (int k = 0; k < 200; ++k) {
        tick();
    }
    double contactMillis = 0;
    double tickMillis = 0;
    double tickProcessor = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const double startProcessor = processorMilliseconds();
        for (auto& body : bodies) {
            body->step(benchTimeStep);
        }
        const Clock::time_point stepped = Clock::now();
        world.accumulateContactForces();
        contactMillis += millisecondsSince(stepped);
        tickMillis += millisecondsSince(start);
        tickProcessor += processorMilliseconds() - startProcessor;
    }
    const double ticks = static_cast<double>(state.iterations());
    state.counters["points"] = 20.0 * bodies[0]->numPoints();
    state.counters["searched"] = world.bodyContacts().searchedPoints();
    state.counters["contacts_ms"] = contactMillis / ticks;
    state.counters["share_of_real_time"] = tickMillis / ticks / (1000 * benchTimeStep / 3);
    state.counters["processor_ms"] = tickProcessor / ticks;
    world.clearBodies();
    arena->unref();
}
BENCHMARK(twentyBodies)->Unit(benchmark::kMillisecond)->UseRealTime();

/// What the contacts between bodies add to the tick of one big body alone in the busy arena:
/// boxing its patches and finding that none came near another.
void bodyContactsOfOneBody(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.collisions.bodyContacts().accumulate(arena.collisions.bodies());
    }
    state.counters["points"] = arena.body->numPoints();
    state.counters["searched"] = arena.collisions.bodyContacts().searchedPoints();
}
BENCHMARK(bodyContactsOfOneBody)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
