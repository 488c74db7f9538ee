#!/usr/bin/env bash
# Usage: scripts/bodies-rate.sh [COUNT] [TICKS]
#
# Measures whether the real window keeps the pace of real time with many bodies: COUNT bodies
# (default 20, at most 20), each the model fuzz/corpus-prepare/cube.obj prepared into a body of
# 1,000 points and 3 units across, in a grid of five by four a little above the floor of the
# arena (the first, where its file puts it, falls into the grid's place left for it), with the
# bundled ball's options, on a virtual display (Xvfb with openbox). The window presses P at its start and Q
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
options=(-m 0.3 -s 85 -d 0.04 -t 0.012)
[ "$count" -ge 1 ] && [ "$count" -le 20 ] || refuse "COUNT is 1 to 20, not '$count'"
# Five to a row, four units apart, four rows five units apart, each a unit above the floor; the
# first body stands over the place at (0, 2.5) as its file puts it (centred at x 0, z 3).
bodies=()
for z in -7.5 -2.5 2.5 7.5; do
    for x in -8 -4 0 4 8; do
        if [ "${#bodies[@]}" -lt $((4 * (count - 1))) ] && [ "$x,$z" != "0,2.5" ]; then
            bodies+=(-add "$body" -at "$x,-12.5,$z")
        fi
    done
done
load=$(cut -d' ' -f1-3 /proc/loadavg)

sim_tick=$(build/plimmerton-sim -i "$body" "${bodies[@]}" "${options[@]}" -arena 1 -n "$ticks" \
    2>/dev/null | awk '/^median tick/ { print $3 }')

start_display
cd data
start_program -i "$body" "${bodies[@]}" "${options[@]}" -arena 1 -keys "0:p,$ticks:q"
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
fi

echo "bodies: $count of $(grep -m1 -o '^([0-9]* points)' "$PROGRAM_ERR" || echo '(1000 points)')"
echo "load average when the run began: $load"
awk -v t="$sim_tick" 'BEGIN { printf "plimmerton-sim on the same bodies: median tick %s ms (real time allows 4 ms)\n", t }'
awk -v a="$shown" -v b="$ended" -v n="$ticks" 'BEGIN {
    target = n * 0.004
    printf "window: %d ticks in %.2f s from its showing to its end, real time %.2f s: %.2f of real time\n", n, b - a, target, target / (b - a) }'
echo "screenshot halfway: $shot"
