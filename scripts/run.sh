#!/usr/bin/env bash
# Usage: scripts/run.sh [MODEL | --cloth] [PROGRAM OPTIONS]
#
# Builds the program, with every program it starts (plimmerton-prepare, which makes bodies of the
# models opened in the window), and runs it on the bundled ball, with options that keep the
# simulation stable and lively. The program runs in data/.
#
# --cloth runs a cloth instead: a sheet of 64 x 64 points (plimmerton-mkdata --sheet 64, made
# into build/cloth/) hung by its top corners, points 0 and 63, facing the cannon, with light
# points, stiff springs and a short time step that keep it hanging
# (-pin 0,63 -m 0.02 -s 120 -d 0.04 -t 0.005).
#
# MODEL, a model file of any form plimmerton-prepare reads (OFF, OBJ, PLY, STL, glTF, ...), is
# prepared into a body once (kept in ~/.cache/plimmerton, see scripts/prepare-cached.sh) and run in
# place of the ball, with the model's own picture as its texture when it names one that the
# preparation took (unless -tex is given); its path is taken from where the script was started.
#
# Options are the program's own (-i -d -m -s -t -tex -pressure -pin, see build/plimmerton --help);
# each one given replaces only the bundled option of its name, with paths relative to data/. Only
# --help, --version and --cloth are the script's.
#
# Without a usable display the program runs for a few seconds on a virtual one (Xvfb with
# openbox): the animation is started, a few balls are shot, and a screenshot is left behind;
# its path is printed.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"

options=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)

# set_option NAME VALUE: gives the option of that name its value, in its place, or adds it.
set_option() {
    local k
    for ((k = 0; k < ${#options[@]}; k += 2)); do
        if [ "${options[k]}" = "$1" ]; then
            options[k + 1]=$2
            return
        fi
    done
    options+=("$1" "$2")
}

model=""
cloth=no
given_mesh=no
given_texture=no
given=()
while [ $# -gt 0 ]; do
    case $1 in
    --cloth)
        cloth=yes
        shift
        ;;
    -i | -d | -m | -s | -t | -tex | -pressure | -pin)
        [ $# -ge 2 ] || refuse "option '$1' needs a value"
        [ "$1" = -i ] && given_mesh=yes
        [ "$1" = -tex ] && given_texture=yes
        given+=("$1" "$2")
        shift 2
        ;;
    -?*) refuse "unknown option '$1'" ;;
    *)
        [ -z "$model" ] || refuse "unexpected argument '$1'"
        model=$1
        shift
        ;;
    esac
done
if [ -n "$model" ] && [ "$given_mesh" = yes ]; then
    refuse "a MODEL and -i both name the body"
fi
if [ "$cloth" = yes ] && { [ -n "$model" ] || [ "$given_mesh" = yes ]; }; then
    refuse "--cloth is the body; no MODEL or -i beside it"
fi
if [ "$cloth" = yes ]; then
    options=(-i "$(cd "$(dirname "$0")/.." && pwd)/build/cloth/sheet.toff" -tex body.tga
        -pin 0,63 -m 0.02 -s 120 -d 0.04 -t 0.005)
fi
for ((k = 0; k < ${#given[@]}; k += 2)); do
    set_option "${given[k]}" "${given[k + 1]}"
done

# The model is named from where the script was started, before it moves to the project.
[ -z "$model" ] || [[ "$model" == /* ]] || model="$PWD/$model"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The window starts plimmerton-prepare for every model it opens that is no body file.
cmake --build build --target plimmerton plimmerton-prepare -j "$(nproc)" >/dev/null
if [ "$cloth" = yes ]; then
    cmake --build build --target plimmerton-mkdata -j "$(nproc)" >/dev/null
    mkdir -p build/cloth
    build/plimmerton-mkdata --sheet 64 build/cloth/sheet.toff >/dev/null
fi
if [ -n "$model" ]; then
    body=$(bash scripts/prepare-cached.sh "$model")
    set_option -i "$body"
    # The picture plimmerton-prepare left beside the body (common/PreparedBodies.h).
    for picture in "$body".png "$body".jpg "$body".tga; do
        if [ "$given_texture" = no ] && [ -f "$picture" ]; then
            set_option -tex "$picture"
            echo "run.sh: the body's texture is the model's own picture, $picture" >&2
            break
        fi
    done
fi

program="$PWD/build/plimmerton"
root="$PWD"
cd data

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$program" "${options[@]}"
fi

export PLIMMERTON="$program" PLIMMERTON_SOURCE_DIR="$root" PLIMMERTON_BINARY_DIR="$root/build"
source "$root/tests/e2e/lib.sh"
start_display
start_program "${options[@]}"
window=$(find_window) || {
    cat "$PROGRAM_ERR" >&2
    exit 1
}
activate_window "$window"
sleep 1
type_keys p
sleep 2
for _ in 1 2 3; do
    type_keys space
    sleep 0.7
done
sleep 1.5
shot="$E2E_WORK/plimmerton.png"
wait_until 10 frame_drawn "$window" "$shot" || screenshot "$window" "$shot"
close_window
wait_program 20
echo "$shot"
