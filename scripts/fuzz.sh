#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS]
# Fuzzes the mesh reader for SECONDS seconds (default 60) with libFuzzer under address and
# undefined-behaviour sanitizers. Seeds: the hand-made cases in fuzz/corpus and the bundled
# meshes; inputs that find new paths collect in build-fuzz/corpus (kept between runs).
# A crash, leak, hang or out-of-memory leaves its input in build-fuzz/artifacts and fails the
# script; such an input belongs in tests/mpsystem as a regression case.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null
cmake --build "$build" -j 2 >/dev/null

# The logs and failing inputs are this run's; the corpus grows from run to run.
rm -rf "$build/artifacts" "$build"/fuzz-*.log
mkdir -p "$build/corpus" "$build/artifacts" "$build/seeds"
cp data/*.off data/*.toff "$build/seeds/"
# FUZZ_JOBS parallel fuzzing processes (default 1), each with its own log (fuzz-N.log, written
# into the folder it runs in). -timeout is per input, -rss_limit_mb per process.
jobs=${FUZZ_JOBS:-1}
status=0
(cd "$build" && UBSAN_OPTIONS=print_stacktrace=1 ./fuzz_mesh_reader \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=5 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix=artifacts/ -jobs="$jobs" -workers="$jobs" \
    corpus ../fuzz/corpus seeds >fuzz.log 2>&1) || status=$?

shopt -s nullglob
executions=0
for log in "$build"/fuzz-*.log; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    executions=$((executions + ${runs:-0}))
done
artifacts=("$build"/artifacts/*)
echo "fuzz: ${executions} executions in ${seconds} s on ${jobs} jobs," \
    "${#artifacts[@]} failing inputs"
if [ "$status" -ne 0 ] || [ ${#artifacts[@]} -gt 0 ]; then
    for artifact in "${artifacts[@]}"; do
        echo "failing input: $artifact"
    done
    tail -n 40 "$build"/fuzz-*.log "$build/fuzz.log" >&2
    exit 1
fi
