#include "generators/Icosphere.h"
#include "generators/TriangleMesh.h"

#include <benchmark/benchmark.h>

namespace {

// Benchmarks of big bodies build their meshes on the fly; these keep that set-up cheap next
// to what it prepares.

void icosphere(benchmark::State& state) {
    const int level = int(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeIcosphere(level, 4.0f, SbVec3f(0, 0, 0)));
    }
    state.counters["points"] = double(icospherePointCount(level));
}
BENCHMARK(icosphere)->DenseRange(5, 8)->Unit(benchmark::kMillisecond);

void icosphereText(benchmark::State& state) {
    const TriangleMesh mesh = makeIcosphere(int(state.range(0)), 4.0f, SbVec3f(0, 0, 0));
    size_t bytes = 0;
    for (auto _ : state) {
        std::string text = meshText(mesh, MeshForm::Toff);
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(icosphereText)->Arg(7)->Unit(benchmark::kMillisecond);

} // namespace
