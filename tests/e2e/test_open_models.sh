#!/usr/bin/env bash
# Models opened from the window: one chosen with Ctrl+O in the file dialog (a model that is
# prepared first, by a preparation tool that is looked for at each opening), one dropped on the
# view from another program (a body file), and files that cannot be used (no model, one that
# crashes the import library), which leave the body in place with one line each. N then reads
# the last body opened. Then models named on the program's command line, prepared the same way.
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

# The program alone in a folder, with a PATH of one folder that holds no preparation tool yet.
tool="$(dirname "$PLIMMERTON")/plimmerton-prepare"
built="$PLIMMERTON"
alone="$E2E_WORK/alone"
path="$E2E_WORK/path"
mkdir -p "$alone" "$path"
cp "$PLIMMERTON" "$alone/plimmerton"
PLIMMERTON="$alone/plimmerton"

cd "$data" || exit 1
start_display || exit 1
PATH="$path" start_program -i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"

# ---- Ctrl+O: a model of another kind, prepared in the background -----------------------------

models="$E2E_WORK/models"
mkdir -p "$models"
model="$models/cube.obj"
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
no_tool() {
    grep -qxF "$model: is no body file, and plimmerton-prepare, which makes bodies of models, is \
neither beside the program nor on PATH" "$PROGRAM_ERR"
}
check "without a preparation tool the model is refused with a line that says so" \
    wait_until 30 no_tool

# The tool is put on the PATH while the program runs; the dialog's first filter shows the model
# among the files of its folder, where it is picked from the list as the first file with a c.
ln -s "$tool" "$path/plimmerton-prepare"
pick_from_list() {
    open_in_dialog "$models/" || return 1
    sleep 1
    xdotool key --delay 200 shift+Tab c Return
}
check "Ctrl+O again: the dialog lists the model at first, and it is picked there" pick_from_list
cached_body() {
    ls "$XDG_CACHE_HOME"/plimmerton/*.toff >/dev/null 2>&1
}
check "the tool, put on the PATH later, prepares the model into the cache" wait_until 60 cached_body
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
check "each reading starts on a line of its own" \
    bash -c "! grep -q 'scene\.\.\.Reading' '$PROGRAM_ERR'"
check "the program runs on" kill -0 "$PROGRAM_PID"
close_window
wait_program 20
check_equal "exit status 0 on closing" 0 "$PROGRAM_STATUS"

# ---- a model named on the command line -------------------------------------------------------

# A long box with a picture of its own, not prepared before, named as the plain argument from
# its folder: prepared with its progress on standard error, then read as any body.
PLIMMERTON="$built"
convert -size 16x16 xc:orange "$models/skin.png"
printf 'newmtl skin\nmap_Kd skin.png\n' >"$models/box.mtl"
{
    echo "mtllib box.mtl"
    echo "usemtl skin"
    printf 'v %s\n' "-2 -1 -1" "2 -1 -1" "2 1 -1" "-2 1 -1" "-2 -1 1" "2 -1 1" "2 1 1" "-2 1 1"
    printf 'vt %s\n' "0 0" "1 0" "1 1" "0 1" "0 1" "1 1" "1 0" "0 0"
    printf 'f %s\n' "1/1 3/3 2/2" "1/1 4/4 3/3" "5/5 6/6 7/7" "5/5 7/7 8/8" "1/1 2/2 6/6" \
        "1/1 6/6 5/5" "4/4 8/8 7/7" "4/4 7/7 3/3" "1/1 5/5 8/8" "1/1 8/8 4/4" "2/2 3/3 7/7" \
        "2/2 7/7 6/6"
} >"$models/box.obj"
before=$(ls "$XDG_CACHE_HOME"/plimmerton/*.toff | wc -l)
cd "$models" || exit 1
start_model() {
    start_program "$@" -m 0.3 -s 85 -d 0.04 -t 0.012
    if ! window=$(find_window); then
        fail "$1: a window" "$(tail -n 5 "$PROGRAM_ERR")"
        return 1
    fi
    activate_window "$window"
    wait_until 40 frame_drawn "$window" "$E2E_WORK/model.png"
}
if start_model box.obj; then
    check "plimmerton MODEL: its progress on standard error as in the window" \
        grep -q '^preparing box.obj \[#*\.*\] *[0-9]*%' "$PROGRAM_ERR"
    check_equal "plimmerton MODEL: its body is kept in the cache" $((before + 1)) \
        "$(ls "$XDG_CACHE_HOME"/plimmerton/*.toff | wc -l)"
    check "plimmerton MODEL: the prepared body is read" grep -q "^(1000 points)" "$PROGRAM_ERR"
    # The orange picture on the box, where an untextured body would be white.
    orange=$(convert "$E2E_WORK/model.png" -depth 8 txt:- | awk -F'[(),]' '
        NR > 1 && $3 > 150 && $3 - $5 > 100 && $4 > 0.4 * $3 && $4 < 0.8 * $3 { n++ }
        END { print n + 0 }')
    check "plimmerton MODEL: the model's own picture is its texture ($orange orange pixels)" \
        [ "$orange" -gt 300 ]
    edges=$(sed -n 's/^A total number of edges: //p' "$PROGRAM_ERR" | head -n1)
    type_keys n
    check "plimmerton MODEL: N reads the prepared body again" wait_until 30 reads_at_least "$edges" 2
    close_window
    wait_program 20
    check_equal "plimmerton MODEL: exit status 0 on closing" 0 "$PROGRAM_STATUS"
fi
if start_model -i box.obj; then
    check "plimmerton -i MODEL: the body prepared before, from the cache, without preparing" \
        bash -c "grep -q '^(1000 points)' '$PROGRAM_ERR' && ! grep -q '^preparing' '$PROGRAM_ERR'"
    close_window
    wait_program 20
    check_equal "plimmerton -i MODEL: exit status 0 on closing" 0 "$PROGRAM_STATUS"
fi
printf 'this is no model\n' >"$models/notes.obj"
start_program notes.obj -m 0.3
wait_program 30
check_equal "plimmerton MODEL that cannot be prepared: exit status 1" 1 "$PROGRAM_STATUS"
check "and the tool's line that names the model" grep -q "notes.obj: " "$PROGRAM_ERR"
check "and no help page" [ ! -s "$PROGRAM_OUT" ]
finish
