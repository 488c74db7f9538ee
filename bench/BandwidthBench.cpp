#include <benchmark/benchmark.h>

#include "common/Workers.h"

#include <vector>

namespace {

// The memory bandwidth of this machine, by which the body step's time is judged: a step of a
// large body cannot be faster than the bytes it must move divided by this. A triad (two arrays
// read, one written, 24 bytes per element) over arrays far larger than the caches, on one
// thread and on two.
void memoryTriad(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const long long n = 16LL << 20; // 128 MiB per array
    std::vector<double> a(n, 1.0);
    std::vector<double> b(n, 2.0);
    std::vector<double> c(n, 3.0);
    const int pieces = 64;
    for (auto _ : state) {
        forEachItem(pieces, threads, [&](int piece) {
            const long long end = n * (piece + 1) / pieces;
            for (long long i = n * piece / pieces; i < end; ++i) {
                a[i] = b[i] + 1.5 * c[i];
            }
        });
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 24 * n);
}
BENCHMARK(memoryTriad)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
