#!/usr/bin/env bash
# The real window: help page, title, the first picture, closing, and starting without a display.
source "$(dirname "$0")/lib.sh"

# The bundled ball (an icosphere of radius 4 about (0, 0, 3)), run from the data folder where
# the pillars' texture lies.
cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
args=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)

expected_help="$E2E_WORK/help.expected"
printf '%s\n' "" "" \
    "General control" \
    "===============" \
    $'P\tstart / stop animation' \
    $'SPACE\tshoot ball' \
    $'T\tremove a ball' \
    $'N\tnew mass-point system' \
    $'H\tthis help page' \
    $'Q\tquit' \
    "" \
    "Switches" \
    "========" \
    $'1\tstiffness (low / medium / high)' \
    $'2\ttimestep (small / medium / big)' \
    $'3\tdamping (low / medium / high)' \
    $'4\theadlight (on/off)' \
    $'5\tshaded / wireframe / overlay' \
    $'6\tglobal cam / headcam' \
    "" \
    $'MpSystem-\tCannon-\tGlobalCam- control' \
    "==========================================" \
    $'LEFT_ARROW\tA\tJ\tleft' \
    $'RIGHT_ARROW\tD\tL\tright' \
    $'UP_ARROW\tW\tI\tforward/up/up' \
    $'DOWN_ARROW\tS\tK\tbackward/down/down' \
    "" >"$expected_help"

# ---- without a display: one line that says why, status 1, no abort -------------------------

for display in unset ":bogus" ":4242"; do
    status=0
    if [ "$display" = unset ]; then
        env -u DISPLAY "$PLIMMERTON" "${args[@]}" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" || status=$?
        why="no display is named: DISPLAY is not set"
    else
        DISPLAY=$display "$PLIMMERTON" "${args[@]}" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" || status=$?
        why="the display \`$display' is not there or refused the connection"
    fi
    check_equal "DISPLAY $display: exit status 1 (not an abort)" 1 "$status"
    check "DISPLAY $display: no help page" [ ! -s "$PROGRAM_OUT" ]
    check_equal "DISPLAY $display: one line on standard error that says why" \
        "Cannot open a window: $why" "$(cat "$PROGRAM_ERR")"
done

# ---- in a window ----------------------------------------------------------------------------

start_display || exit 1
start_program "${args[@]}"

if window=$(find_window); then
    pass "a visible window titled Plimmerton"
else
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
check_equal "window title" "Plimmerton" "$(xdotool getwindowname "$window")"

# The help page comes right after the window is shown.
wait_until 10 cmp -s "$expected_help" "$PROGRAM_OUT"
check "the help page, byte for byte, on standard output" cmp "$expected_help" "$PROGRAM_OUT"
check "none of the help page on standard error" \
    bash -c "! grep -qE 'General control|Switches|GlobalCam|stop animation' '$PROGRAM_ERR'"

shot="$E2E_WORK/window.png"
wait_until 30 frame_drawn "$window" "$shot"
view_geometry "$window"
# The view fills the window between the viewer's side trims and above its bottom trim.
left=30
right=$((WIDTH - 30))
bottom=$((HEIGHT - 30))
background="0,51,76"

# The top right corner: the status takes the top left one.
check_equal "background colour at the top of the view" "$background" \
    "$(pixel "$shot" $((right - 10)) 10)"
background_pixels=$(count_colour "$shot" "$background")
check "background covers a good part of the view ($background_pixels pixels)" \
    [ "$background_pixels" -gt $((WIDTH * HEIGHT / 10)) ]
# The camera looks at the body; behind it, along that line, nothing lies within the far plane.
centre=$(pixel "$shot" $(((left + right) / 2)) $((bottom / 2)))
check "the body covers the centre of the view (colour $centre)" [ "$centre" != "$background" ]
yellow=$(counter_pixels "$shot")
check "the frame counter is drawn ($yellow yellow pixels)" [ "$yellow" -gt 20 ]

# ---- closing as a user would ------------------------------------------------------------------

close_window
wait_program 20
check_equal "closing the window ends the program with status 0" 0 "$PROGRAM_STATUS"

finish
