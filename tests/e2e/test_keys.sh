#!/usr/bin/env bash
# Keys in the real window: animation, the three levels, the draw styles, the help page, quit.
source "$(dirname "$0")/lib.sh"

mesh="$PLIMMERTON_SOURCE_DIR/data/ball.toff"
texture="$PLIMMERTON_SOURCE_DIR/data/body.tga"
args=(-i "$mesh" -d 0.04 -m 1 -s 85 -t 0.012 -tex "$texture")

start_display || exit 1
start_program "${args[@]}"
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 10 grep -q "DOWN_ARROW" "$PROGRAM_OUT"
help_page="$E2E_WORK/help.txt"
cp "$PROGRAM_OUT" "$help_page"

eval "$(xdotool getwindowgeometry --shell "$window")"
background="0,51,76"

# A square around the centre of the view, where the body stands; the frame counter and the
# viewer's trims lie outside it.
centre_crop() {
    local size=120
    convert "$1" -crop "${size}x${size}+$(((WIDTH - size) / 2))+$(((HEIGHT - 30 - size) / 2))" \
        +repage "$2"
}

# shoot NAME: a settled picture of the centre of the view, in $E2E_WORK/NAME.png.
shoot() {
    sleep 1.5
    screenshot "$window" "$E2E_WORK/$1-window.png"
    centre_crop "$E2E_WORK/$1-window.png" "$E2E_WORK/$1.png"
}

differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1
}

# count_kinds FILE: sets BODY (textured body colours: clearly saturated, not the background),
# RED (the overlay's red lines) and BACKGROUND to the numbers of such pixels.
count_kinds() {
    eval "$(convert "$1" -depth 8 txt:- | awk -F'[(),]+' '
        NR > 1 {
            r = $3; g = $4; b = $5
            hi = r; if (g > hi) hi = g; if (b > hi) hi = b
            lo = r; if (g < lo) lo = g; if (b < lo) lo = b
            if (r == 0 && g == 51 && b == 76) background++
            else if (r > 150 && g < 60 && b < 60) red++
            else if (hi - lo > 60) body++
        }
        END { printf "BODY=%d RED=%d BACKGROUND=%d\n", body, red, background }')"
}

# ---- draw styles: shaded, wireframe, overlay, shaded again ------------------------------------

shoot shaded
count_kinds "$E2E_WORK/shaded.png"
shaded_body=$BODY
check "shaded: the textured body fills the middle of the view ($BODY body pixels)" \
    [ "$BODY" -gt 1000 ]

type_keys 5
shoot wireframe
count_kinds "$E2E_WORK/wireframe.png"
check "5: wireframe, far fewer body-coloured pixels ($BODY against $shaded_body shaded)" \
    [ "$BODY" -lt $((shaded_body / 10)) ]

type_keys 5
shoot overlay
count_kinds "$E2E_WORK/overlay.png"
check "5 again: shaded with a red wireframe overlay ($RED red pixels)" [ "$RED" -gt 1000 ]

type_keys 5
shoot shaded-again
count_kinds "$E2E_WORK/shaded-again.png"
check "5 a third time: shaded again ($BODY body pixels)" [ "$BODY" -gt 1000 ]
check "5 a third time: no overlay left ($RED red pixels)" [ "$RED" -lt 50 ]

# ---- the three levels and the help page ---------------------------------------------------------

type_keys 1 2 3 h
expected_out="$E2E_WORK/expected.txt"
{
    cat "$help_page"
    printf '%s\n' "stiffness: 120" "timeStep: 0.0151" "damping: 0.06"
    cat "$help_page"
} >"$expected_out"
wait_until 10 cmp -s "$expected_out" "$PROGRAM_OUT"
check "1, 2, 3 answer on standard output, H prints the help page again" \
    cmp "$expected_out" "$PROGRAM_OUT"
check "no answer on standard error" \
    bash -c "! grep -qE 'stiffness|timeStep|damping|General control' '$PROGRAM_ERR'"

# ---- the animation ------------------------------------------------------------------------------

shoot before-start
shoot still-stopped
check_equal "stopped: the picture stays the same" 0 \
    "$(differing_pixels "$E2E_WORK/before-start.png" "$E2E_WORK/still-stopped.png")"
type_keys p
shoot running
moved=$(differing_pixels "$E2E_WORK/before-start.png" "$E2E_WORK/running.png")
check "P: the body moves ($moved pixels changed)" [ "$moved" -gt 500 ]

# ---- quit -----------------------------------------------------------------------------------------

type_keys q
wait_program 20
check_equal "Q ends the program with status 0" 0 "$PROGRAM_STATUS"
check_equal "Q prints exiting... as the last line" "exiting..." "$(tail -n1 "$PROGRAM_OUT")"

finish
