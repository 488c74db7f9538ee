#include "control/ModelLoader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

/// A file of `lines` copies of `line` after `head`, written once per benchmark.
class LargeFile {
public:
    LargeFile(const std::string& name, const std::string& head, const std::string& line, long lines)
        : path_("/tmp/plimmerton-bench-" + std::to_string(getpid()) + "-" + name) {
        std::ofstream out(path_, std::ios::binary);
        out << head;
        std::string block;
        for (int k = 0; k < 1000; ++k) {
            block += line;
        }
        for (long k = 0; k < lines / 1000; ++k) {
            out << block;
        }
        out << "2 0 1\n";
    }
    ~LargeFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// How long Esc takes to stop an opening of a large file (96 MB) and join its thread, some
// milliseconds (the argument) after it began: while the bytes are read, the kind is told, the
// points of a body are read, or another model's bytes are hashed. The longest of the
// iterations is the figure that matters.
void cancelOpening(benchmark::State& state, bool body) {
    const long lines = 8'000'000;
    const LargeFile file = body ? LargeFile("body.off", "OFF\n8000000 1 0\n", "0.25 0.5 1\n", lines)
                                : LargeFile("model.obj", "", "v 0.25 0.5 1\n", lines);
    const std::string tool = "/proc/self/exe";
    ModelLoader loader([](const std::string&, const std::string&, const std::string&,
                          const std::vector<std::string>&,
                          std::string&) { return std::unique_ptr<Preparation>(); },
                       tool);
    double longest = 0;
    for (auto _ : state) {
        loader.open(file.path(), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
        const auto start = std::chrono::steady_clock::now();
        const bool underWay = loader.cancel();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        longest = std::max(longest, seconds);
        if (!underWay) {
            state.SkipWithError("the opening ended before it was cancelled");
            break;
        }
    }
    state.counters["longest_ms"] = longest * 1e3;
}

// The mesh reader reports its progress on standard error: run with 2>/dev/null.
void cancelBodyReading(benchmark::State& state) {
    cancelOpening(state, true);
}
BENCHMARK(cancelBodyReading)
    ->Arg(0)
    ->Arg(30)
    ->Arg(150)
    ->Arg(600)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void cancelModelKey(benchmark::State& state) {
    cancelOpening(state, false);
}
BENCHMARK(cancelModelKey)
    ->Arg(0)
    ->Arg(60)
    ->Arg(150)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
