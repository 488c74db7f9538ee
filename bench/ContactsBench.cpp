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
    const TickWorld tickWorld{arena.body.get(), arena.balls, arena.lights, *arena.world,
                              arena.collisions};
    for (auto _ : state) {
        runTick(tickWorld, benchTimeStep);
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(timerTick)->Apply(sphereLevels);

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
