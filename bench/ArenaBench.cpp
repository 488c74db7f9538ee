#include "arena/Cloud.h"
#include "arena/Pillars.h"
#include "balls/CollisionWorld.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <benchmark/benchmark.h>

namespace {

// The start-up builds these once; they are measured to keep the first picture prompt.

void cloudImage(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeCloudImage(256, 256, 2000, 16, 1));
    }
}
BENCHMARK(cloudImage)->Unit(benchmark::kMillisecond);

void ground(benchmark::State& state) {
    SoDB::init();
    for (auto _ : state) {
        SoSeparator* separator = buildGround(SbVec3f(0, -14.4f, 0), 16.5f, 1, 1, 1, 0, 40, 40);
        separator->ref();
        separator->unref();
    }
}
BENCHMARK(ground)->Unit(benchmark::kMillisecond);

void arenaLayout(benchmark::State& state) {
    SoDB::init();
    for (auto _ : state) {
        auto* world = new SoSeparator;
        world->ref();
        CollisionWorld collisions;
        layOutArena(world, collisions, 1);
        world->unref();
    }
}
BENCHMARK(arenaLayout)->Unit(benchmark::kMillisecond);

} // namespace
