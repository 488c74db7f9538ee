#!/usr/bin/env bash
# Builds the program and runs it from the repository root on the bundled ball, with options
# that keep the simulation stable and lively. Options given to this script replace the
# default ones.
#
# Without a usable display the program runs for a few seconds on a virtual one (Xvfb with
# openbox): the animation is started, a few balls are shot, and a screenshot is left behind;
# its path is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton -j "$(nproc)" >/dev/null

options=(-i data/ball.toff -tex data/body.tga -m 1 -s 85 -d 0.04 -t 0.012)
[ $# -eq 0 ] || options=("$@")

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/plimmerton "${options[@]}"
fi

export PLIMMERTON="$PWD/build/plimmerton" PLIMMERTON_SOURCE_DIR="$PWD" PLIMMERTON_BINARY_DIR="$PWD/build"
source tests/e2e/lib.sh
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
screenshot "$window" "$shot"
close_window
wait_program 20
echo "$shot"
