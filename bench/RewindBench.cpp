#include "BenchBodies.h"
#include "HeapCounter.h"

#include "balls/BallsState.h"
#include "control/SnapshotRing.h"

#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// A snapshot of the whole world (the body's points and springs, the balls), as a tick takes
// one each simulated second; the bytes it allocates, which must be none.
void snapshotTake(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    std::vector<MpSystem*> bodies{arena.body.get()};
    SnapshotRing ring;
    ring.prepare(bodies, 16);
    double time = 0;
    size_t allocated = 0;
    for (auto _ : state) {
        const size_t before = heapBytesNow();
        resetHeapPeak();
        ring.take(time, 0, benchTimeStep, true, bodies, arena.balls);
        allocated += heapBytesPeak() - before;
        time += SnapshotRing::spacing;
    }
    state.counters["points"] = arena.body->numPoints();
    state.counters["allocatedBytes"] = static_cast<double>(allocated);
}
BENCHMARK(snapshotTake)->Apply(sphereLevels);

// Putting the body and the balls back (key Backspace).
void snapshotRestore(benchmark::State& state) {
    BusyArena arena(static_cast<int>(state.range(0)));
    BodyState body(*arena.body);
    arena.body->captureState(body);
    std::vector<BallState> balls;
    captureBalls(arena.balls, balls);
    for (auto _ : state) {
        arena.body->restoreState(body);
        restoreBalls(balls, arena.balls, arena.lights, *arena.world);
    }
    state.counters["points"] = arena.body->numPoints();
}
BENCHMARK(snapshotRestore)->Apply(sphereLevels);

} // namespace
