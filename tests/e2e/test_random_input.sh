#!/usr/bin/env bash
# Random input to the real window for about two minutes: keys of the key table in bursts,
# Ctrl-drags on the body, drags, wheels and clicks anywhere in the window (its buttons too),
# values typed into the tuning panel, models and scene files good, damaged and endless opened
# with Ctrl+O and dropped on the view, scenes saved with Ctrl+S, recordings and screenshots. Meant for the sanitizer build, where any
# fault shows as a report: the run fails on a report, a crash or an exit status other than 0,
# and then prints its seed and the actions taken. The seed comes from PLIMMERTON_RANDOM_SEED,
# else from the clock; the same seed gives the same actions.
source "$(dirname "$0")/lib.sh"

: "${DRAG_SOURCE:?the drag source tool}"
SEED=${PLIMMERTON_RANDOM_SEED:-$(($(date +%s%N) % 1000000007))}
RANDOM=$SEED
# New actions start until then; the last one ends soon after.
SECONDS_OF_INPUT=${PLIMMERTON_RANDOM_SECONDS:-120}
echo "seed $SEED (PLIMMERTON_RANDOM_SEED=$SEED repeats this run)"

data="$PLIMMERTON_SOURCE_DIR/data"
# Pictures, videos and prepared bodies go to folders of the run's own.
export HOME="$E2E_WORK/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$E2E_WORK/cache"
mkdir -p "$XDG_CONFIG_HOME" "$HOME/pictures" "$HOME/videos"
printf 'XDG_PICTURES_DIR="%s"\nXDG_VIDEOS_DIR="%s"\n' "$HOME/pictures" "$HOME/videos" \
    >"$XDG_CONFIG_HOME/user-dirs.dirs"
cd "$E2E_WORK" || exit 1

# ---- the files to open --------------------------------------------------------------------------

files="$E2E_WORK/files"
mkdir -p "$files/folder"
cp "$data/ball.toff" "$data/box.off" "$files/"
# Prepared into a body of 1,000 points.
cp "$PLIMMERTON_SOURCE_DIR/fuzz/corpus-prepare/cube.obj" "$files/"
cp "$PLIMMERTON_SOURCE_DIR/tests/e2e/data/import-crash.off" "$files/"
head -c 300 "$data/ball.toff" >"$files/cut.toff"
printf 'OFF\n2000000000 2000000000 0\n0 0 0\n' >"$files/huge-counts.off"
printf 'OFF\n3 1 0\n0 0 0\n1 0 0\nnan 1 0\n3 0 1 2\n' >"$files/nan.off"
printf 'TOFF\n3 1 0\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n3 0 1 7\n' >"$files/bad-index.toff"
: >"$files/empty.off"
# Bytes of the seed's own, so that the same seed gives the same file.
awk -v seed="$SEED" 'BEGIN { srand(seed); for (k = 0; k < 4000; ++k) printf "%c", int(rand() * 255) + 1 }' \
    >"$files/garbage.obj"
# Two million points: seconds of reading on this build, which Esc may give up.
{
    printf 'OFF\n2000000 1 0\n'
    yes '0.25 0.5 1' | head -n 2000000
    printf '2 0 1\n'
} >"$files/large.off"
truncate -s 3G "$files/sparse.off"
mkfifo "$files/endless.off"
(while :; do printf 'OFF\n'; done >"$files/endless.off") 2>/dev/null &
E2E_PIDS+=($!)
# Scene files: two balls with their state as plimmerton-sim saves them, the same with the state
# damaged or cut short, a scene of the seed's own bytes, one of a bad pin, one nested deep, one
# of the most bodies, and an endless one.
printf 'version = 1\narena_seed = 2\n[[body]]\nfile = "ball.toff"\n[[body]]\nfile = "box.off"\noffset = [0.0, 12.0, 0.0]\n' \
    >"$files/two.toml"
DISPLAY= "$PLIMMERTON_BINARY_DIR/plimmerton-sim" "$files/two.toml" -n 40 -d 0.04 -m 0.3 -s 85 \
    -t 0.012 --keys 0:space --save-scene "$files/moment.toml" >/dev/null 2>&1
sed 's/moment/damaged/' "$files/moment.toml" >"$files/damaged.toml"
head -c 3000 "$files/moment.state" >"$files/damaged.state"
awk -v seed="$SEED" 'BEGIN { srand(seed + 1); for (k = 0; k < 2000; ++k) printf "%c", int(rand() * 255) + 1 }' \
    >"$files/garbage.toml"
printf 'version = 1\n[[body]]\nfile = "ball.toff"\npins = [0, 4000000000]\n' >"$files/bad-pin.toml"
{
    printf 'version = 1\nkeys = '
    head -c 300 /dev/zero | tr '\0' '['
    printf '\n'
} >"$files/deep.toml"
{
    printf 'version = 1\n'
    for ((k = 0; k < 1001; ++k)); do printf '[[body]]\nfile = "box.off"\n'; done
} >"$files/many.toml"
mkfifo "$files/endless.toml"
(while :; do printf 'version = 1\n# '; done >"$files/endless.toml") 2>/dev/null &
E2E_PIDS+=($!)
# What the file dialog takes (no pipe: the dialog itself may wait on one), and what is dropped.
dialog_files=(ball.toff box.off cube.obj import-crash.off cut.toff huge-counts.off nan.off
    bad-index.toff empty.off garbage.obj large.off sparse.off /dev/zero two.toml moment.toml
    damaged.toml garbage.toml bad-pin.toml deep.toml many.toml)
drop_files=("${dialog_files[@]}" endless.off endless.toml folder)
# Where Ctrl+S is told to save: a new file, one of the files above, a folder, and a folder that
# is not there.
save_files=(saved.toml moment.toml folder "no-such-folder/x.toml" saved "s p a c e.toml")

# ---- the run and its record ---------------------------------------------------------------------

ACTIONS=()
no_report() {
    ! grep -qE 'runtime error|AddressSanitizer|LeakSanitizer|Segmentation|Aborted|terminate called' \
        "$PROGRAM_ERR"
}
# Says what went wrong, with the seed and every action taken, and ends the test.
give_up() {
    fail "$1" "seed $SEED: PLIMMERTON_RANDOM_SEED=$SEED repeats this run" \
        "actions taken (${#ACTIONS[@]}):" "${ACTIONS[@]}" "standard error ends:" \
        "$(tail -n 40 "$PROGRAM_ERR")"
    finish
}
# act WORDS: records the next action, also in the work folder as the run goes.
act() {
    ACTIONS+=("$((${#ACTIONS[@]} + 1)): $*")
    echo "${ACTIONS[-1]}" >>"$E2E_WORK/actions"
}
# Every draw from RANDOM is made in this shell (a command substitution would draw in a subshell,
# which the shell seeds afresh), and none depends on what the window did, so that a seed always
# gives the same actions.
# pick ARRAY: PICKED is one of its items.
pick() {
    local -n list=$1
    PICKED=${list[RANDOM % ${#list[@]}]}
}
# pick_file ARRAY: FILE is one of the files it names, as a path.
pick_file() {
    pick "$1"
    case $PICKED in
    /*) FILE=$PICKED ;;
    *) FILE="$files/$PICKED" ;;
    esac
}

start_display || exit 1
start_program -i "$data/ball.toff" -tex "$data/body.tga" -m 0.3 -s 85 -d 0.04 -t 0.012
window=$(find_window) || give_up "a visible window titled Plimmerton"
activate_window "$window"
wait_until 60 frame_drawn "$window" "$E2E_WORK/first.png" || give_up "the first picture is drawn"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The view without the examiner's trims: 30 pixels left, right and below.
view_width=$((WIDTH - 60))
view_height=$((HEIGHT - 30))

# The keys of the key table as xdotool names them, Q left out: the run ends by closing the
# window. BackSpace goes back in time where the program has it.
keys=(p o space t n h F12 Escape F2 F3 v 1 2 3 4 5 6 Left Right Up Down End a d w s j l i k
    BackSpace)
# What a panel field may be given: numbers in and out of range, and text that is none.
values=(0 1 0.5 85 300 1000 99999 -5 0.05 0.0001 1e30 -1e-30 nan inf abc "" "12,5" " 7 "
    0x10 1e400)
panel_shown=0

# view_point: POINT_X and POINT_Y, a point of the view.
view_point() {
    POINT_X=$((30 + RANDOM % view_width))
    POINT_Y=$((RANDOM % view_height))
}
focus_view() {
    activate_window "$window"
    # A click without a move gives the view the keys back from the panel's fields.
    xdotool mousemove --window "$window" $((WIDTH / 2)) $((view_height - 20)) click 1
}
dialog_open() {
    xdotool search --onlyvisible --name '^Open a model as the body$' >/dev/null
}
close_dialog() {
    local dialog
    while dialog=$(xdotool search --onlyvisible --name '^Open a model as the body$' | head -n1) &&
        [ -n "$dialog" ]; do
        xdotool windowactivate --sync "$dialog" key Escape >/dev/null 2>&1
        sleep 0.3
    done
}

press_keys() {
    local count=$((1 + RANDOM % 5)) chosen=() k
    for ((k = 0; k < count; ++k)); do
        pick keys
        chosen+=("$PICKED")
    done
    act "keys ${chosen[*]}"
    for k in "${chosen[@]}"; do
        [ "$k" = F2 ] && panel_shown=$((1 - panel_shown))
    done
    xdotool key --delay $((20 + RANDOM % 150)) "${chosen[@]}"
}
ctrl_drag() {
    local steps=$((2 + RANDOM % 8)) step
    # From around the body, in the middle of the view, where a grab finds it.
    local x=$((WIDTH / 2 - 40 + RANDOM % 80)) y=$((view_height / 2 - 60 + RANDOM % 80))
    view_point
    act "ctrl-drag from $x $y to $POINT_X $POINT_Y in $steps steps"
    xdotool keydown ctrl mousemove --window "$window" "$x" "$y" mousedown 1
    for ((step = 1; step <= steps; ++step)); do
        xdotool mousemove --window "$window" $((x + (POINT_X - x) * step / steps)) \
            $((y + (POINT_Y - y) * step / steps))
        sleep 0.05
    done
    xdotool mouseup 1 keyup ctrl
}
mouse() {
    local x=$((RANDOM % WIDTH)) y=$((RANDOM % HEIGHT)) button=$((1 + RANDOM % 5)) way=$((RANDOM % 3))
    if ((way == 0)); then
        # One of the viewer's buttons, down its column at the right, or just below the last.
        y=$((15 + 29 * (RANDOM % 8)))
        act "click the viewer's button at $((WIDTH - 15)) $y"
        xdotool mousemove --window "$window" $((WIDTH - 15)) "$y" click 1
    elif ((way == 1)); then
        act "click $button at $x $y"
        xdotool mousemove --window "$window" "$x" "$y" click "$button"
        # The right button opens the viewer's menu; it is left at once.
        [ "$button" = 3 ] && sleep 0.3 && xdotool key Escape
    else
        view_point
        act "drag with button 1 from $x $y to $POINT_X $POINT_Y"
        xdotool mousemove --window "$window" "$x" "$y" mousedown 1 \
            mousemove --window "$window" "$POINT_X" "$POINT_Y" mouseup 1
    fi
}
panel_value() {
    # Drawn first, whatever the window shows, so that the draws stay the seed's.
    local fx=$((RANDOM % 1000)) fy=$((RANDOM % 1000))
    pick values
    if [ "$panel_shown" = 0 ]; then
        act "keys F2 (for the panel)"
        xdotool key F2
        panel_shown=1
        sleep 0.5
    fi
    screenshot "$window" "$E2E_WORK/panel.png" 2>/dev/null || return 0
    # The panel's background, which nothing else over the view has: a point inside it.
    local box x y
    box=$(convert "$E2E_WORK/panel.png" -depth 8 txt:- | awk -F'[(),:]+' '
        $4 "," $5 "," $6 == "30,40,50" {
            if (left == "" || $1 < left) left = $1; if ($1 > right) right = $1
            if (top == "" || $2 < top) top = $2; if ($2 > bottom) bottom = $2 }
        END { if (right > left + 20) printf "%d %d %d %d", left, top, right, bottom }')
    if [ -z "$box" ]; then
        act "no panel seen; keys F2"
        xdotool key F2
        panel_shown=$((1 - panel_shown))
        return 0
    fi
    read -r left top right bottom <<<"$box"
    x=$((left + fx * (right - left) / 1000))
    y=$((top + fy * (bottom - top) / 1000))
    act "panel: click at $x $y, type '$PICKED' and Return"
    xdotool mousemove --window "$window" "$x" "$y" click 1
    xdotool key ctrl+a
    [ -n "$PICKED" ] && xdotool type --delay 20 "$PICKED"
    xdotool key Return
    focus_view
}
open_in_dialog() {
    pick_file dialog_files
    local file=$FILE escape=$((RANDOM % 6 == 0))
    act "ctrl+o, then $file"
    activate_window "$window"
    xdotool key ctrl+o
    if ! wait_until 20 dialog_open; then
        act "(no dialog came)"
        return 0
    fi
    local dialog
    dialog=$(xdotool search --onlyvisible --name '^Open a model as the body$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    if ((escape)); then
        act "(the dialog is closed with Escape)"
        xdotool key Escape
    else
        xdotool type --delay 10 "$file"
        xdotool key Return
    fi
    sleep 0.5
    close_dialog
    activate_window "$window"
}
save_dialog_open() {
    xdotool search --onlyvisible --name '^Save the scene$' >/dev/null
}
save_scene() {
    pick_file save_files
    local file=$FILE escape=$((RANDOM % 5 == 0)) dialog
    act "ctrl+s, then $file"
    activate_window "$window"
    xdotool key ctrl+s
    if ! wait_until 20 save_dialog_open; then
        act "(no dialog came)"
        return 0
    fi
    dialog=$(xdotool search --onlyvisible --name '^Save the scene$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    if ((escape)); then
        act "(the dialog is closed with Escape)"
        xdotool key Escape
    else
        # A file there already is replaced once the dialog's question is answered with Return.
        xdotool type --delay 10 "$file"
        xdotool key Return
        sleep 0.3
        xdotool key Return
    fi
    sleep 0.5
    while dialog=$(xdotool search --onlyvisible --name '^Save the scene$' | head -n1) &&
        [ -n "$dialog" ]; do
        xdotool windowactivate --sync "$dialog" key Escape >/dev/null 2>&1
    done
    activate_window "$window"
}
drop() {
    pick_file drop_files
    local file=$FILE
    act "drop $file"
    drop_file "$window" "$file" || act "(the drop was not taken)"
    activate_window "$window"
}

started=$(date +%s)
while [ $(($(date +%s) - started)) -lt "$SECONDS_OF_INPUT" ]; do
    roll=$((RANDOM % 100))
    if ((roll < 50)); then
        press_keys
    elif ((roll < 62)); then
        ctrl_drag
    elif ((roll < 74)); then
        mouse
    elif ((roll < 84)); then
        panel_value
    elif ((roll < 90)); then
        open_in_dialog
    elif ((roll < 95)); then
        save_scene
    else
        drop
    fi
    sleep 0.$((RANDOM % 4))
    program_ended && give_up "the program ended during the run"
    no_report || give_up "a runtime report during the run"
done
pass "${#ACTIONS[@]} random actions with no report and no crash (seed $SEED)"

close_dialog
act "close the window"
close_window
wait_program 60
[ "$PROGRAM_STATUS" = 0 ] || give_up "closing the window ends the program with status 0, not $PROGRAM_STATUS"
no_report || give_up "no runtime report at the end"
pass "closing the window ends the program with status 0 and no report"
finish
