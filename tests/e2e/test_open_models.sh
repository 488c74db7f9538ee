#!/usr/bin/env bash
# Models opened from the window: one chosen with Ctrl+O in the file dialog (a model that is
# prepared first), one dropped on the view from another program (a body file), and files that
# cannot be used (no model, one that crashes the import library), which leave the body in place
# with one line each. N then reads the last body opened.
source "$(dirname "$0")/lib.sh"

: "${DRAG_SOURCE:?the drag source tool}"
data="$PLIMMERTON_SOURCE_DIR/data"
export XDG_CACHE_HOME="$E2E_WORK/cache"
# The edge count ends each reading of a body: 2241 for the ball, 1345 for the box.
reads() {
    grep -c "^A total number of edges: $1" "$PROGRAM_ERR"
}
reads_at_least() {
    [ "$(reads "$1")" -ge "$2" ]
}

cd "$data" || exit 1
start_display || exit 1
start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"

# ---- Ctrl+O: a model of another kind, prepared in the background -----------------------------

model="$E2E_WORK/cube.obj"
cp "$PLIMMERTON_SOURCE_DIR/fuzz/corpus-prepare/cube.obj" "$model"
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
check "Ctrl+O opens the file dialog, and a model is chosen" open_in_dialog "$model"
cached_body() {
    ls "$XDG_CACHE_HOME"/plimmerton/*.toff >/dev/null 2>&1
}
check "the model is prepared into the cache" wait_until 60 cached_body
# The prepared body has 1000 points; the ball's and the box's edge counts are known.
prepared_read() {
    grep -q "^(1000 points)" "$PROGRAM_ERR"
}
check "and the prepared body is read" wait_until 30 prepared_read
activate_window "$window"

# ---- a body file dropped from another program ------------------------------------------------

check "the box is dropped on the view" drop_file "$window" "$data/box.off"
check "the dropped box is read" wait_until 30 reads_at_least 1345 1

# ---- a file that cannot be used -------------------------------------------------------------

printf 'this is no model\n' >"$E2E_WORK/notes.obj"
check "Ctrl+O again, for a file that is no model" open_in_dialog "$E2E_WORK/notes.obj"
refused() {
    grep -q "notes.obj: " "$PROGRAM_ERR"
}
check "a file that is no model is refused with a line naming it" wait_until 60 refused
line=$(grep "notes.obj: " "$PROGRAM_ERR" | tail -n1)
check_equal "one line that says why ($line)" 1 "$(grep -c "notes.obj: " "$PROGRAM_ERR")"
notice_shown() {
    screenshot "$window" "$E2E_WORK/refused.png" &&
        [ "$(count_colour "$E2E_WORK/refused.png" 153,221,255)" -gt 50 ]
}
check "and the same line over the view" wait_until 10 notice_shown

# Found by fuzzing the preparation: the import library aborts on it.
check "a model that crashes the import library is dropped" \
    drop_file "$window" "$PLIMMERTON_SOURCE_DIR/tests/e2e/data/import-crash.off"
crashed() {
    grep -q "import-crash.off: the import library crashed" "$PROGRAM_ERR"
}
check "it is refused with a line that says the import library crashed" wait_until 60 crashed

activate_window "$window"
type_keys n
check "N reads the last body opened, the box, again" wait_until 30 reads_at_least 1345 2
check "the program runs on" kill -0 "$PROGRAM_PID"
close_window
wait_program 20
check_equal "exit status 0 on closing" 0 "$PROGRAM_STATUS"
finish
