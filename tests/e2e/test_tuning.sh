#!/usr/bin/env bash
# The tuning panel (F2) and the energy plot (F3): hidden at start, shown over the view by their
# keys, a number typed into the panel reaching the body, and both hidden again.
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

type_keys F2 F3 p
both_shown() { shown both && [ "$PANEL" -gt 5000 ] && [ "$PLOT" -gt 5000 ]; }
wait_until 10 both_shown
check "F2 and F3 show the panel and the plot ($PANEL, $PLOT pixels)" \
    [ "$PANEL" -gt 5000 ] && [ "$PLOT" -gt 5000 ]
# The plot draws its curves as the animation runs: its total in white over the background.
sleep 3
shown running
curve=$(count_colour "$E2E_WORK/running.png" "245,245,245" || true)
check "the running plot draws its curves ($curve pixels of the sum)" [ "$curve" -gt 50 ]
cp "$E2E_WORK/running.png" "$E2E_WORK/panel-and-plot.png"

# The stiffness field is the top right field of the panel: typing 300 there and Enter gives the
# body that stiffness, from which key 1 goes on to 335.
field=$(convert "$E2E_WORK/running.png" -depth 8 txt:- | awk -F'[(),:]+' -v colour="$panel_colour" '
    $4 "," $5 "," $6 == colour { if ($2 < top || top == "") top = $2; if ($1 > right) right = $1 }
    END { printf "%d %d", right - 40, top + 22 }')
read -r field_x field_y <<<"$field"
xdotool mousemove --window "$window" "$field_x" "$field_y" click --repeat 3 1
xdotool key --delay 100 ctrl+a 3 0 0 Return 1
wait_until 10 grep -q "^stiffness: 335$" "$PROGRAM_OUT"
check "a stiffness typed into the panel reaches the body: key 1 goes on from it" \
    grep -q "^stiffness: 335$" "$PROGRAM_OUT"

type_keys F2 F3
both_hidden() { shown hidden && [ "$PANEL" -lt 100 ] && [ "$PLOT" -lt 100 ]; }
wait_until 10 both_hidden
check "F2 and F3 again hide them ($PANEL, $PLOT pixels)" [ "$PANEL" -lt 100 ] && [ "$PLOT" -lt 100 ]

close_window
wait_program 20
check_equal "closing the window ends the program" 0 "$PROGRAM_STATUS"
finish
