#!/usr/bin/env bash
# Scene files end to end: plimmerton-sim runs a scene, saves one at the end of a run that goes on
# to the bit (500 ticks saved and 500 more give the checksum of 1,000 straight), takes the
# options given over the scene's and refuses bad scenes with their file, line and column; the
# window saves its scene with Ctrl+S through its dialog, opens it again at start exactly as it
# was, and refuses a bad scene opened with Ctrl+O, its scene staying as it was.
source "$(dirname "$0")/lib.sh"

SIM="$PLIMMERTON_BINARY_DIR/plimmerton-sim"
DATA="$PLIMMERTON_SOURCE_DIR/data"
OUT="$E2E_WORK/sim.out"
ERR="$E2E_WORK/sim.err"
cd "$E2E_WORK" || exit 1
cp "$DATA/ball.toff" "$DATA/body.tga" .

sim() {
    STATUS=0
    DISPLAY= "$SIM" "$@" >"$OUT" 2>"$ERR" || STATUS=$?
}
field() { sed -n "s/^$1 //p" "$OUT"; }

# Two balls, the upper one turned and pinned at a point, balls shot before and after tick 500,
# and the cannon turned and tilted between.
cat >scene.toml <<'EOF'
version = 1
time_step = 0.012
arena_seed = 1
keys = "0:space,300:a,520:space,700:w,701:space"

[[body]]
file = "ball.toff"
picture = "body.tga"
stiffness = 85.0
damping = 0.04
point_mass = 0.3

[[body]]
file = "ball.toff"
offset = [0.0, 12.0, 0.0]
rotation = { axis = [0.0, 1.0, 0.0], degrees = 90.0 }
point_mass = 0.3
pins = [3]
EOF

# ---- the tool ------------------------------------------------------------------------------

sim scene.toml -n 1000
check_equal "a scene runs" 0 "$STATUS"
straight=$(field checksum)
check "a checksum of the scene's bodies" grep -qx "checksum [0-9a-f]\{16\}" "$OUT"
sim scene.toml -n 500 --save-scene mid.toml
check_equal "500 ticks saved" 0 "$STATUS"
check_equal "the scene and its state are said" "scene mid.toml state mid.state" \
    "$(grep -E '^(scene|state) ' "$OUT" | tr '\n' ' ' | sed 's/ $//')"
check "the scene says it has a state" grep -qx "state = true" mid.toml
check "the state's length is that of two balls of 642 points and 2 balls" \
    [ "$(stat -c %s mid.state)" -gt 40000 ]
sim mid.toml -n 500
check_equal "tick 500 saved + 500 more = 1,000 straight" "$straight" "$(field checksum)"

sim scene.toml -n 0 -s 50 -t 0.01 -pin 1,2 -arena 4 --save-scene over.toml
check_equal "options over a scene: exit status" 0 "$STATUS"
check_equal "-s sets every body's stiffness" 2 "$(grep -c '^stiffness = 50.0$' over.toml)"
check "-t the time step" grep -qx "time_step = 0.01" over.toml
check "-arena the seed" grep -qx "arena_seed = 4" over.toml
check_equal "-pin the first body's pins" "pins = [1, 2] pins = [3]" \
    "$(grep '^pins' over.toml | tr '\n' ' ' | sed 's/ $//')"

sim scene.toml -n 30 --video scene.mp4 --size 64x48
check_equal "--video renders a scene" 0 "$STATUS"
check "the video is written" [ -s scene.mp4 ]

sim scene.toml -n 1 --keys 0:ctrl+s
check_equal "ctrl+s in a run without a window: refused" 2 "$STATUS"
check "ctrl+s: --save-scene named instead" grep -q "\-\-save-scene FILE saves at the end" "$ERR"

sim -i ball.toff scene.toml
check_equal "-i and a scene: exit status" 2 "$STATUS"
check "-i and a scene: refused" grep -q "unexpected argument 'scene.toml'" "$ERR"

# bad NAME EXPECTED: the scene NAME is refused with status 1 and, last (after the reader's
# progress when the first body was read), the line EXPECTED.
bad() {
    sim "$1" -n 10
    check_equal "$1: exit status" 1 "$STATUS"
    check_equal "$1: the message" "$2" "$(tail -n1 "$ERR")"
}
printf 'version = 1\n[[body]\nfile = "ball.toff"\n' >syntax.toml
bad syntax.toml "syntax.toml:2:8: Error while parsing table header: expected ']', saw '\n'"
printf 'version = 1\n\n[[body]]\nfile = "gone.toff"\n' >missing.toml
bad missing.toml \
    "missing.toml:4:8: body 1's file 'gone.toff' cannot be opened: No such file or directory"
printf 'version = 2\n[[body]]\nfile = "ball.toff"\n' >newer.toml
bad newer.toml "newer.toml:1:11: the scene is of version 2, newer than this program reads (1)"
printf 'version = 1\n[[body]]\nfile = "ball.toff"\npins = [9999]\n' >pins.toml
bad pins.toml "pins.toml:4:8: body 1's pin 9999 is not one of its 642 points (0 to 641)"
sed 's/^keys = .*/keys = "5:nokey"/' scene.toml >keys.toml
bad keys.toml "keys.toml:4:8: keys: '5:nokey': no such key (a letter, a digit, space, left, \
right, up, down, end, f12, backspace, tab, delete, or ctrl+ one of them)"
cp mid.toml damaged.toml
python3 -c "
data = bytearray(open('mid.state', 'rb').read())
data[200] ^= 0x40
open('damaged.state', 'wb').write(data)"
sim damaged.toml -n 10
check_equal "a damaged state: exit status" 1 "$STATUS"
check "a damaged state: named, with its checksum" grep -q "^damaged.state: .*checksum" "$ERR"
sed '/^# Body 2/,$d' mid.toml >other.toml
cp mid.state other.state
bad other.toml "other.state: the state holds 2 bodies, the scene 1 body: it belongs to another \
scene"

# ---- the window ----------------------------------------------------------------------------

start_display || exit 1
save_dialog() {
    xdotool search --onlyvisible --name '^Save the scene$' >/dev/null
}
# save_in_dialog WINDOW FILE: Ctrl+S in the window, then FILE typed into the save dialog.
save_in_dialog() {
    activate_window "$1"
    type_keys ctrl+s
    wait_until 20 save_dialog || return 1
    dialog=$(xdotool search --onlyvisible --name '^Save the scene$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    xdotool type --delay 20 "$2"
    xdotool key Return
}
said() { grep -qxF "$1" "$PROGRAM_OUT"; }

start_program -i ball.toff -add ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012 -arena 2
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(cat "$PROGRAM_ERR")"
    finish
fi
activate_window "$window"
wait_until 40 frame_drawn "$window" "$E2E_WORK/first.png" || fail "the first picture is drawn"
# The second body selected and stiffer, the camera orbited, the cannon turned, a ball shot.
type_keys Tab 1 j a space
check "Ctrl+S saves the scene where the dialog says" save_in_dialog "$window" "$E2E_WORK/saved.toml"
check "the window says where it went" wait_until 20 said \
    "scene saved: $E2E_WORK/saved.toml with its state $E2E_WORK/saved.state"
check "the state is beside it" [ -s saved.state ]
check_equal "both bodies are saved" 2 "$(grep -c '^\[\[body\]\]$' saved.toml)"
check_equal "the second with its stiffness" "stiffness = 85.0 stiffness = 120.0" \
    "$(grep '^stiffness' saved.toml | tr '\n' ' ' | sed 's/ $//')"
check "the ball in flight" grep -qx '\[\[ball\]\]' saved.toml
close_window
wait_program 20
check_equal "the first window closes" 0 "$PROGRAM_STATUS"

# The saved scene opened at start is the scene that was saved: saved again at once, its file
# and its state are the same to the byte (but for the state file's name in a comment).
start_program saved.toml
if ! window=$(find_window); then
    fail "plimmerton SCENE.toml opens a window" "$(cat "$PROGRAM_ERR")"
    finish
fi
wait_until 40 frame_drawn "$window" "$E2E_WORK/opened.png" || fail "the scene is drawn"
check "the scene is saved again" save_in_dialog "$window" "$E2E_WORK/again.toml"
wait_until 20 said "scene saved: $E2E_WORK/again.toml with its state $E2E_WORK/again.state"
check "opened again, the same state to the byte" cmp -s saved.state again.state
check_equal "opened again, the same scene" "$(sed 's/saved\.state/NAME.state/' saved.toml)" \
    "$(sed 's/again\.state/NAME.state/' again.toml)"

# A bad scene opened with Ctrl+O is refused with its place and the scene stays as it was.
open_dialog() {
    xdotool search --onlyvisible --name '^Open a model as the body$' >/dev/null
}
activate_window "$window"
type_keys ctrl+o
if wait_until 20 open_dialog; then
    dialog=$(xdotool search --onlyvisible --name '^Open a model as the body$' | head -n1)
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1
    xdotool type --delay 20 "$E2E_WORK/syntax.toml"
    xdotool key Return
fi
refused() { grep -qF "$E2E_WORK/syntax.toml:2:8: Error while parsing table header" "$PROGRAM_ERR"; }
check "Ctrl+O of a bad scene: refused with its file, line and column" wait_until 20 refused
check "the scene stays as it was" save_in_dialog "$window" "$E2E_WORK/after.toml"
wait_until 20 said "scene saved: $E2E_WORK/after.toml with its state $E2E_WORK/after.state"
check "the scene stays as it was, to the byte" cmp -s saved.state after.state
close_window
wait_program 20
check_equal "the second window closes" 0 "$PROGRAM_STATUS"

finish
