#include "BenchBodies.h"

#include "balls/BallDynamics.h"
#include "balls/WorldTick.h"

#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

namespace {

void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The plain contact pass: every point against every wall, pillar and ball.
void plainContactPass(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.collisions.accumulatePlainContactForces();
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(plainContactPass)->Apply(sphereLevels);

// The program's contact pass, with the same forces.
void contactPass(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.collisions.accumulateContactForces();
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(contactPass)->Apply(sphereLevels);

// One whole timer tick as the sensor runs it; its budget is timeStep / 3 (4 ms at 0.012).
void timerTick(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    const TickWorld tickWorld{arena.balls, arena.lights, *arena.world, arena.collisions};
    for (auto _ : state) {
        runTick(tickWorld, benchTimeStep);
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(timerTick)->Apply(sphereLevels);

// The same tick with a gas inside the body's surface (range(1) 1) and without (0): what the gas
// costs the program's tick, beside the contacts that share the caches with it.
void inflatedTimerTick(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    if (state.range(1) != 0 && !arena.body->setPressure(5.0f)) {
        state.SkipWithError("the sphere does not take a pressure");
    }
    const TickWorld tickWorld{arena.balls, arena.lights, *arena.world, arena.collisions};
    for (auto _ : state) {
        runTick(tickWorld, benchTimeStep);
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(inflatedTimerTick)
    ->ArgsProduct({{7}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same tick with the plain step and contact pass, for comparison.
void plainTimerTick(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        arena.body->stepSequential(benchTimeStep);
        advanceBalls(arena.balls, arena.lights, *arena.world, benchTimeStep);
        arena.collisions.accumulatePlainContactForces();
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(plainTimerTick)->Apply(sphereLevels);

} // namespace
