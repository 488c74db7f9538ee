#!/usr/bin/env bash
# Files that never end, opened from the window: each is refused or cancelled with one line
# naming it, over the view and on standard error, and the program's memory stays where it was.
# /dev/zero typed into the file dialog, a pipe fed for ever and a file over the budget dropped
# on the view, a file that grows while it is read, and a large body given up with Esc.
source "$(dirname "$0")/lib.sh"

: "${DRAG_SOURCE:?the drag source tool}"
export XDG_CACHE_HOME="$E2E_WORK/cache"
cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
start_display || exit 1
start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"

# Resident memory of the program in kB.
resident() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$PROGRAM_PID/status"
}
# said TEXT: the program has written a line holding TEXT on standard error.
said() {
    grep -qF -- "$1" "$PROGRAM_ERR"
}
never_said() {
    ! said "$1"
}
notice_shown() {
    screenshot "$window" "$E2E_WORK/notice.png" &&
        [ "$(count_colour "$E2E_WORK/notice.png" 153,221,255)" -gt 10 ]
}
dialog_open() {
    xdotool search --onlyvisible --name '^Open a model as the body$' >/dev/null
}
# open_in_dialog FILE: Ctrl+O in the program's window, then FILE typed into the dialog.
open_in_dialog() {
    activate_window "$window"
    type_keys ctrl+o
    wait_until 20 dialog_open || return 1
    dialog=$(xdotool search --onlyvisible --name '^Open a model as the body$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    xdotool type --delay 20 "$1"
    xdotool key Return
}
# within_100_mb BEFORE AFTER: both known, AFTER less than 100 MB above BEFORE.
within_100_mb() {
    [ -n "$1" ] && [ -n "$2" ] && [ $(($2 - $1)) -lt 102400 ]
}
# memory_kept WHAT BEFORE: the resident memory, two seconds on, within 100 MB of BEFORE.
memory_kept() {
    sleep 2
    local after
    after=$(resident 2>/dev/null)
    check "$1: the memory stays within 100 MB ($2 kB before, $after kB after)" \
        within_100_mb "$2" "$after"
}

# ---- /dev/zero in the file dialog -------------------------------------------------------------

BEFORE=$(resident)
check "Ctrl+O, and /dev/zero typed into the dialog" open_in_dialog /dev/zero
check "/dev/zero is refused at once with a line that says why" \
    wait_until 10 said "/dev/zero: is a device, not a model file"
check "/dev/zero: the same line over the view" wait_until 10 notice_shown
memory_kept "/dev/zero" "$BEFORE"

# ---- a pipe fed for ever, dropped on the view -------------------------------------------------

mkfifo "$E2E_WORK/endless.off"
# The writer waits for a reader that never comes; the test's end stops it.
(while :; do printf 'OFF\n'; done >"$E2E_WORK/endless.off") 2>/dev/null &
E2E_PIDS+=($!)
BEFORE=$(resident)
check "a pipe is dropped on the view" drop_file "$window" "$E2E_WORK/endless.off"
check "the pipe is refused with a line that says why" \
    wait_until 10 said "endless.off: is a pipe, not a model file"
memory_kept "the pipe" "$BEFORE"

# ---- a file over the budget -------------------------------------------------------------------

truncate -s 3G "$E2E_WORK/huge.off"
check "a 3 GB file is dropped on the view" drop_file "$window" "$E2E_WORK/huge.off"
check "it is refused before it is read, its size and the budget named" \
    wait_until 10 said "huge.off: holds 3.2 GB, more than the 2 GB a model file may have"
rm -f "$E2E_WORK/huge.off"

# ---- a file that grows while it is read -------------------------------------------------------

growing="$E2E_WORK/growing.off"
printf 'TOFF\n100000000 1 0\n' >"$growing"
# A body's points, a few megabytes a second for as long as the test runs: whatever moment the
# reading starts, the file is refused, grown while it was read or cut short in its points.
(while :; do yes '0 0 0 0 0' | head -n 400; sleep 0.001; done >>"$growing") &
grower=$!
E2E_PIDS+=("$grower")
sleep 0.5
BEFORE=$(resident)
check "Ctrl+O of a file that keeps growing" open_in_dialog "$growing"
check "it is refused with a line naming it" wait_until 20 said "growing.off: "
kill "$grower" 2>/dev/null
memory_kept "the growing file" "$BEFORE"
rm -f "$growing"

# ---- Esc while a large body is read -----------------------------------------------------------

# Twenty million points and one strut, 120 MB: seconds of reading, which Esc gives up.
large="$E2E_WORK/large.off"
{
    printf 'OFF\n20000000 1 0\n'
    yes '0 0 0' | head -n 20000000
    printf '2 0 1\n'
} >"$large"
BEFORE=$(resident)
check "Ctrl+O of a large body" open_in_dialog "$large"
check "its points are being read" wait_until 20 said "(20000000 points)"
activate_window "$window"
type_keys Escape
check "Esc gives the reading up with a line naming the file" \
    wait_until 10 said "large.off: opening cancelled"
memory_kept "the large body given up" "$BEFORE"
check "the large body was never read to its end" never_said "A total number of edges: 1"
rm -f "$large"

activate_window "$window"
type_keys n
check "N still reads the ball" wait_until 20 said "A total number of edges: 2241"
check "the program runs on" kill -0 "$PROGRAM_PID"
close_window
wait_program 20
check_equal "exit status 0 on closing" 0 "$PROGRAM_STATUS"
finish
