#!/usr/bin/env bash
# Usage: scripts/open-check.sh
#
# Measures opening models from the real window and carrying the body with the mouse, on a
# virtual display (Xvfb with openbox), with the bundled ball and its options:
#  - a model dropped on the view (cow.off of Debian's libcgal-demo, a 2,904-point OFF surface,
#    prepared the first time, from the cache the second): seconds from the drop to the body
#    read;
#  - a 100,000-vertex PLY scan (made here) dropped while the animation runs: seconds from the
#    drop to the body read against the preparation tool's own time for it; the ticks and frames
#    a second of the running window alone and while a larger scan is prepared (perf probes, as
#    scripts/window-rate.sh counts them);
#  - Esc during that preparation: seconds until the tool's processes are gone;
#  - 50 opens in a row, good and bad files alternating (one that crashes the import library):
#    whether the program runs on, which body N reads after them, and how much its resident
#    memory grew;
#  - the bundled ball dragged 150 pixels up with Ctrl and the left button: how far its centre
#    on the screen rose within a second, and whether it comes to rest after letting go.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
no_options "$@"
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton plimmerton-prepare drag_source -j "$(nproc)" >/dev/null

models=$root/build/models
mkdir -p "$models"
source "$root/scripts/lib/models.sh"
cow=$(package_file libcgal-demo /usr/share/doc/libcgal-dev/data.tar.gz data/meshes/cow.off)

export PLIMMERTON="$root/build/plimmerton" PLIMMERTON_SOURCE_DIR="$root" \
    PLIMMERTON_BINARY_DIR="$root/build" DRAG_SOURCE="$root/build/drag_source"
source "$root/tests/e2e/lib.sh"
export XDG_CACHE_HOME="$E2E_WORK/cache"

# scan_ply RINGS AROUND: a scan-like surface, a bumpy sphere of RINGS rings of AROUND points, as
# an ASCII PLY.
scan_ply() {
awk -v rings="$1" -v around="$2" 'BEGIN {
    pi = 3.14159265358979
    printf "ply\nformat ascii 1.0\nelement vertex %d\n", rings * around
    print "property float x\nproperty float y\nproperty float z"
    printf "element face %d\nproperty list uchar int vertex_indices\nend_header\n", (rings - 1) * around * 2
    for (r = 0; r < rings; r++) {
        t = pi * (r + 0.5) / rings
        for (a = 0; a < around; a++) {
            p = 2 * pi * a / around
            radius = 1 + 0.03 * sin(7 * t) * cos(5 * p)
            printf "%.6f %.6f %.6f\n", radius * sin(t) * cos(p), radius * cos(t), radius * sin(t) * sin(p)
        }
    }
    for (r = 0; r + 1 < rings; r++) {
        for (a = 0; a < around; a++) {
            i = r * around + a; j = r * around + (a + 1) % around
            printf "3 %d %d %d\n3 %d %d %d\n", i, j, i + around, j, j + around, i + around
        }
    }
}'
}
scan="$E2E_WORK/scan.ply"
scan_ply 250 400 >"$scan"
# Large enough that its preparation is still under way when Esc is pressed.
big_scan="$E2E_WORK/big-scan.ply"
scan_ply 1000 800 >"$big_scan"
# Found by fuzzing the preparation: the import library aborts on it.
crash="$root/tests/e2e/data/import-crash.off"
notes="$E2E_WORK/notes.obj"
printf 'this is no model\n' >"$notes"

prepare_seconds=$( { /usr/bin/time -f %e build/plimmerton-prepare "$scan" "$E2E_WORK/alone.toff" >/dev/null; } 2>&1 | tail -n1)

now() { date +%s.%N; }
reads() { grep -c '^Start rendering scene' "$PROGRAM_ERR" || true; }
reads_at_least() { [ "$(reads)" -ge "$1" ]; }
# watch_reads COUNT: notes in the background when the program has read COUNT bodies (in
# $E2E_WORK/read-time); it looks every hundredth of a second.
watch_reads() {
    rm -f "$E2E_WORK/read-time"
    (until reads_at_least "$1"; do sleep 0.01; done; now >"$E2E_WORK/read-time") &
    WATCHER=$!
}
# wait_read: waits for the watcher, then sets READ_SECONDS, from the last drop to the read.
wait_read() {
    wait "$WATCHER"
    READ_SECONDS=$(awk -v a="$DROP_TIME" -v b="$(cat "$E2E_WORK/read-time")" \
        'BEGIN { printf "%.2f", b - a }')
}
preparation_gone() { ! pgrep -f '/plimmerton-prepare .* --progress$' >/dev/null; }
preparing() { ! preparation_gone; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$PROGRAM_PID/status"; }

probes=""
remove_probes() { perf probe -q -d 'plimmerton_open:*' 2>/dev/null || true; }
if command -v perf >/dev/null; then
    remove_probes
    if perf probe -q -x "$PLIMMERTON" --no-demangle \
        -a 'plimmerton_open:frame=_ZN15SurfaceStripSet8GLRenderEP16SoGLRenderAction' 2>/dev/null &&
        perf probe -q -x "$PLIMMERTON" --no-demangle \
            -a 'plimmerton_open:tick=_Z7runTickRK9TickWorldf' 2>/dev/null; then
        probes=yes
    fi
fi
trap 'e2e_cleanup; remove_probes' EXIT

start_display
cd data
start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
window=$(find_window)
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png"

# ---- the cow, prepared, then from the cache ----------------------------------------------------
watch_reads $(($(reads) + 1))
drop_file "$window" "$cow"
wait_read
echo "cow.off dropped, first time (prepared): $READ_SECONDS s to the body read"
watch_reads $(($(reads) + 1))
drop_file "$window" "$cow"
wait_read
echo "cow.off dropped again (from the cache): $READ_SECONDS s to the body read"

# ---- a 100,000-vertex scan while the ball runs ---------------------------------------------------
watch_reads $(($(reads) + 1))
drop_file "$window" "$root/data/ball.toff"
wait_read
activate_window "$window"
type_keys p
sleep 2
# The ticks and frames are counted from the start of the preparation to its end, as the
# preparation tool's own process sees them.
counts="$E2E_WORK/counts"
watch_reads $(($(reads) + 1))
drop_file "$window" "$scan"
wait_read
echo "scan.ply (100,000 vertices) dropped while running: $READ_SECONDS s to the body read;" \
    "the tool alone takes $prepare_seconds s"
# rates SECONDS: counts the ticks and frames of the next SECONDS with the probes and prints
# them a second.
rates() {
    perf stat -x, -e plimmerton_open:frame,plimmerton_open:tick -p "$PROGRAM_PID" \
        -- sleep "$1" 2>"$counts"
    awk -F, -v s="$1" '
        /plimmerton_open:frame/ { printf "%.1f frames", $1 / s }
        /plimmerton_open:tick/  { printf " and %.1f ticks a second", $1 / s }
    ' "$counts"
}
if [ -n "$probes" ]; then
    # Counted over two seconds, long beside the probes' own start: once while nothing is being
    # prepared, once while the large scan is (its preparation takes about three seconds).
    echo "  the window alone: $(rates 2) (250 ticks is the full rate)"
    drop_file "$window" "$big_scan" &
    dropping=$!
    wait_until 20 preparing
    echo "  while a model is prepared: $(rates 2)"
    wait "$dropping"
    wait_until 60 preparation_gone
fi

# ---- Esc while a preparation runs ------------------------------------------------------------
rm -rf "$XDG_CACHE_HOME/plimmerton"
drop_file "$window" "$big_scan"
activate_window "$window"
wait_until 20 preparing || echo "  (no preparation to cancel)"
sleep 0.5
start=$(now)
xdotool key Escape
wait_until 10 preparation_gone || echo "  (still preparing)"
echo "Esc: $(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }') s until the" \
    "preparation's processes are gone (xdotool's key included)"

# ---- 50 opens in a row --------------------------------------------------------------------------
type_keys p
rss_before=$(rss_kb)
good=("$root/data/box.off" "$root/data/ball.toff" "$cow")
bad=("$crash" "$notes")
for k in $(seq 0 49); do
    if [ $((k % 2)) -eq 0 ]; then
        file=${good[$((k / 2 % 3))]}
    else
        file=${bad[$((k / 2 % 2))]}
    fi
    drop_file "$window" "$file" || echo "  drop $k not taken"
    sleep 1
done
sleep 3
alive=no
kill -0 "$PROGRAM_PID" 2>/dev/null && alive=yes
rss_after=$(rss_kb)
last=${good[$((48 / 2 % 3))]}
echo "50 opens (good and bad alternating): runs on: $alive; resident memory $((rss_before / 1024))" \
    "MB before, $((rss_after / 1024)) MB after (+$(((rss_after - rss_before) / 1024)) MB);" \
    "$(grep -c 'crashed' "$PROGRAM_ERR") lines say the import library crashed"
watch_reads $(($(reads) + 1))
activate_window "$window"
type_keys n
wait "$WATCHER"
echo "  N after them reads the last good file, $(basename "$last"):" \
    "$(grep '^A total number of edges' "$PROGRAM_ERR" | tail -n1)"

# ---- carrying the ball ---------------------------------------------------------------------------
drop_file "$window" "$root/data/ball.toff"
activate_window "$window"
type_keys p
sleep 4
view_geometry "$window"
eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/W_/')"
# body_y FILE: the vertical centre, in window pixels, of the ball's orange squares.
body_y() {
    convert "$1" -crop "$((W_WIDTH - 60))x$((W_HEIGHT - 30))+30+0" -depth 8 txt:- | awk -F'[(),:]+' '
        NR > 1 { r = $4; g = $5; b = $6; if (r - b > 80 && g < 0.7 * r) { n++; sy += $2 } }
        END { printf "%d\n", n ? sy / n : -1 }'
}
screenshot "$window" "$E2E_WORK/resting.png"
rest=$(body_y "$E2E_WORK/resting.png")
x=$((W_X + W_WIDTH / 2))
y=$((W_Y + rest))
xdotool mousemove --sync "$x" "$y" keydown ctrl mousedown 1
for step in 1 2 3 4 5; do
    xdotool mousemove --sync "$x" $((y - 30 * step))
    sleep 0.02
done
sleep 1
screenshot "$window" "$E2E_WORK/lifted.png"
lifted=$(body_y "$E2E_WORK/lifted.png")
xdotool mouseup 1 keyup ctrl
sleep 8
screenshot "$window" "$E2E_WORK/dropped.png"
dropped=$(body_y "$E2E_WORK/dropped.png")
sleep 1
screenshot "$window" "$E2E_WORK/later.png"
later=$(body_y "$E2E_WORK/later.png")
echo "the ball dragged 150 pixels up: its centre rose $((rest - lifted)) pixels within a second" \
    "($(((rest - lifted) * 100 / 150))%); let go, it falls, and 8 s later its centre lies" \
    "$((dropped - rest)) pixels from where it rested before and moves $((later - dropped))" \
    "pixels in the next second"
type_keys q
wait_program 20
