#!/usr/bin/env bash
# Usage: scripts/bench.sh [--benchmark_FLAG=VALUE ...]
#
# Builds the benchmarks, runs them with repetitions and prints a table of medians with the
# ratios the program is held to, all measured in this one run, each with what bounds it. Run it
# on a quiet machine: the step and the contact pass use every core. The --benchmark_ flags go
# to the benchmark program (for example --benchmark_filter=step; build/plimmerton-bench --help
# lists them); REPETITIONS sets the number of repetitions (default 5).
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
for argument in "$@"; do
    case $argument in
    --benchmark_*) ;;
    -?*) refuse "unknown option '$argument'" ;;
    *) refuse "unexpected argument '$argument'" ;;
    esac
done
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLIMMERTON_BENCHMARKS=ON >/dev/null
cmake --build build --target plimmerton-bench -j "$(nproc)" >/dev/null

results="$PWD/build/bench-results.json"
echo "load before the run: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
build/plimmerton-bench \
    --benchmark_repetitions="${REPETITIONS:-5}" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=json "$@" >/dev/null

python3 - "$results" <<'EOF'
import json
import sys

runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {}
for run in runs:
    if run.get("aggregate_name") == "median":
        median[run["run_name"]] = run

def ms(name):
    run = median.get(name)
    if run is None:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
    return run["real_time"] * scale

print(f"{'benchmark (median of repetitions)':<40} {'ms':>10}  counters")
for name, run in median.items():
    counters = {k: v for k, v in run.items()
                if k in ("points", "bytes_per_second", "loadPeakBytes", "bodyBytes",
                         "allocatedBytes", "levels", "triangles", "sharpPoints")
                or k.startswith("triangles")}
    shown = "  ".join(f"{k}={v:.4g}" for k, v in counters.items())
    print(f"{name:<40} {ms(name):>10.4f}  {shown}")

print()
print("ratios, from the medians above, each with what bounds it")
def line(what, value, target=""):
    if value is None:
        print(f"  {what:<66} (not measured)")
    else:
        print(f"  {what:<66} {value:8.2f}   {target}")

def quotient(a, b):
    return None if a is None or b is None else a / b

def bandwidth(threads):
    return median.get(f"memoryTriad/{threads}/real_time", {}).get("bytes_per_second")

def floor_ms(name, key, threads):
    """The memory floor of a step benchmark: its bytes over the triad bandwidth, in ms."""
    run = median.get(name)
    if run is None or not bandwidth(threads):
        return None
    return run[key] / bandwidth(threads) * 1e3

for threads in (1, 2):
    if bandwidth(threads):
        line(f"triad bandwidth on {threads} thread(s), GB/s", bandwidth(threads) / 1e9)

def bound(over_floor):
    if over_floor is None:
        return ""
    return "memory" if over_floor <= 1.3 else "computation (the springs' arithmetic)"

for level, points in ((5, "10k"), (7, "160k"), (8, "650k")):
    plain_run, step_run = median.get(f"plainStep/{level}/real_time"), median.get(f"step/{level}/real_time")
    plain, step = ms(f"plainStep/{level}/real_time"), ms(f"step/{level}/real_time")
    big = level > 5
    print(f"  {points} points:")
    if plain_run and step_run:
        plain_bytes = plain_run["plainStepBytes"] / plain_run["points"]
        step_bytes = step_run["stepBytes"] / step_run["points"]
        line("  bytes a point, the plain step", plain_bytes)
        line(f"  bytes a point, the step ({1 - step_bytes / plain_bytes:.0%} fewer)", step_bytes,
             "(<= 189, a fifth fewer than 236)" if big else "")
    plain_floor = floor_ms(f"plainStep/{level}/real_time", "plainStepBytes", 1)
    over = quotient(plain, plain_floor)
    line(f"  lean plain step (one thread) over its floor ({plain_floor or 0:.2f} ms)", over,
         f"bound by {bound(over)}" if big else "(in cache)")
    step_floor = floor_ms(f"step/{level}/real_time", "stepBytes", 2)
    over = quotient(step, step_floor)
    line(f"  step over its floor ({step_floor or 0:.2f} ms)", over,
         f"(<= 1.3) bound by {bound(over)}" if big else "(in cache)")
    line("  step speed-up over the lean plain step", quotient(plain, step),
         "(>= 2.5)" if big else "")
    tick = ms(f"timerTick/{level}/real_time")
    line("  lean plain step over one whole tick (step, balls, contacts)", quotient(plain, tick))
    line("  one tick over the step's floor", quotient(tick, step_floor))

for level, points in ((5, "10k"), (7, "160k"), (8, "650k")):
    line(f"contact pass speed-up over the plain pass, {points} points",
         quotient(ms(f"plainContactPass/{level}/real_time"), ms(f"contactPass/{level}/real_time")),
         "(>= 5 at 160k)" if level == 7 else "")

for level, points in ((5, "10k"), (7, "160k"), (8, "650k")):
    line(f"redraw's normals speed-up over the library's, {points} points",
         quotient(ms(f"plainSurfaceNormals/{level}/real_time"),
                  ms(f"surfaceRedrawWork/{level}/real_time")), "")

for level, points in ((7, "160k"), (8, "650k")):
    line(f"a frame's surface work through its level over all its triangles, {points} points",
         quotient(ms(f"surfaceFrameWork/{level}/1/real_time"),
                  ms(f"surfaceFrameWork/{level}/0/real_time")), "")

tick = ms("timerTick/7/real_time")
if tick is not None:
    line("one tick at 160k points, ms (half of 0.012 / 3 = 2 ms)", tick, "(<= 2)")

tick = ms("timerTick/7/real_time")
line("energy sample over one tick at 160k points (the energy file takes one a tick)",
     quotient(ms("bodyEnergy/7/real_time"), tick))
# The plot samples once per 0.08 simulated seconds: one tick in 0.08 / 0.012 at the benchmarks'
# time step.
sample = quotient(ms("bodyEnergy/7/real_time"), tick)
line("the shown energy plot's share of a tick at 160k points (a sample a 0.08 s)",
     None if sample is None else sample * 0.012 / 0.08, "(<= 0.05)")
line("  the same, measured: a tick with the plot over one without, less 1",
     quotient(ms("plottedTimerTick/7/real_time"), tick) and
     quotient(ms("plottedTimerTick/7/real_time"), tick) - 1)
# A snapshot each simulated second: once in 1 / 0.012 ticks at the benchmarks' time step.
snapshot = quotient(ms("snapshotTake/7/real_time"), tick)
line("a snapshot over one tick at 160k points (the tick that takes it)", snapshot)
line("  its share of every tick, once a simulated second",
     None if snapshot is None else snapshot * 0.012, "(<= 0.05)")
line("stable time step: measuring a body of 160k points once, ms",
     ms("stableStepMeasure/7/real_time"))
line("stable time step: the bound a status asks for, over one tick at 160k points",
     quotient(ms("stableStepBound/7/real_time"), tick), "(<= 0.05)")

# The same sphere without struts, held by its gas and not: what the gas's pass adds to a step.
line("the step with the gas over the step without, 160k points, less 1",
     quotient(ms("inflatedStep/7/1/real_time"), ms("inflatedStep/7/0/real_time")) and
     quotient(ms("inflatedStep/7/1/real_time"), ms("inflatedStep/7/0/real_time")) - 1,
     "(<= 0.15)")
line("  a tick with the gas over one without, 160k points in the busy arena, less 1",
     quotient(ms("inflatedTimerTick/7/1/real_time"), ms("inflatedTimerTick/7/0/real_time")) and
     quotient(ms("inflatedTimerTick/7/1/real_time"), ms("inflatedTimerTick/7/0/real_time")) - 1)

load = median.get("readBody/8/real_time")
if load:
    line("peak memory of loading 650k points over the finished body",
         load["loadPeakBytes"] / load["bodyBytes"], "(<= 2)")
EOF

# The boundary points' share of the step's work at 160k points, from processor-time samples of
# a run of the step alone with their call chains (perf, where it may record): the samples in the
# boundary pass against those in it and in the parts.
samples="$PWD/build/bench-step.perf"
if command -v perf >/dev/null &&
    perf record -q -F 999 --call-graph=dwarf,8192 -o "$samples" -- build/plimmerton-bench \
        --benchmark_filter='^step/7/' --benchmark_min_time=2 >/dev/null 2>&1; then
    perf report -i "$samples" --children --sort sym --stdio -q -g none 2>/dev/null | awk '
        /MpSystem::finishBoundaryPoints/ { boundary += $1 }
        /MpSystem::stepPart</ { parts += $1 }
        END {
            if (parts > 0) {
                printf "  %-66s %8.2f   (<= 5)\n", \
                    "boundary points'"'"' share of the step'"'"'s work, 160k points, %", \
                    100 * boundary / (parts + boundary)
            }
        }'
else
    echo "  boundary points' share of the step's work: not measured (perf cannot record here)"
fi
