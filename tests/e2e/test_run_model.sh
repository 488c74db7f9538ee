#!/usr/bin/env bash
# scripts/run.sh MODEL: a model of another form is prepared into a body once, kept, and run in
# the real window with the bundled options; without a display the script leaves a screenshot.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

# A long box as OBJ, corners only, with a picture of its own: the preparation refines it to its
# point budget and puts the picture beside the body.
convert -size 16x16 xc:orange "$E2E_WORK/skin.png"
printf 'newmtl skin\nmap_Kd skin.png\n' >"$E2E_WORK/box.mtl"
cat >"$E2E_WORK/box.obj" <<'OBJ'
mtllib box.mtl
usemtl skin
v -2 -1 -1
v 2 -1 -1
v 2 1 -1
v -2 1 -1
v -2 -1 1
v 2 -1 1
v 2 1 1
v -2 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vt 0 1
vt 1 1
vt 1 0
vt 0 0
f 1/1 3/3 2/2
f 1/1 4/4 3/3
f 5/5 6/6 7/7
f 5/5 7/7 8/8
f 1/1 2/2 6/6
f 1/1 6/6 5/5
f 4/4 8/8 7/7
f 4/4 7/7 3/3
f 1/1 5/5 8/8
f 1/1 8/8 4/4
f 2/2 3/3 7/7
f 2/2 7/7 6/6
OBJ
export PLIMMERTON_PREPARED="$E2E_WORK/prepared"
# The builds that the script asks for, noted by a cmake in front of the real one.
real_cmake=$(command -v cmake)
mkdir -p "$E2E_WORK/bin"
printf '#!/bin/sh\necho "$*" >>"%s"\nexec "%s" "$@"\n' "$E2E_WORK/cmake.log" "$real_cmake" \
    >"$E2E_WORK/bin/cmake"
chmod +x "$E2E_WORK/bin/cmake"
STATUS=0
(cd "$E2E_WORK" && PATH="$E2E_WORK/bin:$PATH" bash "$PLIMMERTON_SOURCE_DIR/scripts/run.sh" box.obj) \
    >"$E2E_WORK/run.out" 2>"$E2E_WORK/run.err" || STATUS=$?
check_equal "run.sh MODEL: exit status" 0 "$STATUS"
# The window starts plimmerton-prepare for every model opened in it, so the script builds it
# with the program whether or not it was built before.
check "run.sh builds every program the window starts" \
    grep -qE -- "--build .*--target plimmerton( .*)? plimmerton-prepare" "$E2E_WORK/cmake.log"
shot=$(tail -n1 "$E2E_WORK/run.out")
check "run.sh MODEL: the screenshot is a picture" grep -q "PNG image data" <(file "$shot")
bodies=("$PLIMMERTON_PREPARED"/*.toff)
check_equal "run.sh MODEL: one body prepared" 1 "${#bodies[@]}"
check "run.sh MODEL: the program read the prepared body" \
    grep -q "(1000 points)" "$PLIMMERTON_BINARY_DIR/e2e/run/stderr"
check "run.sh MODEL: the model's picture lies beside the body" cmp "$E2E_WORK/skin.png" \
    "${bodies[0]}.png"
check "run.sh MODEL: and is the body's texture" grep -qxF \
    "run.sh: the body's texture is the model's own picture, ${bodies[0]}.png" "$E2E_WORK/run.err"
check "run.sh MODEL: which the program takes" \
    bash -c "! grep -q 'texture' '$PLIMMERTON_BINARY_DIR/e2e/run/stderr'"

# The same model with the same options is prepared only once.
before=$(stat -c %Y "${bodies[0]}")
again=$(bash "$PLIMMERTON_SOURCE_DIR/scripts/prepare-cached.sh" "$E2E_WORK/box.obj" 2>/dev/null)
check_equal "prepared once: the same body" "${bodies[0]}" "$again"
check_equal "prepared once: not written again" "$before" "$(stat -c %Y "$again")"

# The program finds the bodies the script made: the same folder and the same key, with options
# and without, and the cache folder of the base directory conventions when none is chosen.
key_of() {
    "$PLIMMERTON_BINARY_DIR/prepared-body-key" "$E2E_WORK/box.obj" \
        "$PLIMMERTON_SOURCE_DIR/build/plimmerton-prepare" "$@"
}
check_equal "the program's name for the body is the script's" "$again" "$(key_of)"
unset PLIMMERTON_PREPARED
export XDG_CACHE_HOME="$E2E_WORK/cache"
script_body=$(bash "$PLIMMERTON_SOURCE_DIR/scripts/prepare-cached.sh" "$E2E_WORK/box.obj" \
    --points 50 --up z 2>/dev/null)
check_equal "with options, in the cache folder: the same name" "$script_body" \
    "$(key_of --points 50 --up z)"
check "with options, in the cache folder: under \$XDG_CACHE_HOME/plimmerton" \
    test -f "$XDG_CACHE_HOME/plimmerton/$(basename "$script_body")"

finish
