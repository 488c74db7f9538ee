#!/usr/bin/env bash
# Several bodies in the real window: a model dropped with Shift joins the scene, Tab and a click
# select a body (the selected one tinted), the keys act on it while a drag still turns the view,
# Delete removes it but never the last, Shift+Ctrl+O adds one from the file dialog, a file that
# cannot be used leaves the scene as it was; then -add and -at on the command line.
source "$(dirname "$0")/lib.sh"

: "${DRAG_SOURCE:?the drag source tool}"
data="$PLIMMERTON_SOURCE_DIR/data"
export XDG_CACHE_HOME="$E2E_WORK/cache"
cd "$data" || exit 1
start_display || exit 1

# answered TEXT: the program has answered a key with the line TEXT on standard output.
answered() {
    grep -qxF "$1" "$PROGRAM_OUT"
}
# answers TEXT: how many times it has.
answers() {
    grep -cxF "$1" "$PROGRAM_OUT"
}
# press KEY LINE: presses the key, and waits for its answer LINE (once more than before).
press() {
    local before
    before=$(answers "$2")
    type_keys "$1"
    wait_until 10 bash -c "[ \"\$(grep -cxF '$2' '$PROGRAM_OUT')\" -gt $before ]"
}
# tinted_at FILE_SELECTED FILE_OTHER: prints "X Y COUNT", the middle of the pixels that the
# selection's tint made warmer (less blue) in the first screenshot than in the second, in the
# window's pixels.
tinted_at() {
    view_geometry "$window"
    paste <(convert "$1" -depth 8 txt:- | sed 1d) <(convert "$2" -depth 8 txt:- | sed 1d) |
        awk -F'[(),:[:space:]]+' -v w="$WIDTH" -v h="$HEIGHT" '
            { x = $1; y = $2; b1 = $5; n = split($0, f, "\t"); split(f[2], g, /[(),:[:space:]]+/)
              if (x > 30 && x < w - 30 && y > 80 && y < h - 75 && g[5] - b1 > 40) { sx += x; sy += y; c++ } }
            END { if (c) printf "%d %d %d\n", sx / c, sy / c, c; else print "0 0 0" }'
}
# click X Y: a click of the left button at that pixel of the window, without moving.
click() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
}

start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"
check "Tab in a scene of one body names it" press Tab "body 1 of 1 selected (ball.toff)"
screenshot "$window" "$E2E_WORK/one.png"

# ---- Shift while dropping a file: a body added, not put in the selected one's place -----------

DROP_HOLDING=shift check "the box is dropped on the view with Shift" drop_file "$window" "$data/box.off"
box_read() {
    grep -q "^A total number of edges: 1345" "$PROGRAM_ERR"
}
check "and read" wait_until 30 box_read
activate_window "$window"
check "Tab now goes round two bodies, from the box added and selected" \
    press Tab "body 1 of 2 selected (ball.toff)"
wait_until 10 frame_drawn "$window" "$E2E_WORK/ball-selected.png"
check "Tab again selects the box" press Tab "body 2 of 2 selected (box.off)"
wait_until 10 frame_drawn "$window" "$E2E_WORK/box-selected.png"
read -r ball_x ball_y ball_pixels < <(tinted_at "$E2E_WORK/ball-selected.png" "$E2E_WORK/box-selected.png")
read -r box_x box_y box_pixels < <(tinted_at "$E2E_WORK/box-selected.png" "$E2E_WORK/ball-selected.png")
check "the selected ball is tinted ($ball_pixels pixels at $ball_x, $ball_y)" [ "$ball_pixels" -gt 200 ]
check "the selected box is tinted elsewhere ($box_pixels pixels at $box_x, $box_y)" \
    [ "$box_pixels" -gt 200 ] && [ $(((ball_x - box_x) ** 2 + (ball_y - box_y) ** 2)) -gt 400 ]
type_keys 5
sleep 1
screenshot "$window" "$E2E_WORK/box-wireframe.png"
press Tab "body 1 of 2 selected (ball.toff)"
sleep 1
screenshot "$window" "$E2E_WORK/ball-wireframe.png"
read -r _ _ lines < <(tinted_at "$E2E_WORK/ball-wireframe.png" "$E2E_WORK/box-wireframe.png")
check "in wireframe too ($lines tinted pixels of lines)" [ "$lines" -gt 50 ]
type_keys 5 5
press Tab "body 2 of 2 selected (box.off)"

# ---- the keys on the selected body; a click selects, a drag turns the view --------------------

check "key 1 acts on the box" press 1 "stiffness: 120"
click "$ball_x" "$ball_y"
check "a click on the ball selects it: key 1 acts on the ball (85, not the box's 120)" \
    press 1 "stiffness: 120"
check "key 3 acts on the ball" press 3 "damping: 0.06"
screenshot "$window" "$E2E_WORK/before-drag.png"
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --sync $((X + box_x)) $((Y + box_y)) mousedown 1
for step in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- 12 0
    sleep 0.05
done
sleep 0.5
xdotool mouseup 1
sleep 1
screenshot "$window" "$E2E_WORK/after-drag.png"
view_geometry "$window"
check "a drag from the box turns the view" different_view "$E2E_WORK/before-drag.png" \
    "$E2E_WORK/after-drag.png"
check "and leaves the ball selected: key 3 again on it (0.06 to 0.02)" press 3 "damping: 0.02"

# ---- Delete ---------------------------------------------------------------------------------

check "Delete removes the selected ball" press Delete "body 1 removed (ball.toff), 1 body left"
check "the box is left, selected" press Tab "body 1 of 1 selected (box.off)"
check "Delete refuses the last body and says so" press Delete "the last body stays: a scene keeps one"

# ---- Shift+Ctrl+O: the file dialog adds a body ------------------------------------------------

dialog_open() {
    xdotool search --onlyvisible --name '^Add a model to the scene$' >/dev/null
}
add_in_dialog() {
    activate_window "$window"
    type_keys shift+ctrl+o
    wait_until 20 dialog_open || return 1
    dialog=$(xdotool search --onlyvisible --name '^Add a model to the scene$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    xdotool type --delay 20 "$1"
    xdotool key Return
}
check "Shift+Ctrl+O opens the dialog to add a model, and the ball is chosen" \
    add_in_dialog "$data/ball.toff"
activate_window "$window"
ball_added() {
    type_keys Tab
    answered "body 2 of 2 selected (ball.toff)"
}
check "the ball joins the box" wait_until 30 ball_added

# ---- a file that cannot be used ---------------------------------------------------------------

printf 'OFF\n8 1 0\n0 0 0\n' >"$E2E_WORK/cut.off"
DROP_HOLDING=shift check "a cut file is dropped with Shift" drop_file "$window" "$E2E_WORK/cut.off"
refused() {
    grep -q "cut.off: " "$PROGRAM_ERR"
}
check "it is refused with a line naming it" wait_until 30 refused
activate_window "$window"
check "and the scene is as it was" press Tab "body 1 of 2 selected (box.off)"

# ---- they meet ------------------------------------------------------------------------------

type_keys p
sleep 4
check "the bodies fall and meet, and the program runs on" kill -0 "$PROGRAM_PID"
close_window
wait_program 20
check_equal "exit status 0 on closing" 0 "$PROGRAM_STATUS"

# ---- the command line -------------------------------------------------------------------------

start_program ball.toff -m 0.3 -s 85 -d 0.04 -t 0.012 -add box.off -at 6,0,0 -add ball.toff
if window=$(find_window); then
    activate_window "$window"
    check "-add twice: three bodies" press Tab "body 2 of 3 selected (box.off)"
    close_window
    wait_program 20
    check_equal "-add: exit status 0 on closing" 0 "$PROGRAM_STATUS"
else
    fail "-add: a window" "$(tail -n 5 "$PROGRAM_ERR")"
fi

start_program ball.toff -m 0.3 -add "$E2E_WORK/no-such.off" -add ball.toff -at 0,1e6,0
if window=$(find_window); then
    activate_window "$window"
    check "a missing -add file is left out" press Tab "body 1 of 1 selected (ball.toff)"
    check "with a line naming it" grep -q "no-such.off" "$PROGRAM_ERR"
    check "and a body put beyond the arena's reach too" \
        grep -qF "ball.toff: its centre at (0, 1e+06, 0) puts it beyond the arena's reach" \
        "$PROGRAM_ERR"
    close_window
    wait_program 20
else
    fail "a missing -add file: a window" "$(tail -n 5 "$PROGRAM_ERR")"
fi

for at in "1,x,2" "nan,0,0" "1,2"; do
    start_program ball.toff -add ball.toff -at "$at"
    wait_program 20
    check_equal "-at $at: exit status 1" 1 "$PROGRAM_STATUS"
    check_equal "-at $at: one line that says why" "-at needs X,Y,Z, three numbers, not '$at'" \
        "$(cat "$PROGRAM_ERR")"
done
start_program ball.toff -add
wait_program 20
check_equal "-add without its file: exit status 1" 1 "$PROGRAM_STATUS"
finish
