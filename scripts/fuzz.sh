#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
#
# Fuzzes each TARGET for SECONDS seconds (default 60), one after the other, with libFuzzer under
# address and undefined-behaviour sanitizers. Targets (default: all three):
#   mesh   the mesh reader; seeds: the hand-made cases in fuzz/corpus and the bundled meshes
#   image  the decoding of texture files; seeds: the small pictures in fuzz/image-corpus
#   scene  the scene and state file readers; seeds: fuzz/scene-corpus and the bundled scenes
# Inputs that find new paths collect in build-fuzz/TARGET/corpus (kept between runs). A crash,
# leak, hang or out-of-memory leaves its input in build-fuzz/TARGET/artifacts and fails the
# script; such an input belongs in the target's tests as a regression case.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
no_options "$@"
for target in "${@:2}"; do
    case $target in
    mesh | image | scene) ;;
    *) refuse "unknown fuzz target '$target', not mesh, image or scene" ;;
    esac
done
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(mesh image scene)
build=build-fuzz

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null
cmake --build "$build" -j 2 >/dev/null

# FUZZ_JOBS parallel fuzzing processes (default 1), each with its own log (fuzz-N.log, written
# into the folder it runs in). -timeout is per input, -rss_limit_mb per process.
jobs=${FUZZ_JOBS:-1}
failed=0
for target in "${targets[@]}"; do
    case $target in
    mesh)
        program=fuzz_mesh_reader
        max_len=8192
        seeds=(../../fuzz/corpus seeds)
        ;;
    image)
        program=fuzz_image
        max_len=16384
        seeds=(../../fuzz/image-corpus)
        ;;
    scene)
        program=fuzz_scene_file
        max_len=8192
        seeds=(../../fuzz/scene-corpus seeds)
        ;;
    esac
    work=$build/$target
    # The logs and failing inputs are this run's; the corpus grows from run to run.
    rm -rf "$work/artifacts" "$work"/fuzz-*.log
    mkdir -p "$work/corpus" "$work/artifacts" "$work/seeds"
    if [ "$target" = mesh ]; then
        cp data/*.off data/*.toff "$work/seeds/"
    fi
    if [ "$target" = scene ]; then
        cp data/*.toml "$work/seeds/"
    fi
    status=0
    (cd "$work" && UBSAN_OPTIONS=print_stacktrace=1 "../$program" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=5 -max_len="$max_len" \
        -print_final_stats=1 -artifact_prefix=artifacts/ -jobs="$jobs" -workers="$jobs" \
        corpus "${seeds[@]}" >fuzz.log 2>&1) || status=$?

    shopt -s nullglob
    executions=0
    for log in "$work"/fuzz-*.log; do
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
        executions=$((executions + ${runs:-0}))
    done
    artifacts=("$work"/artifacts/*)
    shopt -u nullglob
    echo "fuzz $target: ${executions} executions in ${seconds} s on ${jobs} jobs," \
        "${#artifacts[@]} failing inputs"
    if [ "$status" -ne 0 ] || [ ${#artifacts[@]} -gt 0 ]; then
        for artifact in "${artifacts[@]}"; do
            echo "failing input: $artifact"
        done
        tail -n 40 "$work"/fuzz-*.log "$work/fuzz.log" >&2
        failed=1
    fi
done
exit "$failed"
