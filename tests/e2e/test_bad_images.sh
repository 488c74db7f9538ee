#!/usr/bin/env bash
# Damaged texture files: a body texture (-tex) and a col.tga in the working folder whose
# run-length data runs past the end of the file, the damage that ended the program inside the
# scene-graph library's image loader. The window opens and draws, key N builds the body again,
# Q ends the program with status 0, and standard error names each file once for each time it
# was read: the pillars read col.tga once for all.
source "$(dirname "$0")/lib.sh"

folder="$E2E_WORK/folder"
mkdir -p "$folder"
cp "$PLIMMERTON_SOURCE_DIR/data/ball.toff" "$folder/"
# A 256 x 256 run-length TGA whose first packet asks for 128 raw pixels that are not there.
overrun() {
    printf '\0\0\n\0\0\0\0\0\0\0\0\0\0\1\0\1\30\0\177'
    head -c 40 /dev/zero
}
overrun >"$folder/skin.tga"
overrun >"$folder/col.tga"

start_display || exit 1
cd "$folder" || exit 1
start_program -i ball.toff -tex skin.tga -m 0.3 -s 85 -d 0.04 -t 0.012
if ! window=$(find_window); then
    fail "a visible window titled Plimmerton" "$(tail -n 5 "$PROGRAM_ERR")"
    finish
fi
pass "a visible window titled Plimmerton"
activate_window "$window"
check "a first frame drawn" wait_until 30 frame_drawn "$window" "$E2E_WORK/first.png"

type_keys n
check "N read the mesh again" \
    wait_until 10 test "$(grep -c '^A total number of edges: ' "$PROGRAM_ERR")" -eq 2
type_keys q
wait_program 30
check_equal "Q ends the program with status 0" 0 "$PROGRAM_STATUS"

problem="the run-length data of the TGA picture ends before its last pixel"
check_equal "one line for col.tga, read once for all pillars" 1 \
    "$(grep -c "^Cannot use the texture file \`col.tga': $problem\$" "$PROGRAM_ERR")"
check_equal "one line for skin.tga at start and one at N" 2 \
    "$(grep -c "^Cannot use the texture file \`skin.tga': $problem\$" "$PROGRAM_ERR")"
check "no word from the library's own loader" \
    bash -c "! grep -qE 'Coin|simage|Assertion' '$PROGRAM_ERR'"

finish
