#include "BenchBodies.h"
#include "HeapCounter.h"
#include "LeanStep.h"

#include "common/GlobalView.h"
#include "common/Workers.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/surface/BodySurface.h"
#include "mpsystem/surface/SurfaceStripSet.h"

#include <Inventor/SoDB.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/caches/SoNormalCache.h>
#include <Inventor/nodes/SoIndexedTriangleStripSet.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

// Bodies of 10,242 (level 5), 163,842 (level 7) and 655,362 points (level 8).
void sphereLevels(benchmark::internal::Benchmark* b) {
    b->Arg(5)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
}

void reportBody(benchmark::State& state, const MpSystem& body) {
    state.counters["points"] = body.numPoints();
    state.counters["plainStepBytes"] = plainStepBytes(body);
    state.counters["stepBytes"] = stepBytes(body);
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

// The yardstick: the plain step as lean as it can be written, on one thread. A few steps
// beside the reference first make sure that it does the same work.
void plainStep(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    LeanBody lean(*body);
    for (int k = 0; k < 3; ++k) {
        lean.step(benchTimeStep);
        body->stepSequential(benchTimeStep);
    }
    if (!lean.sameState(*body)) {
        state.SkipWithError("the lean step does not give the reference step's numbers");
    }
    for (auto _ : state) {
        lean.step(benchTimeStep);
    }
    reportBody(state, *body);
}
BENCHMARK(plainStep)->Apply(sphereLevels);

// The reference the program's step must match bit for bit, with its guards in the loops; the
// tests' yardstick, not the speed's.
void referenceStep(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        body->stepSequential(benchTimeStep);
    }
    reportBody(state, *body);
}
BENCHMARK(referenceStep)->Apply(sphereLevels);

// The program's step, on all cores.
void step(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        body->step(benchTimeStep);
    }
    reportBody(state, *body);
}
BENCHMARK(step)->Apply(sphereLevels);

// The step of a body held by the gas inside, at pressure 0 (range(1) 0) and with a pressure
// (range(1) 1): what the gas costs. The pressure is light enough that the sphere, without
// gravity's pull on a floor, only breathes a little over the run.
void inflatedStep(benchmark::State& state) {
    std::unique_ptr<MpSystem> body =
        readQuietly(inflatedSphereText(static_cast<int>(state.range(0))));
    if (state.range(1) != 0 && !body->setPressure(5.0f)) {
        state.SkipWithError("the sphere does not take a pressure");
    }
    for (auto _ : state) {
        body->step(benchTimeStep);
    }
    reportBody(state, *body);
    state.counters["pressure"] = body->pressure();
}
BENCHMARK(inflatedStep)
    ->ArgsProduct({{5, 7}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The gas's pass alone, on one thread (range(1) 1) or all cores (0): the volume and every
// point's force, as the step does it before the springs.
void pressurePass(benchmark::State& state) {
    std::unique_ptr<MpSystem> body =
        readQuietly(inflatedSphereText(static_cast<int>(state.range(0))));
    SurfacePressure gas;
    gas.build(body->faceIndices(), static_cast<std::size_t>(body->numFaceIndices()),
              body->numPoints());
    std::vector<SbVec3f> forces(static_cast<std::size_t>(body->numPoints()));
    const int workers = state.range(1) != 0 ? 1 : workerCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            gas.addForces(5.0f, body->restVolume(), body->positions(), forces.data(), workers));
    }
    state.counters["points"] = body->numPoints();
    state.counters["triangles"] = gas.numTriangles();
}
BENCHMARK(pressurePass)->ArgsProduct({{7}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

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

/// What a redraw computes on the processor after the points have moved, without OpenGL (which
/// the benchmarks do not have): the surface's smooth normals and its bounding box, the latter
/// for the viewer's clipping planes. The library's own normals for the same surface are the
/// baseline, plainSurfaceNormals.
void surfaceRedrawWork(benchmark::State& state) {
    SoDB::init();
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SoSeparator* surface = body->buildSurface(1, 1, 1, 0, "");
    surface->ref();
    bool drawsFast = true;
    SoCallbackAction normals;
    normals.addPreCallback(
        SurfaceStripSet::getClassTypeId(),
        [](void* fast, SoCallbackAction* action, const SoNode* node) {
            SurfaceStripSet* strips =
                const_cast<SurfaceStripSet*>(static_cast<const SurfaceStripSet*>(node));
            *static_cast<bool*>(fast) &= strips->updateNormals(action->getState());
            return SoCallbackAction::PRUNE;
        },
        &drawsFast);
    SoGetBoundingBoxAction box(SbViewportRegion(640, 480));
    for (auto _ : state) {
        state.PauseTiming();
        body->step(benchTimeStep);
        body->updateScene();
        state.ResumeTiming();
        normals.apply(surface);
        box.apply(surface);
    }
    surface->unref();
    if (!drawsFast) {
        state.SkipWithError("the surface would not draw the fast way");
    }
    state.counters["points"] = body->numPoints();
}
BENCHMARK(surfaceRedrawWork)->Apply(sphereLevels);

/// Making the levels of a large body's surface, once with the surface.
void surfaceLevels(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SurfaceLevels levels;
    for (auto _ : state) {
        levels.build(body->faceIndices(), body->numFaceIndices(), body->positions(),
                     body->numPoints());
    }
    state.counters["points"] = body->numPoints();
    state.counters["levels"] = levels.numLevels();
    for (int i = 1; i <= levels.numLevels(); ++i) {
        state.counters["triangles" + std::to_string(i)] = levels.numTriangles(i);
    }
}
BENCHMARK(surfaceLevels)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

/// What a frame of the window computes on the processor for the surface after the points have
/// moved, seen from the window's default view in its default size: the idle update's copy,
/// the level's choice and normals and the bounding box. The second argument is 0 for a
/// surface drawn whole, 1 with its levels.
void surfaceFrameWork(benchmark::State& state) {
    SoDB::init();
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SoSeparator* root = new SoSeparator;
    root->ref();
    SoPerspectiveCamera* camera = new SoPerspectiveCamera;
    placeAtGlobalView(*camera);
    root->addChild(camera);
    BodySurface surface(*body, 1, 1, 1, 0, "", state.range(1) != 0);
    root->addChild(surface.root());
    const SbViewportRegion window(500, 390);
    bool drawsFast = true;
    SoCallbackAction normals(window);
    normals.addPreCallback(
        SurfaceStripSet::getClassTypeId(),
        [](void* fast, SoCallbackAction* action, const SoNode* node) {
            SurfaceStripSet* strips =
                const_cast<SurfaceStripSet*>(static_cast<const SurfaceStripSet*>(node));
            *static_cast<bool*>(fast) &= strips->updateNormals(action->getState());
            return SoCallbackAction::PRUNE;
        },
        &drawsFast);
    SoGetBoundingBoxAction box(window);
    for (auto _ : state) {
        state.PauseTiming();
        body->step(benchTimeStep);
        state.ResumeTiming();
        surface.update();
        normals.apply(root);
        box.apply(root);
    }
    if (!drawsFast) {
        state.SkipWithError("the surface would not draw the fast way");
    }
    state.counters["points"] = body->numPoints();
    const SurfaceNormals& drawn = surface.strips()->normals();
    state.counters["triangles"] = drawn.numTriangles();
    int sharp = 0;
    for (int p = 0; p < drawn.numPoints(); ++p) {
        sharp += drawn.isSmooth(p) ? 0 : 1;
    }
    state.counters["sharpPoints"] = sharp;
    root->unref();
}
BENCHMARK(surfaceFrameWork)
    ->ArgsProduct({{5, 7, 8}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void plainSurfaceNormals(benchmark::State& state) {
    SoDB::init();
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    SoSeparator* surface = body->buildSurface(1, 1, 1, 0, "");
    surface->ref();
    const SoMFInt32& indices =
        static_cast<SoIndexedTriangleStripSet*>(surface->getChild(6))->coordIndex;
    for (auto _ : state) {
        state.PauseTiming();
        body->step(benchTimeStep);
        state.ResumeTiming();
        SoNormalCache cache(nullptr);
        cache.generatePerVertex(body->positions(), body->numPoints(), indices.getValues(0),
                                indices.getNum(), 1.0f, nullptr, -1, TRUE, TRUE);
        benchmark::DoNotOptimize(cache.getNormals());
    }
    surface->unref();
    state.counters["points"] = body->numPoints();
}
BENCHMARK(plainSurfaceNormals)->Apply(sphereLevels);

} // namespace
