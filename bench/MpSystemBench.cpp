#include "mpsystem/MpSystem.h"
#include "tools/Icosphere.h"

#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

/// The text of a sphere body of `level` subdivisions: 40,962 points at level 6, 163,842 at 7.
const std::string& sphereText(int level) {
    static std::string text[8];
    if (text[level].empty()) {
        text[level] = meshText(makeIcosphere(level, 8, SbVec3f(0, 0, 0)), MeshForm::Toff);
    }
    return text[level];
}

std::unique_ptr<MpSystem> readQuietly(const std::string& text) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.02f, 1, 85);
    std::cerr.rdbuf(progress);
    return body;
}

// Reading is linear in the file: compare the time per point of the two levels.
void readBody(benchmark::State& state) {
    const std::string& text = sphereText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(readQuietly(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(readBody)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

// The plain sequential step; at the largest time step a timer tick comes every 6 ms.
void bodyStep(benchmark::State& state) {
    std::unique_ptr<MpSystem> body = readQuietly(sphereText(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        body->step(0.0182f);
    }
    state.SetItemsProcessed(state.iterations() * body->numPoints());
}
BENCHMARK(bodyStep)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

} // namespace
