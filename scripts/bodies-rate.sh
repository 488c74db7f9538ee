#!/usr/bin/env bash
# Usage: scripts/bodies-rate.sh [COUNT] [TICKS]
#
# Measures whether the real window keeps the pace of real time with many bodies: COUNT bodies
# (default 20, at most 20), each the model fuzz/corpus-prepare/cube.obj prepared into a body of
# 1,000 points and 3 units across, in a grid of five by four a unit above the floor of the arena
# and clear of its pillars (the first from a copy of the body's file moved down into the grid's
# place left for it: a cube dropped from where the bundled ball starts throws its neighbours
# about), with the bundled ball's options, on a virtual display (Xvfb with openbox). The window presses P at its start and Q
# after TICKS ticks (default 3000: 12 simulated seconds at time step 0.012, 12 s of wall-clock
# time at the program's target pace of three simulated seconds a second); the time from the
# window's showing to the program's end, against TICKS times the tick interval of 4 ms, is the
# share of real time it kept (1.00 while the machine keeps up; the window gives up ticks beyond
# a tenth of a second behind and shows SLOW MOTION). Just before, plimmerton-sim runs the same
# bodies headless for TICKS ticks and gives its median tick. The load on the machine when the
# run began is printed with it.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 2 "$@"
cd "$(dirname "$0")/.."
count=${1:-20}
ticks=${2:-3000}
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton plimmerton-prepare plimmerton-sim -j "$(nproc)" >/dev/null

root="$PWD"
export PLIMMERTON="$root/build/plimmerton" PLIMMERTON_SOURCE_DIR="$root" PLIMMERTON_BINARY_DIR="$root/build"
source "$root/tests/e2e/lib.sh"
body="$E2E_WORK/cube.toff"
build/plimmerton-prepare fuzz/corpus-prepare/cube.obj "$body" --size 3 --points 1000 >/dev/null
# The first body's file with every point 12.5 lower (after the keyword, the comments and the
# counts, each vertex line begins x y z).
first="$E2E_WORK/first.toff"
awk '/^#/ { print; next } { line++ } line == 2 { points = $1 }
    line > 2 && line <= 2 + points { $2 -= 12.5 } { print }' "$body" >"$first"
options=(-m 0.3 -s 85 -d 0.04 -t 0.012)
[ "$count" -ge 1 ] && [ "$count" -le 20 ] || refuse "COUNT is 1 to 20, not '$count'"
# Five to a row, four units apart, four rows from z = -0.5 to 12, north of the two pillars at
# z = -4 (of radius 1.5), each a unit above the floor; the first body stands in the place at
# (0, 3) as its file puts it.
bodies=()
for z in -0.5 3 7.5 12; do
    for x in -8 -4 0 4 8; do
        if [ "${#bodies[@]}" -lt $((4 * (count - 1))) ] && [ "$x,$z" != "0,3" ]; then
            bodies+=(-add "$body" -at "$x,-12.5,$z")
        fi
    done
done
load=$(cut -d' ' -f1-3 /proc/loadavg)

sim_tick=$(build/plimmerton-sim -i "$first" "${bodies[@]}" "${options[@]}" -arena 1 -n "$ticks" \
    2>/dev/null | awk '/^median tick/ { print $3 }')

start_display
cd data
start_program -i "$first" "${bodies[@]}" "${options[@]}" -arena 1 -keys "0:p,$ticks:q"
window=$(find_window) || {
    cat "$PROGRAM_ERR" >&2
    exit 1
}
shown=$(date +%s.%N)
screenshot_at=$(awk -v t="$ticks" 'BEGIN { print int(t / 2 * 0.004) }')
sleep "$screenshot_at"
shot="$E2E_WORK/window.png"
screenshot "$window" "$shot"
wait_program $((ticks / 50 + 60))
ended=$(date +%s.%N)
if [ "$PROGRAM_STATUS" != 0 ] || grep -q "Backspace goes back" "$PROGRAM_ERR"; then
    echo "the run did not end by itself at tick $ticks (status $PROGRAM_STATUS):" >&2
    grep "Backspace goes back" "$PROGRAM_ERR" >&2 || true
    echo "screenshot halfway: $shot" >&2
    exit 1
fi

echo "bodies: $count of 1000 points"
echo "load average when the run began: $load"
awk -v t="$sim_tick" 'BEGIN { printf "plimmerton-sim on the same bodies: median tick %s ms (real time allows 4 ms)\n", t }'
awk -v a="$shown" -v b="$ended" -v n="$ticks" 'BEGIN {
    target = n * 0.004
    printf "window: %d ticks in %.2f s from its showing to its end, real time %.2f s: %.2f of real time\n", n, b - a, target, target / (b - a) }'
echo "screenshot halfway: $shot"
