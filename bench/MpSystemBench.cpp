#include "BenchBodies.h"
#include "HeapCounter.h"

#include "mpsystem/MpSystem.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>

#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>

namespace {

// Bodies of 10,242 (level 5), 163,842 (level 7) and 655,362 points (level 8).
void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void reportBody(benchmark::State& state, const MpSystem& body) {
    state.counters["points"] = body.numPoints();
    state.counters["plainStepBytes"] = plainStepBytes(body);
    state.counters["leastStepBytes"] = leastStepBytes(body);
    state.SetItemsProcessed(state.iterations() * body.numPoints());
}

// Reading is linear in the file: compare the time per point of the levels. Loading must also
// stay linear in memory: the counters give the most the reader held at once against what the
// finished body keeps.
void readBody(benchmark::State& state) {
    const std::string& text = sphereText(static_cast<int>(state.range(0)));
    int points = 0;
    double peakBytes = 0;
    double bodyBytes = 0;
    for (auto _ : state) {
        std::istringstream in(text);
        std::streambuf* progress = std::cerr.rdbuf(nullptr);
        const size_t before = heapBytesNow();
        resetHeapPeak();
        MpSystem body(in, benchDamping, benchMass, benchStiffness);
        peakBytes = static_cast<double>(heapBytesPeak() - before);
        bodyBytes = static_cast<double>(heapBytesNow() - before);
        std::cerr.rdbuf(progress);
        points = body.numPoints();
    }
    state.counters["points"] = points;
    state.counters["loadPeakBytes"] = peakBytes;
    state.counters["bodyBytes"] = bodyBytes;
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

void countTriangle(void* count, SoCallbackAction*, const SoPrimitiveVertex*,
                   const SoPrimitiveVertex*, const SoPrimitiveVertex*) {
    ++*static_cast<long long*>(count);
}

// What the library does on the processor for a redraw after the positions have moved: it
// makes the surface's smooth normals anew and walks its triangles. A callback action does the
// same without an OpenGL context (which this machine's benchmarks do not have); the drawing
// itself comes on top.
void surfaceRedrawWork(benchmark::State& state) {
    SoDB::init();
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SoSeparator* surface = body->buildSurface(1, 1, 1, 0, "");
    surface->ref();
    long long triangles = 0;
    SoCallbackAction action;
    action.addTriangleCallback(SoShape::getClassTypeId(), countTriangle, &triangles);
    for (auto _ : state) {
        body->step(benchTimeStep);
        body->updateScene();
        action.apply(surface);
    }
    surface->unref();
    state.counters["points"] = body->numPoints();
    state.counters["triangles"] = static_cast<double>(triangles) / state.iterations();
}
BENCHMARK(surfaceRedrawWork)->Apply(sphereLevels);

} // namespace
