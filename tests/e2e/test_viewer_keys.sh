#!/usr/bin/env bash
# The examiner viewer keeps its own key bindings out of the way: arrows, Home and Esc do not
# move its camera or leave viewing mode, while the mouse still navigates, and none of its
# buttons takes the scene's camera away from the keys. The animation stays stopped, so the
# program's own keys leave the picture alone too.
source "$(dirname "$0")/lib.sh"

cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
start_display || exit 1
start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
window=$(find_window) || {
    fail "a window" "$(cat "$PROGRAM_ERR")"
    finish
}
activate_window "$window"
wait_until 30 frame_drawn "$window" "$E2E_WORK/first.png"
view_geometry "$window"

# shoot NAME: a screenshot once two in a row agree, so the picture has settled.
shoot() {
    local tries=50
    screenshot "$window" "$E2E_WORK/$1.png"
    while [ "$tries" -gt 0 ]; do
        sleep 0.3
        screenshot "$window" "$E2E_WORK/$1.next.png"
        if same_view "$E2E_WORK/$1.png" "$E2E_WORK/$1.next.png"; then
            return 0
        fi
        mv "$E2E_WORK/$1.next.png" "$E2E_WORK/$1.png"
        tries=$((tries - 1))
    done
    return 1
}

shoot start
type_keys Left Right Up Down Left Up
shoot arrows
check "arrow keys leave the camera where it was" same_view "$E2E_WORK/start.png" "$E2E_WORK/arrows.png"

drag "$window" 120 40
shoot dragged
check "the mouse turns the camera" different_view "$E2E_WORK/arrows.png" "$E2E_WORK/dragged.png"

type_keys Home
shoot home
check "Home does not put the camera back" same_view "$E2E_WORK/dragged.png" "$E2E_WORK/home.png"

type_keys Escape
drag "$window" -80 60
shoot escaped
check "after Esc the mouse still turns the camera" \
    different_view "$E2E_WORK/home.png" "$E2E_WORK/escaped.png"

# The viewer's column of buttons held a camera-type switch last, below seek, which put a camera
# of its own in the scene's place: the keys then turned a camera freed with it (a use after
# free in keyboardCallback). The switch is gone; a click where it was leaves J turning the view.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" $((WIDTH - 15)) 190 click 1
shoot clicked
type_keys j
shoot orbited
check "after a click where the camera switch was, J still turns the view" \
    different_view "$E2E_WORK/clicked.png" "$E2E_WORK/orbited.png"

check_equal "nothing but the help page on standard output" 27 "$(wc -l <"$PROGRAM_OUT")"

close_window
wait_program 20
check_equal "closing the window ends the program with status 0" 0 "$PROGRAM_STATUS"
finish
