#!/usr/bin/env bash
# Usage: scripts/video-numbers.sh
#
# Measures the videos that the README reports, each with ffprobe:
#  1. the window (a virtual display with openbox), the bundled ball, key V held for 10 s of
#     wall-clock time: codec, frame rate, frames against the ticks recorded, repeated frames;
#  2. the same with the 163,842-point ball for 20 s, which the window shows in slow motion:
#     the video's length against the wall-clock time and the simulated time;
#  3. plimmerton-sim, the bundled ball, 750 ticks, --keys "0:space,50:space": frames, length,
#     and its first frame against a screenshot of the window at start at the same size (RMSE
#     over the view without the texts, the axis cross and the frame counter);
#  4. plimmerton-sim, the 655,362-point ball, 750 ticks with a video: its wall-clock time;
#  5. the encoder's benchmark at 640 x 480.
# Prints one block per number. Takes about five minutes on two cores.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton plimmerton-sim plimmerton-mkdata plimmerton-bench \
    -j "$(nproc)" >/dev/null

root="$PWD"
export PLIMMERTON="$root/build/plimmerton" PLIMMERTON_SOURCE_DIR="$root"
export PLIMMERTON_BINARY_DIR="$root/build"
source "$root/tests/e2e/lib.sh"
options=(-tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012 -arena 1)
build/plimmerton-mkdata --ball 7 "$E2E_WORK/ball7.toff" >/dev/null
build/plimmerton-mkdata --ball 8 "$E2E_WORK/ball8.toff" >/dev/null

# probe FILE FIELDS: the video stream's fields, frames counted by decoding.
probe() {
    ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries "stream=$2" -of default=nw=1 "$1" | tr '\n' ' '
}
repeated() {
    ffmpeg -v error -i "$1" -f framemd5 - | awk -F', *' '!/^#/ { if ($6 == last) n++; last = $6 }
        END { print n + 0 }'
}

start_display
export XDG_CONFIG_HOME="$E2E_WORK/config"
mkdir -p "$XDG_CONFIG_HOME" "$E2E_WORK/videos"
printf 'XDG_VIDEOS_DIR="%s"\n' "$E2E_WORK/videos" >"$XDG_CONFIG_HOME/user-dirs.dirs"
cd data

# record NAME MESH SECONDS: the window on MESH, the animation started, V held for SECONDS.
record() {
    : >"$PROGRAM_OUT"
    start_program -i "$2" "${options[@]}"
    local window
    window=$(find_window)
    activate_window "$window"
    wait_until 60 frame_drawn "$window" "$E2E_WORK/$1-start.png"
    type_keys p
    sleep 2
    local start
    start=$(date +%s.%N)
    type_keys v
    sleep "$3"
    type_keys v
    wait_until 60 grep -q "^video: " "$PROGRAM_OUT"
    local stop
    stop=$(date +%s.%N)
    type_keys q
    wait_program 60
    local line file
    line=$(grep "^video: " "$PROGRAM_OUT")
    file=$(sed -n 's/^video: \([^,]*\),.*/\1/p' <<<"$line")
    echo "== window, $1, V held ${3} s (wall clock between the presses: $(echo "$stop - $start" |
        bc | cut -c1-5) s)"
    echo "   the program: $line"
    echo "   ffprobe: $(probe "$file" codec_name,r_frame_rate,nb_read_frames,duration)"
    echo "   frames equal to the one before: $(repeated "$file")"
}
record "bundled ball" ball.toff 10
record "163,842-point ball" "$E2E_WORK/ball7.toff" 20

echo "== headless, bundled ball, 750 ticks, keys 0:space,50:space"
/usr/bin/time -f "   wall %e s" "$root/build/plimmerton-sim" -i ball.toff "${options[@]}" -n 750 \
    --keys "0:space,50:space" --video "$E2E_WORK/headless.mp4" 2>&1 >"$E2E_WORK/sim.out" |
    grep "wall"
echo "   ffprobe: $(probe "$E2E_WORK/headless.mp4" codec_name,r_frame_rate,nb_read_frames,duration)"

# The window at start and the first frame at the view's size (the window's area less the
# examiner's trims); compared where no text, axis cross or frame counter lies over the view.
start_program -i ball.toff "${options[@]}"
window=$(find_window)
activate_window "$window"
wait_until 60 frame_drawn "$window" "$E2E_WORK/window.png"
sleep 2
screenshot "$window" "$E2E_WORK/window.png"
view_geometry "$window"
close_window
wait_program 30
size="$((WIDTH - 60))x$((HEIGHT - 30))"
"$root/build/plimmerton-sim" -i ball.toff "${options[@]}" -n 9 --size "$size" \
    --video "$E2E_WORK/first.mp4" >/dev/null 2>&1
ffmpeg -v error -y -i "$E2E_WORK/first.mp4" -frames:v 1 "$E2E_WORK/first.png"
convert "$E2E_WORK/window.png" -crop "$size+30+0" +repage "$E2E_WORK/window-view.png"
region="$((WIDTH - 60 - 120))x$((HEIGHT - 30 - 130))+60+70"
convert "$E2E_WORK/window-view.png" -crop "$region" +repage "$E2E_WORK/window-region.png"
convert "$E2E_WORK/first.png" -crop "$region" +repage "$E2E_WORK/first-region.png"
rmse=$(compare -metric RMSE "$E2E_WORK/window-region.png" "$E2E_WORK/first-region.png" null: 2>&1 ||
    true)
echo "   first frame against the window at start, $size, region $region: RMSE $rmse"
echo "   (pictures: $E2E_WORK/window-view.png, $E2E_WORK/first.png)"

echo "== headless, 655,362-point ball, 750 ticks with a video"
/usr/bin/time -f "   wall %e s" "$root/build/plimmerton-sim" -i "$E2E_WORK/ball8.toff" \
    "${options[@]}" -n 750 --video "$E2E_WORK/ball8.mp4" 2>&1 >"$E2E_WORK/sim8.out" | grep wall
sed 's/^/   /' "$E2E_WORK/sim8.out"

echo "== encoding, 640 x 480 (Time: wall clock a frame; CPU: all the encoder's threads)"
"$root/build/plimmerton-bench" --benchmark_filter=encodeFrame --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>/dev/null | grep encodeFrame
finish >/dev/null
