#!/usr/bin/env bash
# The body's surface in the real window drawn through its levels against all its triangles
# (PLIMMERTON_ALL_TRIANGLES=1), in the same pose and the same arena: the bundled ball is the
# same picture to the bit, the ball of 163,842 points differs by at most 2% of the full range
# (root mean square) over the view, but does differ, since a level is drawn; so at rest (the
# animation never started) and deformed by its fall after the same ticks. A value of the
# variable other than 0 or 1 is said to be one and changes nothing.
source "$(dirname "$0")/lib.sh"

ball7="$E2E_WORK/ball7.toff"
"$PLIMMERTON_BINARY_DIR/plimmerton-mkdata" --ball 7 "$ball7" >/dev/null ||
    fail "plimmerton-mkdata makes the ball of 163,842 points"

cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
start_display || exit 1

# view BODY NAME [VARIABLE VALUE]: starts the program on BODY, with the variable set when
# given, takes the picture of its first frames into $E2E_WORK/NAME.png and ends it with Q.
view() {
    local body=$1 name=$2 window
    if [ $# -gt 2 ]; then
        export "$3=$4"
    fi
    start_program -i "$body" -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012 -arena 1
    if [ $# -gt 2 ]; then
        unset "$3"
    fi
    if ! window=$(find_window); then
        fail "$name: a window" "$(tail -n 3 "$PROGRAM_ERR")"
        return 1
    fi
    activate_window "$window"
    wait_until 60 frame_drawn "$window" "$E2E_WORK/$name.png" ||
        fail "$name: a frame drawn"
    # Frames after the first, once the view has settled.
    sleep 1
    screenshot "$window" "$E2E_WORK/$name.png"
    view_geometry "$window"
    type_keys q
    wait_program 30
    check_equal "$name: Q ends the program with status 0" 0 "$PROGRAM_STATUS"
    cp "$PROGRAM_ERR" "$E2E_WORK/$name.err"
}

# rms FILE1 FILE2: the root mean square of the view's difference, as a share of the full range.
rms() {
    compare -metric RMSE -crop "$VIEW" "$1" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'
}

# quiet: succeeds when the program takes less than a tenth of a second of processor time in a
# second, as it does only while the animation stands still.
quiet() {
    local before after
    before=$(awk '{ print $14 + $15 }' "/proc/$PROGRAM_PID/stat")
    sleep 1
    after=$(awk '{ print $14 + $15 }' "/proc/$PROGRAM_PID/stat")
    [ $((after - before)) -lt $(($(getconf CLK_TCK) / 10)) ]
}

# fallen BODY NAME [VARIABLE VALUE]: as view, but the picture shows the body after 202 ticks
# whatever the window's pace: the script's P, pressed before the tick after the 200th, stops
# the animation with tick 201, and O runs one tick more and shows it.
fallen() {
    local body=$1 name=$2 window
    if [ $# -gt 2 ]; then
        export "$3=$4"
    fi
    start_program -i "$body" -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012 -arena 1 \
        -keys "0:p,200:p"
    if [ $# -gt 2 ]; then
        unset "$3"
    fi
    if ! window=$(find_window); then
        fail "$name: a window" "$(tail -n 3 "$PROGRAM_ERR")"
        return 1
    fi
    activate_window "$window"
    wait_until 60 frame_drawn "$window" "$E2E_WORK/$name.png" || fail "$name: a frame drawn"
    wait_until 300 quiet || fail "$name: the script stops the animation"
    type_keys o
    wait_until 60 quiet || fail "$name: one tick and its frame"
    screenshot "$window" "$E2E_WORK/$name.png"
    view_geometry "$window"
    type_keys q
    wait_program 30
    check_equal "$name: Q ends the program with status 0" 0 "$PROGRAM_STATUS"
}

view ball.toff bundled-levels
view ball.toff bundled-whole PLIMMERTON_ALL_TRIANGLES 1
check "bundled ball: the same picture to the bit, drawn whole or not" \
    same_view "$E2E_WORK/bundled-levels.png" "$E2E_WORK/bundled-whole.png"

view "$ball7" large-levels
view "$ball7" large-whole PLIMMERTON_ALL_TRIANGLES 1
check "large ball: the levels add nothing to standard error" \
    cmp -s "$E2E_WORK/large-levels.err" "$E2E_WORK/large-whole.err"
difference=$(rms "$E2E_WORK/large-levels.png" "$E2E_WORK/large-whole.png")
check "large ball: the level's picture differs from all triangles' by $difference, at most 0.02" \
    awk -v d="$difference" 'BEGIN { exit !(d != "" && d <= 0.02) }'
check "large ball: a level is drawn, not all triangles" \
    different_view "$E2E_WORK/large-levels.png" "$E2E_WORK/large-whole.png"

fallen "$ball7" fallen-levels
fallen "$ball7" fallen-whole PLIMMERTON_ALL_TRIANGLES 1
# The status (time and "stopped") over the view is the same: so is the pose.
check "fallen ball: the same pose, 202 ticks (t 2.424 s) in both" \
    same_view "$E2E_WORK/fallen-levels.png" "$E2E_WORK/fallen-whole.png" \
    "$((WIDTH - 60))x80+30+0"
difference=$(rms "$E2E_WORK/fallen-levels.png" "$E2E_WORK/fallen-whole.png")
check "fallen ball: the level's picture differs from all triangles' by $difference, at most 0.02" \
    awk -v d="$difference" 'BEGIN { exit !(d != "" && d <= 0.02) }'
check "fallen ball: a level is drawn, not all triangles" \
    different_view "$E2E_WORK/fallen-levels.png" "$E2E_WORK/fallen-whole.png"

view "$ball7" large-bad PLIMMERTON_ALL_TRIANGLES yes
check "a value neither 0 nor 1 is said to be one" \
    grep -q "^PLIMMERTON_ALL_TRIANGLES is neither 0 nor 1: large bodies are drawn in levels$" \
    "$PROGRAM_ERR"
check "a value neither 0 nor 1 draws the levels" \
    same_view "$E2E_WORK/large-levels.png" "$E2E_WORK/large-bad.png"

finish
