#!/usr/bin/env bash
# Measures how fast the real window draws and ticks with a large body: the bundled ball with
# LEVEL subdivisions (default 7: 163,842 points), run with the bundled ball's options on a
# virtual display (Xvfb with openbox) for SECONDS (default 10) after the animation starts.
#
#   scripts/window-rate.sh [LEVEL] [SECONDS]
#
# Frames and ticks are counted with perf's probes on the surface's drawing and on the timer
# callback (this needs perf and the right to add probes, usually root); without them only the
# screenshot is left, with the viewer's own frame counter in its lower left corner.
set -euo pipefail
cd "$(dirname "$0")/.."
level=${1:-7}
seconds=${2:-10}
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton plimmerton-mkdata -j "$(nproc)" >/dev/null

root="$PWD"
program="$root/build/plimmerton"
export PLIMMERTON="$program" PLIMMERTON_SOURCE_DIR="$root" PLIMMERTON_BINARY_DIR="$root/build"
source "$root/tests/e2e/lib.sh"
ball="$E2E_WORK/ball$level.toff"
summary=$(build/plimmerton-mkdata --ball "$level" "$ball")

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
            -a 'plimmerton_rate:tick=_Z13timerCallbackPvP8SoSensor' 2>/dev/null; then
        probes=yes
    fi
fi
trap 'e2e_cleanup; remove_probes' EXIT

start_display
export COIN_SHOW_FPS_COUNTER=1
cd data
start_program -i "$ball" -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
window=$(find_window) || {
    cat "$PROGRAM_ERR" >&2
    exit 1
}
activate_window "$window"
sleep 2
type_keys p
counts="$E2E_WORK/counts"
if [ -n "$probes" ]; then
    perf stat -x, -e plimmerton_rate:frame,plimmerton_rate:tick -p "$PROGRAM_PID" \
        -- sleep "$seconds" 2>"$counts"
else
    sleep "$seconds"
fi
shot="$E2E_WORK/window.png"
screenshot "$window" "$shot"
close_window
wait_program 60

echo "body: $summary"
if [ -n "$probes" ]; then
    awk -F, -v s="$seconds" '
        /plimmerton_rate:frame/ { printf "frames per second: %.1f\n", $1 / s }
        /plimmerton_rate:tick/  { printf "ticks per second:  %.1f (250 while the machine keeps up)\n", $1 / s }
    ' "$counts"
else
    echo "perf probes unavailable: read the frame counter in the screenshot"
fi
echo "screenshot: $shot"
