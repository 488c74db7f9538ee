#!/usr/bin/env bash
# Pinning in the real window: Ctrl+Shift and the left button on the body pin the patch under
# the cursor, marked in red and counted in the status; again, they let it go. The pinned patch
# stays where it is while the rest of the body falls.
source "$(dirname "$0")/lib.sh"

args=(-i "$PLIMMERTON_SOURCE_DIR/data/ball.toff" -tex "$PLIMMERTON_SOURCE_DIR/data/body.tga"
    -d 0.04 -m 0.3 -s 85 -t 0.012)
start_display || exit 1
start_program "${args[@]}"
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"
eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/WINDOW_/')"
view_width=$((WIDTH - 60))
view_height=$((HEIGHT - 30))
view_area="${view_width}x${view_height}+30+0"
status_area="$((view_width * 3 / 4))x85+30+0"

shoot() { screenshot "$window" "$E2E_WORK/$1.png"; }
# marker NAME: MARKER_PIXELS, the marker's red pixels in the view of picture NAME, and
# MARKER_X, MARKER_Y (window pixels), their centre.
marker() {
    eval "$(convert "$E2E_WORK/$1.png" -crop "$view_area" -depth 8 txt:- | awk -F'[(),:]+' '
        NR > 1 && $4 > 235 && $5 < 70 && $6 < 60 { n++; sx += $1; sy += $2 }
        END { printf "MARKER_PIXELS=%d MARKER_X=%d MARKER_Y=%d\n", n, n ? sx / n : 0, n ? sy / n : 0 }')"
    MARKER_X=$((MARKER_X + 30))
}
# body_centre NAME: BODY_X, BODY_Y (window pixels) from the orange squares of the body's texture.
body_centre() {
    eval "$(convert "$E2E_WORK/$1.png" -crop "$view_area" -depth 8 txt:- | awk -F'[(),:]+' '
        NR > 1 { r = $4; g = $5; b = $6; if (r - b > 80 && g < 0.7 * r) { n++; sx += $1; sy += $2 } }
        END { if (n == 0) n = 1; printf "BODY_X=%d BODY_Y=%d\n", sx / n, sy / n }')"
    BODY_X=$((BODY_X + 30))
}
differing() {
    compare -metric AE -crop "$3" "$E2E_WORK/$1.png" "$E2E_WORK/$2.png" null: 2>&1 | cut -d' ' -f1
}
ctrl_shift_click() {
    xdotool mousemove $((WINDOW_X + $1)) $((WINDOW_Y + $2))
    xdotool keydown ctrl keydown shift click 1 keyup shift keyup ctrl
}

shoot before
marker before
check_equal "no marker before a pin" 0 "$MARKER_PIXELS"
body_centre before
click_x=$BODY_X
click_y=$BODY_Y
ctrl_shift_click "$click_x" "$click_y"
marked() { shoot pinned && marker pinned && [ "$MARKER_PIXELS" -gt 20 ]; }
check "Ctrl+Shift+click marks the pinned patch in red" wait_until 10 marked
check "the status counts the pinned points" [ "$(differing before pinned "$status_area")" -gt 0 ]
pinned_x=$MARKER_X
pinned_y=$MARKER_Y

# Running, the ball falls and hangs from the pinned patch, which stays where it was.
type_keys p
sleep 2
type_keys p
sleep 0.5
shoot hanging
body_centre hanging
check "the ball hangs below the pin (centre $BODY_Y below $pinned_y)" [ "$BODY_Y" -gt "$pinned_y" ]
marker hanging
check "the marker stays where it was ($pinned_x,$pinned_y; $MARKER_X,$MARKER_Y)" \
    [ $(((MARKER_X - pinned_x) ** 2 + (MARKER_Y - pinned_y) ** 2)) -le 36 ]
check_equal "the view did not zoom: the pillars on the left stay" 0 \
    "$(differing pinned hanging "90x120+110+150")"

# Where the pin was made: the pinned points have not moved, the body stretched around them.
ctrl_shift_click "$click_x" "$click_y"
unmarked() { shoot unpinned && marker unpinned && [ "$MARKER_PIXELS" -eq 0 ]; }
check "again, the pins are let go and the marker is gone" wait_until 10 unmarked

close_window
wait_program 20
check_equal "the program ends well" 0 "$PROGRAM_STATUS"
finish
