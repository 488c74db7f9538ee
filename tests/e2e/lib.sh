# Helpers for the end-to-end tests of the real program. Source this file; it starts nothing by
# itself. Each test gets its own virtual X server (a free display number chosen by the server
# itself, so tests can run in parallel), a window manager (key presses reach the window only
# when one runs), and a work folder under the build tree that is kept for inspection.
#
# Environment: PLIMMERTON (the program), PLIMMERTON_SOURCE_DIR, PLIMMERTON_BINARY_DIR.

set -u

: "${PLIMMERTON:?the program to test}"
: "${PLIMMERTON_SOURCE_DIR:=$(pwd)}"
: "${PLIMMERTON_BINARY_DIR:=$PLIMMERTON_SOURCE_DIR/build}"

E2E_NAME=$(basename "${BASH_SOURCE[1]:-$0}" .sh)
E2E_WORK="$PLIMMERTON_BINARY_DIR/e2e/$E2E_NAME"
rm -rf "$E2E_WORK"
mkdir -p "$E2E_WORK"

# A program built with the address sanitizer reports at its end what the libraries under the
# window keep until then; only those are suppressed (see lsan.supp). The leak checker does not
# read thread-local storage: with it, it crashes now and then on the dynamic TLS of the GL
# driver's threads.
export LSAN_OPTIONS="suppressions=$PLIMMERTON_SOURCE_DIR/tests/e2e/lsan.supp:print_suppressions=0:use_tls=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# The toolkit warns on standard error when it has no runtime folder of its own.
export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

E2E_PASSED=0
E2E_FAILED=0
E2E_PIDS=()
PROGRAM_PID=""
PROGRAM_OUT="$E2E_WORK/stdout"
PROGRAM_ERR="$E2E_WORK/stderr"

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap e2e_cleanup EXIT

# ---- results -------------------------------------------------------------------------------

pass() {
    E2E_PASSED=$((E2E_PASSED + 1))
    echo "PASS: $1"
}

fail() {
    E2E_FAILED=$((E2E_FAILED + 1))
    echo "FAIL: $1"
    if [ $# -gt 1 ]; then
        printf '      %s\n' "${@:2}"
    fi
}

# check DESCRIPTION COMMAND...: passes when the command succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# check_equal DESCRIPTION EXPECTED ACTUAL
check_equal() {
    if [ "$2" = "$3" ]; then
        pass "$1"
    else
        fail "$1" "expected: $2" "actual:   $3"
    fi
}

# Prints the summary line and ends the test with its status.
finish() {
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ]
    exit
}

# ---- display -------------------------------------------------------------------------------

# wait_until SECONDS COMMAND...: retries the command every 0.1 s until it succeeds.
wait_until() {
    local tries=$(($1 * 10))
    shift
    while ! "$@" 2>/dev/null; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Starts Xvfb on a free display and openbox on it, and exports DISPLAY. Other programs on the
# machine may hold displays too; a display is used only once a client has been served on it.
start_display() {
    local fdfile="$E2E_WORK/displayfd" attempt
    : >"$fdfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fdfile" \
        >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    if ! wait_until 20 grep -q '^[0-9][0-9]*$' "$fdfile"; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile")"
    if ! wait_until 20 xdpyinfo >/dev/null; then
        echo "Xvfb does not answer on $DISPLAY" >&2
        return 1
    fi
    for attempt in 1 2 3; do
        openbox >>"$E2E_WORK/openbox.log" 2>&1 &
        E2E_PIDS+=($!)
        if wait_until 20 wmctrl -m >/dev/null; then
            return 0
        fi
        kill "$!" 2>/dev/null || true
    done
    echo "openbox did not start on $DISPLAY" >&2
    return 1
}

# ---- the program ---------------------------------------------------------------------------

# start_program ARGS...: runs the program in the background, its output in PROGRAM_OUT and
# PROGRAM_ERR; PROGRAM_PID is its process id.
start_program() {
    "$PLIMMERTON" "$@" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" &
    PROGRAM_PID=$!
    E2E_PIDS+=("$PROGRAM_PID")
}

# wait_program SECONDS: waits for the program to end and sets PROGRAM_STATUS to its exit
# status, or to "timeout" after killing it when it is still running.
wait_program() {
    if wait_until "$1" program_ended; then
        PROGRAM_STATUS=0
        wait "$PROGRAM_PID" || PROGRAM_STATUS=$?
    else
        kill -9 "$PROGRAM_PID" 2>/dev/null || true
        wait "$PROGRAM_PID" 2>/dev/null || true
        PROGRAM_STATUS=timeout
    fi
}

program_ended() {
    ! kill -0 "$PROGRAM_PID" 2>/dev/null
}

# find_window: prints the id of the visible window titled Plimmerton, waiting up to 30 s.
find_window() {
    local tries=300 id
    while [ "$tries" -gt 0 ]; do
        id=$(xdotool search --onlyvisible --name '^Plimmerton$' 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}

activate_window() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
}

# type_keys KEY...: key presses and releases (xdotool names: space, Left, p, ...) to the
# active window.
type_keys() {
    xdotool key --delay 100 "$@"
}

# screenshot WINDOW FILE
screenshot() {
    import -window "$1" "$2"
}

# pixel FILE X Y: prints the colour of one pixel as "R,G,B" in 0..255.
pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- |
        sed -n '2s/^[^(]*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'
}

# count_colour FILE R,G,B: prints how many pixels have exactly that colour.
count_colour() {
    convert "$1" -depth 8 txt:- | grep -c "^[0-9]*,[0-9]*: ($2)"
}

# pixel_kinds FILE: sets WARM (light pixels tinted like the pillars' marble), CLOUD (light
# bluish pixels of the white cloud sheet over the dark blue background) and BACKGROUND, counted
# in the rendered view only (VIEW, as view_geometry or frame_drawn set it).
pixel_kinds() {
    eval "$(convert "$1" -crop "$VIEW" +repage -depth 8 txt:- | awk -F'[(),]' '
        NR > 1 {
            r = $3; g = $4; b = $5
            if (r == 0 && g == 51 && b == 76) background++
            else if (r > 120 && r - b > 12 && r - b < 70 && g >= b && g <= r) warm++
            else if (b > r + 10 && r > 40 && b > 110) cloud++
        }
        END { printf "WARM=%d CLOUD=%d BACKGROUND=%d\n", warm, cloud, background }')"
}

# Closes the window as a user would, through the window manager.
close_window() {
    wmctrl -c Plimmerton
}

# view_geometry WINDOW: sets WIDTH and HEIGHT of the window and VIEW, the crop geometry of the
# rendered view without the examiner's trims (30 pixels left, right and below) and without the
# frame counter's rows at its bottom, which change with every frame.
view_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    VIEW="$((WIDTH - 60))x$((HEIGHT - 30 - 45))+30+0"
}

# frame_drawn WINDOW FILE: takes a screenshot into FILE and succeeds when it shows a drawn
# frame: the background colour in the view's top right corner (the status takes the top left)
# and the yellow digits of the frame counter in its bottom left corner. Use it with
# wait_until: the first frames take a while on a busy machine.
frame_drawn() {
    screenshot "$1" "$2" || return 1
    view_geometry "$1"
    [ "$(pixel "$2" $((WIDTH - 40)) 10)" = "0,51,76" ] || return 1
    [ "$(counter_pixels "$2")" -gt 20 ]
}

# counter_pixels FILE: how many pixels of the frame counter's yellow the bottom left corner of
# the view holds.
counter_pixels() {
    convert "$1" -crop "$((WIDTH / 2))x40+30+$((HEIGHT - 30 - 40))" +repage -depth 8 txt:- |
        grep -c "^[0-9]*,[0-9]*: (255,255,0)"
}

# same_view FILE1 FILE2 [AREA]: succeeds when the two screenshots show the same view (or AREA,
# WxH+X+Y), pixel for pixel.
same_view() {
    local differing
    differing=$(compare -metric AE -crop "${3:-$VIEW}" "$1" "$2" null: 2>&1) || true
    [ "$differing" = 0 ]
}

# different_view FILE1 FILE2: succeeds when the two screenshots show different views.
different_view() {
    local differing
    differing=$(compare -metric AE -crop "$VIEW" "$1" "$2" null: 2>&1) || true
    [[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -gt 0 ]
}

# drag WINDOW DX DY: drags with the left button from the middle of the view, and holds still
# before letting go so that the examiner does not keep spinning.
drag() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2 - 15)) mousedown 1
    local step
    for step in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove_relative -- $(($2 / 10)) $(($3 / 10))
        sleep 0.05
    done
    sleep 0.5
    xdotool mouseup 1
}

program_gone() {
    ! kill -0 "$1" 2>/dev/null
}

# drop_file WINDOW FILE: drags FILE from a window of the drag source tool ($DRAG_SOURCE), as a
# file manager would, and lets go over the middle of WINDOW. Succeeds when the drop was taken;
# a drag that the toolkit did not start is tried once more. DROP_TIME is when it was let go.
# DROP_HOLDING, when set, is a key (xdotool's name) held down as the file is let go.
drop_file() {
    local target=$1 file=$2 out="$E2E_WORK/drag.out" source_id x y step pid attempt taken=1
    "$DRAG_SOURCE" "$file" >"$out" 2>"$E2E_WORK/drag.err" &
    pid=$!
    E2E_PIDS+=("$pid")
    if wait_until 20 xdotool search --onlyvisible --name '^Drag source$' >/dev/null; then
        source_id=$(xdotool search --onlyvisible --name '^Drag source$' | head -n1)
        xdotool windowmove --sync "$source_id" 0 0
        eval "$(xdotool getwindowgeometry --shell "$target" | sed 's/^/DROP_/')"
        x=$((DROP_X + DROP_WIDTH / 2))
        y=$((DROP_Y + DROP_HEIGHT / 2))
        for attempt in 1 2; do
            xdotool mousemove --sync 60 60 mousedown 1
            sleep 0.2
            # A drag is a path of moves, which the drag's own loop follows.
            for step in 1 2 3 4 5 6 7 8; do
                xdotool mousemove --sync $((60 + (x - 60) * step / 8)) $((60 + (y - 60) * step / 8))
                sleep 0.1
            done
            [ -z "${DROP_HOLDING:-}" ] || xdotool keydown "$DROP_HOLDING"
            xdotool mouseup 1
            DROP_TIME=$(date +%s.%N)
            [ -z "${DROP_HOLDING:-}" ] || xdotool keyup "$DROP_HOLDING"
            if wait_until 10 grep -q '^dropped$' "$out"; then
                taken=0
                break
            fi
        done
    fi
    # The source ends by itself once the drop is finished; one that was not taken is ended here.
    wait_until 5 program_gone "$pid" || kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return $taken
}
