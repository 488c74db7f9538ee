#!/usr/bin/env bash
# Usage: scripts/window-rate.sh [LEVEL] [SECONDS]
#
# Measures the real window while the animation runs: ticks and frames a second and the
# processor time the program takes, with the bundled ball made finer by LEVEL subdivisions
# (default 7: 163,842 points; 3 is the bundled ball), run with the bundled ball's options on a
# virtual display (Xvfb with openbox) for SECONDS (default 10) after the animation starts.
# At the end it presses Q and tells how long the program took to end. Just before, the same
# body runs in plimmerton-sim with the same options in the same arena (the pillars laid out
# from seed 1 in both), and the window's ticks are set beside the headless tool's (the window
# keeps real time: at most 250 ticks a second). PLIMMERTON_ALL_TRIANGLES=1 measures the window
# drawing every triangle of the body, as it did before the surface had levels.
# KEYS, when set, are typed before the animation starts (xdotool's names): KEYS="F2 F3"
# measures with the tuning panel and the energy plot shown. PROFILE=FILE also samples where
# the program's processor time goes over the same seconds (perf record, all its threads, into
# FILE) and prints the largest shares by thread and by function; the sampling costs the
# program a little of its pace.
#
# Ticks and frames are counted with perf's probes on the tick (runTick) and on the surface's
# drawing (this needs perf and the right to add probes, usually root); without them only the
# processor time and the screenshot are left: the status line in its upper left corner shows
# the pace, the viewer's frame counter in its lower left corner the frames. The processor time
# is read from /proc: all the program's threads, the drawing's included, as a share of one core,
# and beside it what the rest of the machine (the X server and other users' work) took over the
# same seconds, which says how far the run was a fair one.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 2 "$@"
cd "$(dirname "$0")/.."
level=${1:-7}
seconds=${2:-10}
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton plimmerton-mkdata plimmerton-sim -j "$(nproc)" >/dev/null

load=$(cut -d' ' -f1-3 /proc/loadavg)
root="$PWD"
program="$root/build/plimmerton"
export PLIMMERTON="$program" PLIMMERTON_SOURCE_DIR="$root" PLIMMERTON_BINARY_DIR="$root/build"
source "$root/tests/e2e/lib.sh"
ball="$E2E_WORK/ball$level.toff"
summary=$(build/plimmerton-mkdata --ball "$level" "$ball")
options=(-m 0.3 -s 85 -d 0.04 -t 0.012)

# The headless tool's ticks on the same body: the median tick of as many ticks as take about
# the measured seconds at the window's pace, and what the rest of the machine took meanwhile
# (all processes' processor time less the tool's; `times` reports this shell's children).
# machine_ticks: the clock ticks of processor time all processes have taken so far (user,
# nice, system, interrupts, stolen).
machine_ticks() {
    awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat
}
children_seconds() {
    awk 'NR == 2 { gsub(/[ms]/, " "); print $1 * 60 + $2 + $3 * 60 + $4 }' "$1"
}
times >"$E2E_WORK/times.before"
sim_start=$(date +%s.%N)
sim_machine_before=$(machine_ticks)
build/plimmerton-sim -i "$ball" "${options[@]}" -arena 1 -n $((250 * seconds)) \
    >"$E2E_WORK/sim.out" 2>/dev/null
sim_machine_after=$(machine_ticks)
sim_end=$(date +%s.%N)
times >"$E2E_WORK/times.after"
sim_tick=$(awk '/^median tick/ { print $3 }' "$E2E_WORK/sim.out")
sim_rest=$(awk -v m=$((sim_machine_after - sim_machine_before)) -v hz="$(getconf CLK_TCK)" \
    -v own="$(children_seconds "$E2E_WORK/times.before") $(children_seconds "$E2E_WORK/times.after")" \
    -v s="$(awk -v a="$sim_start" -v b="$sim_end" 'BEGIN { print b - a }')" 'BEGIN {
        split(own, o, " ")
        printf "%.0f", 100 * (m / hz - (o[2] - o[1])) / s
    }')

# The probes live in a group of their own, removed again at the end (and first, in case an
# earlier run was cut short).
probes=""
remove_probes() {
    perf probe -q -d 'plimmerton_rate:*' 2>/dev/null || true
}
if command -v perf >/dev/null; then
    remove_probes
    if perf probe -q -x "$program" --no-demangle \
        -a 'plimmerton_rate:frame=_ZN15SurfaceStripSet8GLRenderEP16SoGLRenderAction' \
        2>/dev/null &&
        perf probe -q -x "$program" --no-demangle \
            -a 'plimmerton_rate:tick=_Z7runTickRK9TickWorldf' 2>/dev/null; then
        probes=yes
    fi
fi
trap 'e2e_cleanup; remove_probes' EXIT

# cpu_ticks: the clock ticks of processor time the program's threads have taken so far.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$PROGRAM_PID/stat"
}

start_display
export COIN_SHOW_FPS_COUNTER=1
cd data
start_program -i "$ball" -tex body.tga "${options[@]}" -arena 1
window=$(find_window) || {
    cat "$PROGRAM_ERR" >&2
    exit 1
}
activate_window "$window"
sleep 2
# shellcheck disable=SC2086 # a list of keys
[ -z "${KEYS:-}" ] || type_keys $KEYS
type_keys p
# The first second is left out: the pace is measured over whole seconds.
sleep 1
counts="$E2E_WORK/counts"
recorder=""
if [ -n "${PROFILE:-}" ]; then
    perf record -q -F 499 -p "$PROGRAM_PID" -o "$PROFILE" -- sleep "$seconds" 2>/dev/null &
    recorder=$!
fi
cpu_before=$(cpu_ticks)
machine_before=$(machine_ticks)
if [ -n "$probes" ]; then
    perf stat -x, -e plimmerton_rate:frame,plimmerton_rate:tick -p "$PROGRAM_PID" \
        -- sleep "$seconds" 2>"$counts"
else
    sleep "$seconds"
fi
cpu_after=$(cpu_ticks)
machine_after=$(machine_ticks)
[ -z "$recorder" ] || wait "$recorder" || true
shot="$E2E_WORK/window.png"
screenshot "$window" "$shot"
quit_start=$(date +%s.%N)
type_keys q
wait_program 60
quit_end=$(date +%s.%N)

echo "load when the run began: $load"
echo "body: $summary"
awk -v t="$sim_tick" -v r="$sim_rest" 'BEGIN { printf "plimmerton-sim on the same body: %.1f ticks per second (median tick %s ms); the rest of the machine took %s%% of one core meanwhile\n", 1000 / t, t, r }'
if [ -n "$probes" ]; then
    awk -F, -v s="$seconds" -v t="$sim_tick" '
        /plimmerton_rate:frame/ { printf "frames per second: %.1f\n", $1 / s }
        /plimmerton_rate:tick/  {
            rate = $1 / s
            headless = 1000 / t
            printf "ticks per second:  %.1f (250 while the machine keeps up)\n", rate
            printf "window ticks over the headless tool'"'"'s: %.2f; over what real time lets the window run (the lesser of the tool'"'"'s and 250): %.2f\n", \
                rate / headless, rate / (headless < 250 ? headless : 250)
        }
    ' "$counts"
else
    echo "perf probes unavailable: read the frame counter in the screenshot"
fi
awk -v t=$((cpu_after - cpu_before)) -v m=$((machine_after - machine_before)) \
    -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v cores="$(nproc)" 'BEGIN {
        printf "processor time: %.0f%% of one core; the rest of the machine took %.0f%% of one core (of %d)\n",
            100 * t / hz / s, 100 * (m - t) / hz / s, cores
    }'
awk -v a="$quit_start" -v b="$quit_end" 'BEGIN { printf "Q ended the program after %.2f s\n", b - a }'
echo "screenshot: $shot"
if [ -n "${PROFILE:-}" ]; then
    echo "where the processor time went (perf samples in $PROFILE), by thread:"
    perf report -i "$PROFILE" --sort comm --stdio -q 2>/dev/null | awk 'NF { print "  " $0 }' |
        head -n 8
    echo "by library and function:"
    perf report -i "$PROFILE" --sort dso,sym --stdio -q 2>/dev/null |
        awk 'NF { print "  " $0 }' | cut -c1-110 | head -n 20
fi
