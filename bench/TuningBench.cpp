#include "BenchBodies.h"

#include "balls/ContactTimeStep.h"
#include "balls/WorldTick.h"
#include "control/EnergyHistory.h"

#include "mpsystem/BodyEnergy.h"
#include "mpsystem/StableTimeStep.h"
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

namespace {

void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The energy of the body after a tick: what the plot and the energy file take per sample.
void bodyEnergy(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(measureEnergy(*arena.body, -15.0f));
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(bodyEnergy)->Apply(sphereLevels);

// One whole timer tick with the energy plot shown: the tick and, when due, a sample.
void plottedTimerTick(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    const TickWorld tickWorld{arena.balls, arena.lights, *arena.world, arena.collisions};
    EnergyHistory history;
    history.zeroHeight = -15.0f;
    double time = 0;
    for (auto _ : state) {
        runTick(tickWorld, benchTimeStep);
        time += benchTimeStep;
        history.record(time, *arena.body);
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(plottedTimerTick)->Apply(sphereLevels);

// Measuring a body's fastest vibration: once per body, when it is read or rebuilt.
void stableStepMeasure(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(StableTimeStep(*arena.body));
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(stableStepMeasure)->Apply(sphereLevels);

// The bound for the settings of the moment, from that measurement: what each tick asks.
void stableStepBound(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    const StableTimeStep measured(*arena.body);
    for (auto _ : state) {
        benchmark::DoNotOptimize(contactTimeStep(measured, *arena.body, arena.collisions));
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(stableStepBound)->Apply(sphereLevels)->Unit(benchmark::kNanosecond);

} // namespace
