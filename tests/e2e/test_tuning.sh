#!/usr/bin/env bash
# The tuning panel (F2) and the energy plot (F3): hidden at start, shown by their keys beside the
# view in the default window, which grows to hold them and covers none of the view's texts; a
# number typed into the panel reaching the body, one beyond its range held to it with a word, a
# material chosen and shown in its box; both hidden again, and the window as it was.
source "$(dirname "$0")/lib.sh"

mesh="$PLIMMERTON_SOURCE_DIR/data/ball.toff"
texture="$PLIMMERTON_SOURCE_DIR/data/body.tga"

start_display || exit 1
start_program -i "$mesh" -d 0.04 -m 0.3 -s 85 -t 0.012 -tex "$texture"
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"

# The panel's and the plot's backgrounds, which nothing else over the view has.
panel_colour="30,40,50"
plot_colour="20,28,36"
# shown NAME: a screenshot, with PANEL and PLOT the pixels of each background in it.
shown() {
    screenshot "$window" "$E2E_WORK/$1.png" || return 1
    PANEL=$(count_colour "$E2E_WORK/$1.png" "$panel_colour" || true)
    PLOT=$(count_colour "$E2E_WORK/$1.png" "$plot_colour" || true)
}
shown start
check "at start neither the panel nor the plot is shown ($PANEL, $PLOT pixels)" \
    [ "$PANEL" -lt 100 ] && [ "$PLOT" -lt 100 ]

eval "$(xdotool getwindowgeometry --shell "$window")"
start_width=$WIDTH
start_height=$HEIGHT
type_keys F2 F3
both_shown() { shown both && [ "$PANEL" -gt 5000 ] && [ "$PLOT" -gt 5000 ]; }
wait_until 10 both_shown
check "F2 and F3 show the panel and the plot ($PANEL, $PLOT pixels)" \
    [ "$PANEL" -gt 5000 ] && [ "$PLOT" -gt 5000 ]
eval "$(xdotool getwindowgeometry --shell "$window")"
check "the window grows to hold them (${start_width}x$start_height to ${WIDTH}x$HEIGHT)" \
    [ "$WIDTH" -ge $((start_width + 240)) ] && [ "$HEIGHT" -ge "$start_height" ]
# left_of NAME R,G,B: the leftmost pixel of that colour in picture NAME.
left_of() {
    convert "$E2E_WORK/$1.png" -depth 8 txt:- |
        awk -F'[(),:]+' -v colour="$2" '$4 "," $5 "," $6 == colour { if (x == "" || $1 < x) x = $1 }
            END { print x }'
}
check "they lie beside the view, which keeps its width: the panel from x $(left_of both \
"$panel_colour"), the plot from x $(left_of both "$plot_colour")" \
    [ "$(left_of both "$panel_colour")" -ge "$start_width" ] &&
    [ "$(left_of both "$plot_colour")" -ge "$start_width" ]
# The status in the view's top left corner, as it was before (the animation stands still).
status_area="$(((start_width - 60) * 3 / 4))x85+30+0"
check_equal "the status is shown whole, as before" 0 \
    "$(compare -metric AE -crop "$status_area" "$E2E_WORK/start.png" "$E2E_WORK/both.png" \
        null: 2>&1)"
type_keys p
# The plot draws its curves as the animation runs: its total in white over the background.
sleep 3
shown running
curve=$(count_colour "$E2E_WORK/running.png" "245,245,245" || true)
check "the running plot draws its curves ($curve pixels of the sum)" [ "$curve" -gt 50 ]
cp "$E2E_WORK/running.png" "$E2E_WORK/panel-and-plot.png"

# The stiffness field is the top right field of the panel: typing 300 there and Enter gives the
# body that stiffness, from which key 1 goes on to 335.
panel=$(convert "$E2E_WORK/running.png" -depth 8 txt:- | awk -F'[(),:]+' -v colour="$panel_colour" '
    $4 "," $5 "," $6 == colour {
        if ($2 < top || top == "") top = $2; if ($2 > bottom) bottom = $2
        if ($1 < left || left == "") left = $1; if ($1 > right) right = $1 }
    END { printf "%d %d %d %d", left, top, right, bottom }')
read -r panel_left panel_top panel_right panel_bottom <<<"$panel"
# type_stiffness DIGITS...: types a number into the stiffness field and Enter.
type_stiffness() {
    xdotool mousemove --window "$window" $((panel_right - 40)) $((panel_top + 22)) click --repeat 3 1
    xdotool key --delay 100 ctrl+a "$@" Return
}
type_stiffness 3 0 0
type_keys 1
wait_until 10 grep -q "^stiffness: 335$" "$PROGRAM_OUT"
check "a stiffness typed into the panel reaches the body: key 1 goes on from it" \
    grep -q "^stiffness: 335$" "$PROGRAM_OUT"

# Beyond the slider's range, the number is held to it and a line says so. The animation stops
# first: key 1 goes on from 2000 to a stiffness at which the body blows up at this time step.
type_keys p
type_stiffness 9 9 9 9 9
type_keys 1
wait_until 10 grep -q "^stiffness: 2035$" "$PROGRAM_OUT"
check "a stiffness typed beyond the range is held to 2000: key 1 goes on from it" \
    grep -q "^stiffness: 2035$" "$PROGRAM_OUT"
check "and one line says so" grep -qxF \
    "stiffness 99999 is beyond its range of 5 to 2000: set to 2000" "$PROGRAM_ERR"

# The material box, in the panel's last row, shows the material chosen in it (and none while
# the values are no material's, as now).
material_area="150x18+$((panel_left + 14))+$((panel_bottom - 28))"
# box_ink NAME: the dark pixels of the box's text in picture NAME.
box_ink() {
    convert "$E2E_WORK/$1.png" -crop "$material_area" +repage -colorspace gray -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 < 100 { n++ } END { print n + 0 }'
}
# "jelly" takes far less ink than "material...".
different_box() {
    [ $(($(box_ink after-material) * 10)) -lt $(($(box_ink before-material) * 8)) ]
}

shown before-material
xdotool mousemove --window "$window" $((panel_left + 90)) $((panel_bottom - 20)) click 1
sleep 0.5
xdotool key --delay 200 Down Return
# Away from the box, which the pointer over it would light up.
xdotool mousemove --window "$window" 100 100
check "the box shows the material chosen, where it showed none before" \
    wait_until 5 eval 'shown after-material && different_box'
activate_window "$window"
type_keys 1
wait_until 10 grep -q "^stiffness: 75$" "$PROGRAM_OUT"
check "and the material reaches the body: jelly's 40, from which key 1 goes to 75" \
    grep -q "^stiffness: 75$" "$PROGRAM_OUT"

type_keys F2 F3
both_hidden() { shown hidden && [ "$PANEL" -lt 100 ] && [ "$PLOT" -lt 100 ]; }
wait_until 10 both_hidden
check "F2 and F3 again hide them ($PANEL, $PLOT pixels)" [ "$PANEL" -lt 100 ] && [ "$PLOT" -lt 100 ]
eval "$(xdotool getwindowgeometry --shell "$window")"
check_equal "and the window is as wide as it was" "$start_width" "$WIDTH"

close_window
wait_program 20
check_equal "closing the window ends the program" 0 "$PROGRAM_STATUS"
finish
