#!/usr/bin/env bash
# Usage: scripts/fuzz-prepare.sh [SECONDS]
#
# Fuzzes model preparation (plimmerton-prepare's work: import, clean-up, simplification,
# placement, bracing, writing) for SECONDS seconds (default 60) with libFuzzer under address and
# undefined-behaviour sanitizers. An input's first byte picks the form the import library is
# told to expect: 0 OFF, 1 OBJ, 2 PLY, 3 STL, 4 glTF, 5 GLB, and 6 to 11 the same for a body
# held by a gas rather than struts (--pressure). Seeds, each in both ways: the small models in
# fuzz/corpus-prepare and the small glTF boxes of the assimp-testmodels package when it is
# installed; inputs that find new paths collect in build-fuzz/corpus-prepare.
# A crash, leak, hang or out-of-memory leaves its input in build-fuzz/artifacts-prepare and
# fails the script. FUZZ_FLAGS adds libFuzzer flags: "-fork=1 -ignore_crashes=1" goes on past
# each crash and collects them all. The import library is the system's and not instrumented:
# a crash inside it shows as a plain signal, with the library's frames on top of the stack.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 1 "$@"
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null
cmake --build "$build" --target fuzz_prepare -j 2 >/dev/null

rm -rf "$build/artifacts-prepare" "$build/seeds-prepare" "$build/prepare.log"
mkdir -p "$build/corpus-prepare" "$build/artifacts-prepare" "$build/seeds-prepare"
# selector FILE [GAS]: the first byte for the file's form; with GAS, the one that also asks for a
# body held by a gas (--pressure).
selector() {
    local form
    case "$1" in
    *.off) form=0 ;;
    *.obj) form=1 ;;
    *.ply) form=2 ;;
    *.stl) form=3 ;;
    *.gltf) form=4 ;;
    *.glb) form=5 ;;
    esac
    printf "\\$(printf %03o $((form + ${2:+6})))"
}
shopt -s nullglob
for seed in fuzz/corpus-prepare/* /usr/share/assimp/models/glTF2/BoxTextured-glTF-Embedded/*.gltf \
    /usr/share/assimp/models/glTF2/BoxTextured-glTF-Binary/*.glb \
    /usr/share/assimp/models/OFF/Cube.off; do
    [ -f "$seed" ] || continue
    { selector "$seed"; cat "$seed"; } >"$build/seeds-prepare/$(basename "$seed")"
    { selector "$seed" gas; cat "$seed"; } >"$build/seeds-prepare/gas-$(basename "$seed")"
done

status=0
(cd "$build" && UBSAN_OPTIONS=print_stacktrace=1 ./fuzz_prepare \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix=artifacts-prepare/ ${FUZZ_FLAGS:-} \
    corpus-prepare seeds-prepare >prepare.log 2>&1) || status=$?

# A single process ends with its statistics; in fork mode the last progress line counts.
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/prepare.log" | tail -n1)
[ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\):.*/\1/p' "$build/prepare.log" | tail -n1)
artifacts=("$build"/artifacts-prepare/*)
echo "fuzz-prepare: ${runs:-0} executions in ${seconds} s, ${#artifacts[@]} failing inputs"
if [ "$status" -ne 0 ] || [ ${#artifacts[@]} -gt 0 ]; then
    for artifact in "${artifacts[@]}"; do
        echo "failing input: $artifact"
    done
    tail -n 60 "$build/prepare.log" >&2
    exit 1
fi
