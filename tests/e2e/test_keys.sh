#!/usr/bin/env bash
# Keys in the real window: the draw styles, the three levels, the help page, the animation,
# shooting and removing balls, quit.
source "$(dirname "$0")/lib.sh"

mesh="$PLIMMERTON_SOURCE_DIR/data/ball.toff"
texture="$PLIMMERTON_SOURCE_DIR/data/body.tga"
args=(-i "$mesh" -d 0.04 -m 0.3 -s 85 -t 0.012 -tex "$texture")

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

view_geometry "$window"
# The view fills the window between the viewer's side trims and above its bottom trim.
trim=30
background="0,51,76"

# shoot NAME: a picture of the view alone in $E2E_WORK/NAME.png, and of the square around its
# centre, where the body stands, in $E2E_WORK/NAME-centre.png. The frame counter and the
# viewer's buttons lie outside the square.
shoot() {
    local window_shot="$E2E_WORK/$1-window.png" size=120
    screenshot "$window" "$window_shot"
    convert "$window_shot" -crop "$((WIDTH - 2 * trim))x$((HEIGHT - trim))+$trim+0" +repage \
        "$E2E_WORK/$1.png"
    convert "$window_shot" \
        -crop "${size}x${size}+$(((WIDTH - size) / 2))+$(((HEIGHT - trim - size) / 2))" \
        +repage "$E2E_WORK/$1-centre.png"
}

differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1
}

# count_kinds FILE: sets BODY (textured body colours: clearly saturated, not the background),
# OVERLAY (the overlay's red lines) and BACKGROUND to the numbers of such pixels.
count_kinds() {
    eval "$(convert "$1" -depth 8 txt:- | awk -F'[(),]+' '
        NR > 1 {
            r = $3; g = $4; b = $5
            hi = r; if (g > hi) hi = g; if (b > hi) hi = b
            lo = r; if (g < lo) lo = g; if (b < lo) lo = b
            if (r == 0 && g == 51 && b == 76) background++
            else if (r > 150 && g < 60 && b < 60) overlay++
            else if (hi - lo > 60) body++
        }
        END { printf "BODY=%d OVERLAY=%d BACKGROUND=%d\n", body, overlay, background }')"
}

# count_balls FILE: sets RED, GREEN and BLUE to the numbers of bright pixels of that pure colour,
# as a ball lit in white shows it. Surfaces lit by the balls' companion lights keep other
# components, and the examiner's axis cross is drawn in darker shades.
count_balls() {
    eval "$(convert "$1" -depth 8 txt:- | awk -F'[(),]+' '
        NR > 1 {
            r = $3; g = $4; b = $5
            if (r > 140 && g < 60 && b < 60) red++
            else if (g > 140 && r < 60 && b < 60) green++
            else if (b > 140 && r < 60 && g < 60) blue++
        }
        END { printf "RED=%d GREEN=%d BLUE=%d\n", red, green, blue }')"
}

# A key's effect shows in one of the next frames, which a busy machine draws late: the checks
# below look again until the picture shows it, then judge the last picture.
# look_until SECONDS COMMAND...: runs the command (which takes pictures) until it succeeds or the
# seconds have passed.
look_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

shaded_shown() {
    shoot shaded && count_kinds "$E2E_WORK/shaded-centre.png" && [ "$BODY" -gt 1000 ]
}
wireframe_shown() {
    shoot wireframe && count_kinds "$E2E_WORK/wireframe-centre.png" &&
        [ "$BODY" -lt $((shaded_body / 10)) ]
}
overlay_shown() {
    shoot overlay && count_kinds "$E2E_WORK/overlay-centre.png" && [ "$OVERLAY" -gt 1000 ]
}
shaded_again_shown() {
    shoot shaded-again && count_kinds "$E2E_WORK/shaded-again-centre.png" &&
        [ "$BODY" -gt 1000 ] && [ "$OVERLAY" -lt 50 ]
}
body_moved() {
    shoot running &&
        moved=$(differing_pixels "$E2E_WORK/before-start-centre.png" "$E2E_WORK/running-centre.png") &&
        [ "$moved" -gt 500 ]
}
three_balls_shown() {
    shoot balls && count_balls "$E2E_WORK/balls.png" &&
        [ "$RED" -gt 20 ] && [ "$BLUE" -gt 20 ] && [ "$GREEN" -gt 20 ]
}
oldest_ball_gone() {
    shoot removed && count_balls "$E2E_WORK/removed.png" && [ "$RED" -lt 5 ]
}

if ! look_until 40 frame_drawn "$window" "$E2E_WORK/first-window.png"; then
    fail "the first picture is drawn"
fi

# ---- draw styles: shaded, wireframe, overlay, shaded again ------------------------------------

look_until 15 shaded_shown
shaded_body=$BODY
check "shaded: the textured body fills the middle of the view ($BODY body pixels)" \
    [ "$BODY" -gt 1000 ]

type_keys 5
look_until 15 wireframe_shown
check "5: wireframe, far fewer body-coloured pixels ($BODY against $shaded_body shaded)" \
    [ "$BODY" -lt $((shaded_body / 10)) ]

type_keys 5
look_until 15 overlay_shown
check "5 again: shaded with a red wireframe overlay ($OVERLAY red pixels)" [ "$OVERLAY" -gt 1000 ]

type_keys 5
look_until 15 shaded_again_shown
check "5 a third time: shaded again ($BODY body pixels)" [ "$BODY" -gt 1000 ]
check "5 a third time: no overlay left ($OVERLAY red pixels)" [ "$OVERLAY" -lt 50 ]

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
# H also showed the panel of keys over the view; it goes again on the next H.
type_keys h

# ---- the animation ------------------------------------------------------------------------------

shoot before-start
sleep 1.5
shoot still-stopped
check_equal "stopped: the picture stays the same" 0 \
    "$(differing_pixels "$E2E_WORK/before-start-centre.png" "$E2E_WORK/still-stopped-centre.png")"
type_keys p
look_until 15 body_moved
check "P: the body moves ($moved pixels changed)" [ "$moved" -gt 500 ]

# ---- shooting and removing balls --------------------------------------------------------------

# Stop the animation, then let it run briefly around each shot, so that the three balls hang
# apart along their arc in a still picture: red (the first), blue, green.
type_keys p
for shot in 1 2 3; do
    type_keys p space
    sleep 0.1
    type_keys p
done
look_until 15 three_balls_shown
check "SPACE three times: a red ball ($RED pixels)" [ "$RED" -gt 20 ]
check "SPACE three times: a blue ball ($BLUE pixels)" [ "$BLUE" -gt 20 ]
check "SPACE three times: a green ball ($GREEN pixels)" [ "$GREEN" -gt 20 ]

type_keys t
look_until 15 oldest_ball_gone
check "T removes the oldest ball, the red one ($RED red pixels left)" [ "$RED" -lt 5 ]
check "T leaves the blue ball ($BLUE pixels)" [ "$BLUE" -gt 20 ]
check "T leaves the green ball ($GREEN pixels)" [ "$GREEN" -gt 20 ]

# ---- quit -----------------------------------------------------------------------------------------

type_keys q
wait_program 20
check_equal "Q ends the program with status 0" 0 "$PROGRAM_STATUS"
check_equal "Q prints exiting... as the last line" "exiting..." "$(tail -n1 "$PROGRAM_OUT")"

finish
