// plimmerton-bench: the benchmarks, with the command line every tool of ours keeps around the
// benchmark library's own flags.

#include "common/ToolCommandLine.h"

#include <benchmark/benchmark.h>

#include <iostream>

namespace {

const char* usage =
    "Usage: plimmerton-bench [--benchmark_FLAG=VALUE ...]\n"
    "       plimmerton-bench --help | --version\n"
    "Runs the benchmarks of the step, the contact pass, the tick, loading, drawing and the\n"
    "memory bandwidth; scripts/bench.sh runs them with repetitions and prints the table of\n"
    "the README. --help also lists the benchmark library's flags.";

} // namespace

int main(int argc, char** argv) {
    // The library's flags are taken out first; whatever is left must be ours.
    benchmark::Initialize(&argc, argv, [] {
        std::cout << usage << std::endl;
        std::cout << std::endl;
        benchmark::PrintDefaultHelp();
    });
    ToolCommandLine commandLine("plimmerton-bench", usage, {});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    if (!commandLine.operands().empty()) {
        return commandLine.refuse("unexpected argument '" + commandLine.operands().front() + "'");
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
