#!/usr/bin/env bash
# Videos: plimmerton-sim records the window's view without a display, key V records it in the
# window, both at the program's target pace (30 frames a second, three simulated seconds a
# second of video); a video that cannot be written ends the headless run with status 1 and
# leaves no file; scripted keys keep a run deterministic.
source "$(dirname "$0")/lib.sh"

SIM="$PLIMMERTON_BINARY_DIR/plimmerton-sim"
cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
body=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)

# probe FILE FIELDS [OPTION]: fields of the video stream as ffprobe reads them.
probe() {
    ffprobe -v error ${3:-} -select_streams v:0 -show_entries "stream=$2" -of csv=p=0 "$1"
}
# repeated_frames FILE: how many frames decode to the same picture as the one before.
repeated_frames() {
    ffmpeg -v error -i "$1" -f framemd5 - | awk -F', *' '!/^#/ { if ($6 == last) n++; last = $6 }
        END { print n + 0 }'
}

# ---- headless ------------------------------------------------------------------------------

unset_display() { env -u DISPLAY -u WAYLAND_DISPLAY "$@"; }
video="$E2E_WORK/headless.mp4"
STATUS=0
unset_display "$SIM" "${body[@]}" -n 750 -arena 1 --keys "0:space,50:space" --size 320x240 \
    --video "$video" >"$E2E_WORK/sim.out" 2>"$E2E_WORK/sim.err" || STATUS=$?
check_equal "headless: status 0 without a display" 0 "$STATUS"
check "headless: the report names the video" grep -qx "video $video" "$E2E_WORK/sim.out"
check "headless: a line per tenth of the run on standard error" \
    grep -qx "50%  375 of 750 ticks.*" "$E2E_WORK/sim.err"
check_equal "headless: H.264" h264 "$(probe "$video" codec_name)"
check_equal "headless: the size asked for" "320,240" "$(probe "$video" width,height)"
check_equal "headless: 30 frames a second" 30/1 "$(probe "$video" r_frame_rate)"
check_equal "headless: 750 ticks of 0.012 s are 3 s, 90 frames" 90 \
    "$(probe "$video" nb_read_frames -count_frames)"
ffmpeg -v error -y -i "$video" -vf "select=eq(n\,0)" -frames:v 1 "$E2E_WORK/first.png"
# The viewer's background (0, 0.2, 0.3) in the top right corner, up to the encoder's rounding.
corner=$(pixel "$E2E_WORK/first.png" 310 5)
check "headless: the background in the corner ($corner)" \
    awk -v c="$corner" 'BEGIN { split(c, v, ","); exit !(v[1] < 8 && v[2] > 44 && v[2] < 58 &&
        v[3] > 69 && v[3] < 83) }'
check_equal "headless: no frame repeats the one before while the balls fly" 0 \
    "$(repeated_frames "$video")"
checksum=$(sed -n 's/^checksum //p' "$E2E_WORK/sim.out")
unset_display "$SIM" "${body[@]}" -n 750 -arena 1 --keys "0:space,50:space" \
    >"$E2E_WORK/again.out" 2>/dev/null
check_equal "headless: the same keys, the same checksum" "$checksum" \
    "$(sed -n 's/^checksum //p' "$E2E_WORK/again.out")"
unset_display "$SIM" "${body[@]}" -n 750 -arena 1 --keys "0:space,60:space" \
    >"$E2E_WORK/other.out" 2>/dev/null
check "headless: other keys, another checksum" \
    [ "$checksum" != "$(sed -n 's/^checksum //p' "$E2E_WORK/other.out")" ]

# F12 saves the headless view as a picture, where the window's F12 saves its own (the home folder
# here, having no pictures folder set up), and the run goes on as without it.
mkdir -p "$E2E_WORK/home" "$E2E_WORK/empty-config"
HOME="$E2E_WORK/home" XDG_CONFIG_HOME="$E2E_WORK/empty-config" unset_display "$SIM" \
    "${body[@]}" -n 750 -arena 1 --keys "0:space,50:space,100:f12" --size 320x240 \
    >"$E2E_WORK/picture.out" 2>"$E2E_WORK/picture.err"
picture=$(sed -n 's/^screenshot: //p' "$E2E_WORK/picture.out")
check "headless F12: a PNG in the home folder ($picture)" \
    bash -c "[ '$(dirname "$picture")' = '$E2E_WORK/home' ] && [ -s '$picture' ]"
check_equal "headless F12: at the size asked for" "PNG 320x240" \
    "$(identify -format '%m %wx%h' "$picture" 2>&1)"
# background_in FILE GEOMETRY: how many pixels of the area have the viewer's background colour.
background_in() {
    convert "$1" -crop "$2" -depth 8 txt:- | grep -c "(0,51,76)"
}
top=$(background_in "$picture" 320x60+0+0)
bottom=$(background_in "$picture" 320x60+0+180)
check "headless F12: the top row first, the sky above the ground ($top, $bottom of 19200)" \
    [ "$top" -gt 19000 ] && [ "$bottom" -lt 12000 ]
check_equal "headless F12: the run as without it, the same checksum" "$checksum" \
    "$(sed -n 's/^checksum //p' "$E2E_WORK/picture.out")"
STATUS=0
unset_display "$SIM" "${body[@]}" -n 10 --keys "5:ctrl+o" >"$E2E_WORK/dialog.out" \
    2>"$E2E_WORK/dialog.err" || STATUS=$?
check_equal "headless ctrl+o, which has no window to open its dialog in: refused, status 2" \
    "2 plimmerton-sim: --keys: ctrl+o opens the window's file dialog, which a run without a \
window has not (try --help)" "$STATUS $(cat "$E2E_WORK/dialog.err")"

for target in "$E2E_WORK/no-such-folder/video.mp4" /dev/full; do
    STATUS=0
    unset_display "$SIM" "${body[@]}" -n 100 --video "$target" >"$E2E_WORK/bad.out" \
        2>"$E2E_WORK/bad.err" || STATUS=$?
    check_equal "$target: status 1" 1 "$STATUS"
    check_equal "$target: one line saying why" 1 "$(grep -c "^video: cannot write \`$target'" \
        "$E2E_WORK/bad.err")"
done
check "no partial file" [ ! -e "$E2E_WORK/no-such-folder" ]
check "the device is left alone" [ -c /dev/full ]

# ---- the window ----------------------------------------------------------------------------

if ! start_display; then
    fail "a display for the window"
    finish
fi
export XDG_CONFIG_HOME="$E2E_WORK/config"
mkdir -p "$XDG_CONFIG_HOME" "$E2E_WORK/videos"
printf 'XDG_VIDEOS_DIR="%s"\n' "$E2E_WORK/videos" >"$XDG_CONFIG_HOME/user-dirs.dirs"
start_program "${body[@]}" -arena 1 -keys "0:p,0:v,750:v,751:q"
wait_program 120
check_equal "window: Q from the script ends it with status 0" 0 "$PROGRAM_STATUS"
recorded=$(sed -n 's/^video: \(.*\), 3\.0 s, 90 frames of 750 ticks$/\1/p' "$PROGRAM_OUT")
check "window: V names the video, 3.0 s, 90 frames of 750 ticks ($recorded)" \
    bash -c "[ '$(dirname "$recorded")' = '$E2E_WORK/videos' ] && [ -s '$recorded' ]"
check "window: named after the time" \
    bash -c "[[ '$(basename "$recorded")' =~ ^plimmerton-[0-9]{8}-[0-9]{6}(-[0-9]+)?\.mp4$ ]]"
check_equal "window: H.264 at 30 frames a second" "h264,30/1" \
    "$(probe "$recorded" codec_name,r_frame_rate)"
check_equal "window: 90 frames" 90 "$(probe "$recorded" nb_read_frames -count_frames)"
check_equal "window: no frame repeats the one before while the body falls" 0 \
    "$(repeated_frames "$recorded")"
check "window: nothing on standard error about the video" bash -c "! grep -q video '$PROGRAM_ERR'"

finish
