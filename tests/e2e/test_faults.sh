#!/usr/bin/env bash
# The real window survives its own faults: closed while the animation runs, keys pressed faster
# than the ticks, N while balls lie against the body, Q at any moment. Every run ends with the
# documented status 0 and no runtime report.
source "$(dirname "$0")/lib.sh"

# The bundled ball (radius 4 about (0, 0, 3)), run from the data folder where the pillars'
# texture lies.
cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
args=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)
start_display || exit 1

no_runtime_report() {
    ! grep -qE 'runtime error|AddressSanitizer|LeakSanitizer|Segmentation|Aborted' "$PROGRAM_ERR"
}

# start NAME: starts the program, activates its window (WINDOW is its id) and waits until the
# help page is out and the first frame drawn, so that the keys reach a window that handles them.
start() {
    start_program "${args[@]}"
    if ! WINDOW=$(find_window); then
        fail "$1: a window" "$(tail -n 5 "$PROGRAM_ERR")"
        kill -9 "$PROGRAM_PID" 2>/dev/null
        return 1
    fi
    activate_window "$WINDOW"
    wait_until 30 grep -q DOWN_ARROW "$PROGRAM_OUT"
    wait_until 40 frame_drawn "$WINDOW" "$E2E_WORK/first-frame.png"
}

# mesh_reads COUNT: succeeds once the mesh has been read COUNT times (each read ends with the
# edge count).
mesh_reads() {
    [ "$(grep -c '^A total number of edges: ' "$PROGRAM_ERR")" -eq "$1" ]
}

# ends_with NAME STATUS: waits for the program to end and checks its status and its output.
ends_with() {
    wait_program 20
    check_equal "$1: exit status $2" "$2" "$PROGRAM_STATUS"
    check "$1: no runtime report on standard error" no_runtime_report
}

help_pages() {
    grep -c '^General control$' "$PROGRAM_OUT"
}

# answers WORD: how many "WORD: " answers to the level keys the program has printed.
answers() {
    grep -c "^$1: " "$PROGRAM_OUT"
}

answers_reach() {
    [ "$(answers "$1")" -ge "$2" ]
}

# more_help_pages_than COUNT
more_help_pages_than() {
    [ "$(help_pages)" -gt "$1" ]
}

# ---- closing the window while the animation runs ---------------------------------------------

if start "closed while running"; then
    xdotool key --delay 40 p space space space
    sleep 1
    check "closed while running: running until closed" kill -0 "$PROGRAM_PID"
    close_window
    ends_with "closed while running" 0
fi

# ---- keys faster than the ticks --------------------------------------------------------------

# Every key of the table but Q, each one a millisecond after the last, over and over: P an even
# number of times, so the animation runs at the end as it did at the start.
burst=()
for round in 1 2 3 4 5 6 7 8; do
    burst+=(space Left Right Up Down End a d w s j l i k t 1 2 3 4 5 6 n space p p)
done

if start "key burst"; then
    xdotool key --delay 40 p
    xdotool key --delay 1 "${burst[@]}"
    sleep 1
    check "key burst: still running" kill -0 "$PROGRAM_PID"
    # Each round's 1, 2 and 3 were answered: no key was lost.
    for answer in stiffness timeStep damping; do
        wait_until 30 answers_reach "$answer" 8
        check_equal "key burst: one '$answer:' answer a round" 8 "$(answers "$answer")"
    done
    # The window still answers: H prints one more help page.
    before=$(help_pages)
    xdotool key --delay 40 h
    check "key burst: H still answers" wait_until 30 more_help_pages_than "$before"
    close_window
    ends_with "key burst" 0
fi

# ---- N while balls lie against the body ------------------------------------------------------

if start "N against balls"; then
    # Tilted one step up, the shots land on the ball body; they touch it when N comes.
    xdotool key --delay 40 p w space space space
    sleep 2.5
    xdotool key --delay 40 space n n space n
    check "N against balls: a new body was read each time" wait_until 30 mesh_reads 4
    check "N against balls: still running" kill -0 "$PROGRAM_PID"
    close_window
    ends_with "N against balls" 0
fi

# ---- Q at any moment -------------------------------------------------------------------------

# quit_after NAME KEYS...: presses the keys as fast as possible, then Q.
quit_after() {
    local name=$1
    shift
    if start "$name"; then
        if [ $# -gt 0 ]; then
            xdotool key --delay 1 "$@"
        fi
        xdotool key --delay 1 q
        ends_with "$name" 0
        check "$name: 'exiting...' is the last line" test "$(tail -n 1 "$PROGRAM_OUT")" = \
            "exiting..."
    fi
}

quit_after "Q before anything"
quit_after "Q while running with balls" p space space space
quit_after "Q right after N" p space n
quit_after "Q in a burst" "${burst[@]}"

finish
