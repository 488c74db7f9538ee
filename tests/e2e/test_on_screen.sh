#!/usr/bin/env bash
# What the window shows and offers of its own: the hint while stopped and the status line over
# the view, the help panel on H, one tick on O while stopped, pulling the body with Ctrl and
# the left button, and pictures of the view on F12, also when they cannot be written.
source "$(dirname "$0")/lib.sh"

mesh="$PLIMMERTON_SOURCE_DIR/data/ball.toff"
texture="$PLIMMERTON_SOURCE_DIR/data/body.tga"
args=(-i "$mesh" -d 0.04 -m 0.3 -s 85 -t 0.012 -tex "$texture")
# A home without a pictures folder set up: xdg-user-dir answers the home folder itself, where
# the pictures then go, whatever the working directory.
export HOME="$E2E_WORK/home" XDG_CONFIG_HOME="$E2E_WORK/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$E2E_WORK/work"
cd "$E2E_WORK/work"

start_display || exit 1
start_program "${args[@]}"
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"
view_geometry "$window"
eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/WINDOW_/')"

# The view lies between the viewer's trims: 30 pixels left, right and below.
view_width=$((WIDTH - 60))
view_height=$((HEIGHT - 30))
hint_colour="255,204,51"
text_colour="255,255,255"
status_area="$((view_width * 3 / 4))x85+30+0"
panel_area="$((view_width * 3 / 4))x140+30+95"
hint_area="${view_width}x80+30+$((view_height - 120))"
body_area="240x180+$((30 + view_width / 2 - 120))+$((view_height / 2 - 90))"
view_area="${view_width}x${view_height}+30+0"

shoot() {
    screenshot "$window" "$E2E_WORK/$1.png"
}
# count_in NAME AREA R,G,B: pixels of exactly that colour in the area of picture NAME.
count_in() {
    convert "$E2E_WORK/$1.png" -crop "$2" +repage -depth 8 txt:- | grep -c "^[0-9]*,[0-9]*: ($3)"
}
differing() {
    compare -metric AE -crop "$3" "$E2E_WORK/$1.png" "$E2E_WORK/$2.png" null: 2>&1 | cut -d' ' -f1
}
# body_centre NAME: sets BODY_X, BODY_Y (window pixels) and BODY_PIXELS from the orange squares
# of the body's texture in picture NAME (the hint's yellow has far more green).
body_centre() {
    eval "$(convert "$E2E_WORK/$1.png" -crop "$view_area" -depth 8 txt:- | awk -F'[(),:]+' '
        NR > 1 {
            r = $4; g = $5; b = $6
            if (r - b > 80 && g < 0.7 * r) { n++; sx += $1; sy += $2 }
        }
        END { if (n == 0) n = 1; printf "BODY_PIXELS=%d BODY_X=%d BODY_Y=%d\n", n, sx / n, sy / n }')"
    BODY_X=$((BODY_X + 30))
}

# ---- stopped: the hint and the status ---------------------------------------------------------

shoot stopped
hint=$(count_in stopped "$hint_area" "$hint_colour")
check "stopped: the hint to press P is shown ($hint pixels)" [ "$hint" -gt 100 ]
status=$(count_in stopped "$status_area" "$text_colour")
check "the status line is shown ($status pixels)" [ "$status" -gt 100 ]

type_keys h
panel_shown() {
    shoot help && panel=$(count_in help "$panel_area" "$text_colour") && [ "$panel" -gt 150 ]
}
wait_until 10 panel_shown
check "H: the help panel is shown ($panel pixels)" [ "$panel" -gt 150 ]
type_keys h
panel_hidden() {
    shoot no-help && panel=$(count_in no-help "$panel_area" "$text_colour") && [ "$panel" -lt 20 ]
}
wait_until 10 panel_hidden
check "H again: the help panel is gone ($panel pixels)" [ "$panel" -lt 20 ]

# ---- O: one tick at a time while stopped ------------------------------------------------------

shoot before-step
type_keys o
status_changed() {
    shoot one-step && [ "$(differing before-step one-step "$status_area")" -gt 0 ]
}
check "O: the status shows the tick" wait_until 10 status_changed
type_keys o o o o o o o o o o o o o o o o o o o o
body_fell() {
    shoot steps && [ "$(differing before-step steps "$body_area")" -gt 100 ]
}
check "O twenty times: the body moves" wait_until 10 body_fell
sleep 1
shoot still
check_equal "O does not start the animation: the picture stays" 0 \
    "$(differing steps still "${view_width}x$((view_height - 45))+30+0")"
check "and the hint stays ($(count_in still "$hint_area" "$hint_colour") pixels)" \
    [ "$(count_in still "$hint_area" "$hint_colour")" -gt 100 ]

# ---- Ctrl and the left button pull the body ---------------------------------------------------

body_centre still
start_x=$BODY_X
xdotool mousemove $((WINDOW_X + BODY_X)) $((WINDOW_Y + BODY_Y))
xdotool keydown ctrl mousedown 1 keyup ctrl
for _ in 1 2 3 4 5 6 7 8; do
    xdotool mousemove_relative -- 20 0
    sleep 0.05
done
type_keys p
sleep 1
shoot running
check_equal "P: the hint is gone while the animation runs" 0 \
    "$(count_in running "$hint_area" "$hint_colour")"
type_keys p
xdotool mouseup 1
sleep 1
shoot pulled
body_centre pulled
check "Ctrl and the left button drag the body to the right ($start_x to $BODY_X)" \
    [ "$BODY_X" -gt $((start_x + 15)) ]
# A pan of the view would move the body to the right too, and everything else with it.
check_equal "the view stays where it was: the pillars on the left have not moved" 0 \
    "$(differing still pulled "90x120+110+150")"

# ---- F12: a picture of the view -----------------------------------------------------------------

type_keys F12
wait_until 10 grep -q "^screenshot: " "$PROGRAM_OUT"
first=$(sed -n 's/^screenshot: //p' "$PROGRAM_OUT" | head -n1)
check "F12 writes a PNG in the home folder, named from the root ($first)" \
    bash -c "[ '$(dirname "$first")' = '$HOME' ] && [ -s '$first' ]"
check_equal "the picture has the view's size" "${view_width}x${view_height}" \
    "$(identify -format '%wx%h' "$first" 2>&1)"
check "it is named after the time" bash -c "[[ '$(basename "$first")' =~ ^plimmerton-[0-9]{8}-[0-9]{6}(-[0-9]+)?\.png$ ]]"
cp "$first" "$E2E_WORK/first-copy.png"
type_keys F12
wait_until 10 bash -c "[ \$(grep -c '^screenshot: ' '$PROGRAM_OUT') -ge 2 ]"
second=$(sed -n 's/^screenshot: //p' "$PROGRAM_OUT" | sed -n 2p)
check "a second F12 writes another file ($second)" bash -c "[ -s '$second' ] && [ '$second' != '$first' ]"
check "and leaves the first as it was" cmp -s "$first" "$E2E_WORK/first-copy.png"
check "nothing on standard error" bash -c "! grep -q screenshot '$PROGRAM_ERR'"

type_keys q
wait_program 20
check_equal "Q ends the program with status 0" 0 "$PROGRAM_STATUS"

# ---- F12 where nothing can be written -----------------------------------------------------------

# Without a home folder the pictures go to the working directory, which is removed here.
gone="$E2E_WORK/gone"
mkdir -p "$gone"
cd "$gone"
unset HOME
start_program "${args[@]}"
if ! window=$(find_window); then
    fail "a second window" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/second-first.png"
cd "$E2E_WORK"
rm -rf "$gone"
type_keys F12
# The mesh reader leaves its last line ("Start rendering scene...") open; the message ends it
# and starts a line of its own.
wait_until 10 grep -q "screenshot: " "$PROGRAM_ERR"
check_equal "a failed write says so in one line of its own on standard error" 1 \
    "$(grep -c '^screenshot: cannot write plimmerton-.*\.png: ' "$PROGRAM_ERR")"
check "and the reader's last line stays as it was" grep -qx "Start rendering scene..." "$PROGRAM_ERR"
check_equal "and nothing on standard output" 0 "$(grep -c '^screenshot' "$PROGRAM_OUT")"
type_keys q
wait_program 20
check_equal "the program ran on: Q ends it with status 0" 0 "$PROGRAM_STATUS"

finish
