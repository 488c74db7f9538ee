#!/usr/bin/env bash
# A blow-up past the stable time step, caught: the window stops the animation with the arena
# still drawn and says what happened and what undoes it; Backspace brings the body back as it
# started. A headless run's video ends with the arena drawn too.
source "$(dirname "$0")/lib.sh"

mesh="$PLIMMERTON_SOURCE_DIR/data/ball.toff"
texture="$PLIMMERTON_SOURCE_DIR/data/body.tga"
sim="$(dirname "$PLIMMERTON")/plimmerton-sim"
blew_up="the body blew up at time step 0.05 (stable up to 0.0327): Backspace goes back"

# region_differs FILE1 FILE2: pixels that differ in the view below its status lines.
region_differs() {
    compare -metric AE -crop "$((WIDTH - 60))x$((HEIGHT - 200))+30+120" "$1" "$2" null: 2>&1 || true
}

# ---- headless: the run stops where the window would, its last frame shows the arena -------
video="$E2E_WORK/blowup.mp4"
"$sim" -i "$mesh" -tex "$texture" -d 0.04 -m 0.3 -s 85 -t 0.05 -n 500 --keys "0:j" \
    --video "$video" >"$E2E_WORK/sim.out" 2>"$E2E_WORK/sim.err"
check_equal "headless: the run ends well" 0 "$?"
check "headless: standard error names the blow-up ($(grep -c "$blew_up" "$E2E_WORK/sim.err"))" \
    grep -q "^$blew_up [0-9.]* s, N rebuilds$" "$E2E_WORK/sim.err"
ticks=$(sed -n 's/^ticks //p' "$E2E_WORK/sim.out")
check "headless: the run stops at the tick that caught it ($ticks of 500)" \
    [ "${ticks:-500}" -lt 60 ]
ffmpeg -v error -y -sseof -0.1 -i "$video" -frames:v 1 "$E2E_WORK/headless-last.png"
VIEW="640x480+0+0"
pixel_kinds "$E2E_WORK/headless-last.png"
check "headless: the last frame shows the pillars and the ground ($WARM, $CLOUD pixels)" \
    [ "$WARM" -gt 8000 ] && [ "$CLOUD" -gt 8000 ]

# ---- the window ----------------------------------------------------------------------------
start_display || exit 1
start_program -i "$mesh" -d 0.04 -m 0.3 -s 85 -t 0.05 -tex "$texture"
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/start.png" || fail "the first picture is drawn"
pixel_kinds "$E2E_WORK/start.png"
start_warm=$WARM
start_cloud=$CLOUD

type_keys p
wait_until 30 grep -q "$blew_up" "$PROGRAM_ERR"
check "standard error names the blow-up and the keys that undo it" \
    grep -q "^$blew_up [0-9.]* s, N rebuilds$" "$PROGRAM_ERR"
# The last frame and the status follow at the next idle moment.
sleep 1
screenshot "$window" "$E2E_WORK/caught.png"
pixel_kinds "$E2E_WORK/caught.png"
check "the arena stays drawn: pillars $WARM of $start_warm, ground $CLOUD of $start_cloud pixels" \
    [ "$WARM" -gt $((start_warm / 2)) ] && [ "$CLOUD" -gt $((start_cloud / 2)) ]
sleep 1
screenshot "$window" "$E2E_WORK/still.png"
check "the animation has stopped: the view stays as it is" same_view "$E2E_WORK/caught.png" \
    "$E2E_WORK/still.png"

type_keys BackSpace
wait_until 10 grep -q "^back to t" "$PROGRAM_OUT"
check_equal "Backspace goes back to the start, with its time step" \
    "back to t 0.000 s (time step 0.05)" "$(grep "^back to t" "$PROGRAM_OUT")"
sleep 1
screenshot "$window" "$E2E_WORK/back.png"
differing=$(region_differs "$E2E_WORK/start.png" "$E2E_WORK/back.png")
check_equal "the body is back where it started: the view below the status as at the start" \
    0 "$differing"

close_window
wait_program 20
check_equal "closing the window ends the program" 0 "$PROGRAM_STATUS"
finish
