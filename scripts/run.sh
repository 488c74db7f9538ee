#!/usr/bin/env bash
# Usage: scripts/run.sh [PROGRAM OPTIONS]
#
# Builds the program and runs it on the bundled ball, with options that keep the simulation
# stable and lively. The program runs in data/; options given to this script are the program's
# own (see build/plimmerton --help) and replace the default ones, with paths relative to data/.
# Only --help and --version are the script's.
#
# Without a usable display the program runs for a few seconds on a virtual one (Xvfb with
# openbox): the animation is started, a few balls are shot, and a screenshot is left behind;
# its path is printed.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton -j "$(nproc)" >/dev/null

options=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)
[ $# -eq 0 ] || options=("$@")
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
