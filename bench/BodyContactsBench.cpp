// Several bodies: what the contacts between them cost against their steps, and what a tick of a
// scene of many small bodies costs against real time.

#include "BenchBodies.h"

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"
#include "generators/BundledData.h"
#include "generators/RoundedBox.h"
#include "mpsystem/BodyState.h"
#include "mpsystem/MeshReader.h"
#include "prepare/Bracing.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

/// The program's example material (the run script's options): what a user sees bodies made of.
constexpr float exampleDamping = 0.04f;
constexpr float exampleMass = 0.3f;
constexpr float exampleStiffness = 85.0f;

double millisecondsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

/// The processor time of all the process's threads, in milliseconds: on a machine shared with
/// other work, what a pass itself cost, where its wall-clock time includes the waits.
double processorMilliseconds() {
    return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

/// A body read from mesh text and moved by `offset` once read.
std::unique_ptr<MpSystem> movedBody(const std::string& text, const SbVec3f& offset, float damping,
                                    float mass, float stiffness) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    BodyMesh mesh = MeshReader(in).read(mass);
    std::cerr.rdbuf(progress);
    for (SbVec3f& p : mesh.positions) {
        p += offset;
    }
    return std::make_unique<MpSystem>(std::move(mesh), damping, stiffness);
}

/// Flattens the points of `body` beyond the plane y = `plane` onto it, from above (`above`) or
/// from below, as two bodies pressed together flatten where they meet.
void flattenAgainst(MpSystem& body, float plane, bool above) {
    BodyState state(body);
    body.captureState(state);
    for (SbVec3f& p : state.positions) {
        p[1] = above ? std::max(p[1], plane) : std::min(p[1], plane);
    }
    body.restoreState(state);
}

/// Two balls of `plimmerton-mkdata --ball LEVEL` (radius 4, every point braced to its opposite),
/// pressed together in no arena: their spheres overlap by 0.4 and each is flattened where it
/// meets the other, a quarter of the contact distance short of the middle, so that a disc of
/// about one point in forty of each presses on the other. Each iteration puts both back into
/// that pose (not timed), steps both and runs the contacts between them, each timed apart,
/// so that the two are compared in the same run.
void pressedBalls(benchmark::State& state) {
    const std::string text = makeBall(static_cast<int>(state.range(0))).bytes;
    // The file's ball is centred at (0, 0, 3).
    std::unique_ptr<MpSystem> lower =
        movedBody(text, SbVec3f(0, -3.8f, -3), benchDamping, benchMass, benchStiffness);
    std::unique_ptr<MpSystem> upper =
        movedBody(text, SbVec3f(0, 3.8f, -3), benchDamping, benchMass, benchStiffness);
    CollisionWorld world;
    world.addBody(lower.get());
    world.addBody(upper.get());
    const float gap = world.bodyContacts().shape(0).contactDistance() / 8;
    flattenAgainst(*lower, -gap, false);
    flattenAgainst(*upper, gap, true);
    BodyState lowerPose(*lower);
    BodyState upperPose(*upper);
    lower->captureState(lowerPose);
    upper->captureState(upperPose);

    double stepMillis = 0;
    double contactMillis = 0;
    double stepProcessor = 0;
    double contactProcessor = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lower->restoreState(lowerPose);
        upper->restoreState(upperPose);
        state.ResumeTiming();
        const Clock::time_point start = Clock::now();
        const double startProcessor = processorMilliseconds();
        lower->step(benchTimeStep);
        upper->step(benchTimeStep);
        const Clock::time_point stepped = Clock::now();
        const double steppedProcessor = processorMilliseconds();
        world.bodyContacts().accumulate(world.bodies());
        contactMillis += millisecondsBetween(stepped, Clock::now());
        stepMillis += millisecondsBetween(start, stepped);
        contactProcessor += processorMilliseconds() - steppedProcessor;
        stepProcessor += steppedProcessor - startProcessor;
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

/// Twenty rounded boxes of 1,016 points braced as the preparation tool braces a model, of the
/// example material, in the start-up arena: let fall in four layers of five onto the floor and
/// onto each other and settled for four simulated seconds, then ticked as the window ticks
/// them: every body's step, the arena's contacts, the contacts between the bodies. Real time
/// allows a tick timeStep / 3, 4 ms at 0.012: share_of_real_time at most 1 is the full pace.
void twentyBodies(benchmark::State& state) {
    SoDB::init();
    SoSeparator* arena = new SoSeparator;
    arena->ref();
    CollisionWorld world;
    layOutArena(arena, world, 1);
    addArenaFloor(world);
    TriangleMesh shape = makeRoundedBox(SbVec3f(1, 1, 1), 0.3f, 9, 2, SbVec3f(0, 0, 0));
    addBracing(shape);
    const std::string box = meshText(shape, MeshForm::Off);
    std::vector<std::unique_ptr<MpSystem>> bodies;
    for (int k = 0; k < 20; ++k) {
        // Each layer half a box across from the one below, so that the boxes lie on two.
        const int layer = k / 5;
        const SbVec3f place(-5 + 2.2f * (k % 5) + 1.1f * (layer % 2), -13.8f + 2.3f * layer,
                            4 + 1.1f * (layer % 2));
        bodies.push_back(movedBody(box, place, exampleDamping, exampleMass, exampleStiffness));
        world.addBody(bodies.back().get());
    }
    auto tick = [&] {
        for (auto& body : bodies) {
            body->step(benchTimeStep);
        }
        world.accumulateContactForces();
    };
    for (int k = 0; k < 330; ++k) {
        tick();
    }
    double bodyContactMillis = 0;
    double bodyContactProcessor = 0;
    double tickMillis = 0;
    double tickProcessor = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const double startProcessor = processorMilliseconds();
        for (auto& body : bodies) {
            body->step(benchTimeStep);
        }
        world.accumulateArenaContactForces();
        const Clock::time_point arenaDone = Clock::now();
        const double arenaProcessor = processorMilliseconds();
        world.bodyContacts().accumulate(world.bodies());
        const Clock::time_point end = Clock::now();
        const double endProcessor = processorMilliseconds();
        bodyContactMillis += millisecondsBetween(arenaDone, end);
        bodyContactProcessor += endProcessor - arenaProcessor;
        tickMillis += millisecondsBetween(start, end);
        tickProcessor += endProcessor - startProcessor;
    }
    const double ticks = static_cast<double>(state.iterations());
    state.counters["points"] = 20.0 * bodies[0]->numPoints();
    state.counters["searched"] = world.bodyContacts().searchedPoints();
    state.counters["body_contacts_ms"] = bodyContactMillis / ticks;
    state.counters["processor_body_contacts_ms"] = bodyContactProcessor / ticks;
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
