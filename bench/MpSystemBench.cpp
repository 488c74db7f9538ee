#include "BenchBodies.h"

#include "mpsystem/MpSystem.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

namespace {

// Bodies of 10,242 (level 5), 163,842 (level 7) and 655,362 points (level 8).
void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);
}

void reportBody(benchmark::State& state, const MpSystem& body) {
    state.counters["points"] = body.numPoints();
    state.counters["bytesTouched"] = stepBytesTouched(body);
    state.SetItemsProcessed(state.iterations() * body.numPoints());
}

// Reading is linear in the file: compare the time per point of the levels.
void readBody(benchmark::State& state) {
    const std::string& text = sphereText(static_cast<int>(state.range(0)));
    int points = 0;
    for (auto _ : state) {
        points = readQuietly(text)->numPoints();
    }
    state.counters["points"] = points;
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(readBody)->Apply(sphereLevels);

// The plain sequential step: the reference that the program's step must match and beat.
void plainStep(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        body->stepSequential(benchTimeStep);
    }
    reportBody(state, *body);
}
BENCHMARK(plainStep)->Apply(sphereLevels);

// The program's step, on all cores.
void step(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        body->step(benchTimeStep);
    }
    reportBody(state, *body);
}
BENCHMARK(step)->Apply(sphereLevels);

// The idle callback's copy of the positions into the surface.
void updateScene(benchmark::State& state) {
    SoDB::init();
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SoSeparator* surface = body->buildSurface(1, 1, 1, 0, "");
    surface->ref();
    for (auto _ : state) {
        body->updateScene();
    }
    surface->unref();
    state.counters["points"] = body->numPoints();
}
BENCHMARK(updateScene)->Apply(sphereLevels);

} // namespace
