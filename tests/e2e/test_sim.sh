#!/usr/bin/env bash
# The headless simulation tool: its output mesh reads back to the same positions, its results
# do not depend on the number of threads, and bad mesh files end it as they end the program.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

SIM="$PLIMMERTON_BINARY_DIR/plimmerton-sim"
DATA="$PLIMMERTON_SOURCE_DIR/data"
OUT="$E2E_WORK/stdout"
ERR="$E2E_WORK/stderr"

# sim ARGS...: runs the tool to its end; STATUS holds its exit status.
sim() {
    STATUS=0
    "$SIM" "$@" >"$OUT" 2>"$ERR" || STATUS=$?
}
field() { sed -n "s/^$1 //p" "$OUT"; }

check "the tool was built" [ -x "$SIM" ]

for body in ball.toff box.off; do
    form=${body##*.}
    sim -i "$DATA/$body" -d 0.02 -m 1 -s 85 -t 0.012 -n 300 -arena 3 -o "$E2E_WORK/moved.$form"
    check_equal "$body: exit status" 0 "$STATUS"
    moved=$(field checksum)
    check "$body: a checksum of 16 hex digits" grep -qx "checksum [0-9a-f]\{16\}" "$OUT"
    check "$body: a median tick time" grep -qx "median tick [0-9.e+-]* ms" "$OUT"
    check "$body: written in the same form" grep -qx "$(echo "$form" | tr a-z A-Z)" \
        <(head -n1 "$E2E_WORK/moved.$form")
    check_equal "$body: same faces" "$(grep -c '^3 ' "$DATA/$body")" \
        "$(grep -c '^3 ' "$E2E_WORK/moved.$form")"
    check_equal "$body: same struts" "$(grep -c '^2 ' "$DATA/$body")" \
        "$(grep -c '^2 ' "$E2E_WORK/moved.$form")"
    check_equal "$body: same header counts" "$(grep -v '^#' "$DATA/$body" | sed -n 2p)" \
        "$(sed -n 2p "$E2E_WORK/moved.$form")"

    sim -i "$DATA/$body" -n 0
    start=$(field checksum)
    check "$body: the body moved" [ "$start" != "$moved" ]

    sim -i "$E2E_WORK/moved.$form" -n 0 -o "$E2E_WORK/again.$form"
    check_equal "$body: read back, the same checksum" "$moved" "$(field checksum)"
    check "$body: written again, the same bytes" cmp -s "$E2E_WORK/moved.$form" "$E2E_WORK/again.$form"

    sim -i "$DATA/$body" -d 0.02 -m 1 -s 85 -t 0.012 -n 300 -arena 3 -threads 1
    check_equal "$body: one thread, the same checksum" "$moved" "$(field checksum)"
done

# Texture coordinates survive the trip.
check_equal "texture coordinates kept" \
    "$(grep -v '^#' "$DATA/ball.toff" | sed -n 3p | awk '{printf "%.6f %.6f", $4, $5}')" \
    "$(sed -n 3p "$E2E_WORK/moved.toff" | awk '{printf "%.6f %.6f", $4, $5}')"

sim -i "$E2E_WORK/no-such-body.off" -n 5
check_equal "missing mesh: exit status" 1 "$STATUS"
check_equal "missing mesh: the program's message" \
    "File \`$E2E_WORK/no-such-body.off' does not exist!" "$(cat "$ERR")"
check "missing mesh: nothing on standard output" [ ! -s "$OUT" ]

printf 'COFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 3\n3 1 2 3\n3 0 2 3\n' \
    >"$E2E_WORK/wrong-keyword.off"
sim -i "$E2E_WORK/wrong-keyword.off"
check_equal "wrong keyword: exit status" 1 "$STATUS"
check "wrong keyword: the program's message" grep -qx "No OFF- or TRIANGULATION-File !" "$ERR"

# A file without a blank near its start is refused at once, not read whole as one word.
STATUS=0
timeout 20 "$SIM" -i /dev/zero >"$OUT" 2>"$ERR" || STATUS=$?
check_equal "endless file: exit status" 1 "$STATUS"
check "endless file: the program's message" grep -qx "No OFF- or TRIANGULATION-File !" "$ERR"

printf 'OFF\n8 6 12\n0 0 0\n1 0 0\n1 1' >"$E2E_WORK/truncated.off"
sim -i "$E2E_WORK/truncated.off" -o "$E2E_WORK/never.off"
check_equal "malformed mesh: exit status" 1 "$STATUS"
check_equal "malformed mesh: one line starting 'Malformed mesh file: '" 1 \
    "$(grep -c '^Malformed mesh file: ' "$ERR")"
check "malformed mesh: no output file" [ ! -e "$E2E_WORK/never.off" ]

sim -i "$DATA/ball.toff" -n 1 -o "$E2E_WORK/no-such-folder/out.toff"
check_equal "unwritable output: exit status" 1 "$STATUS"
check "unwritable output: says so" grep -q "Cannot write" "$ERR"

# ---- several bodies ----------------------------------------------------------------------------

three=(-i "$DATA/ball.toff" -add "$DATA/box.off" -at 7,0,0 -add "$DATA/ball.toff" -d 0.04 -m 0.3
    -s 85 -t 0.012 -n 300 -arena 1)
sim "${three[@]}" -threads 1 -o "$E2E_WORK/three.toff"
check_equal "three bodies: exit status" 0 "$STATUS"
one_thread=$(field checksum)
check_equal "three bodies: their points counted together" $((642 + 386 + 642)) "$(field points)"
check_equal "three bodies: counted" 3 "$(field bodies)"
check "three bodies: a line for each with its extent, what it kept and its points inside others"     [ "$(grep -c '^body [123] points [0-9]* extent [0-9. ]* kept [0-9. ]* inside [0-9]*$' "$OUT")" = 3 ]
sim "${three[@]}" -threads 2
check_equal "three bodies: the same checksum on two threads as on one" "$one_thread" "$(field checksum)"
check "three bodies: the first body written to OUT, body k to OUT-k"     [ -s "$E2E_WORK/three.toff" ] && [ -s "$E2E_WORK/three-2.toff" ] && [ -s "$E2E_WORK/three-3.toff" ]
check "three bodies: body 2 in the form of its file" grep -qx OFF <(head -n1 "$E2E_WORK/three-2.toff")
sim -i "$E2E_WORK/three.toff" -add "$E2E_WORK/three-2.toff" -at 7,0,0 -n 0
moved_apart=$(field checksum)
sim -i "$E2E_WORK/three.toff" -add "$E2E_WORK/three-2.toff" -n 0
check "without -at a body goes elsewhere (above the first)" [ "$moved_apart" != "$(field checksum)" ]

sim "${three[@]}" -n 2 --energy "$E2E_WORK/energy.csv"
check_equal "--energy: the header names a total for each body"     "tick,time,kinetic,spring,height,total,body1,body2,body3" "$(head -n1 "$E2E_WORK/energy.csv")"
check "--energy: the bodies' totals add up to the total" awk -F, 'NR > 1 {
        d = $6 - ($7 + $8 + $9); if (d < 0) d = -d; if (d > 1e-6 * $6) exit 1 }' "$E2E_WORK/energy.csv"
sim -i "$DATA/ball.toff" -n 1 --energy "$E2E_WORK/energy1.csv"
check_equal "--energy: one body's header as it always was" "tick,time,kinetic,spring,height,total" \
    "$(head -n1 "$E2E_WORK/energy1.csv")"

sim -i "$DATA/ball.toff" -add "$DATA/ball.toff" -d 0.04 -m 0.3 -s 85 -t 0.012 -n 5 -arena 1 \
    --keys "0:tab,1:1,2:delete,3:delete"
check_equal "--keys with -add: exit status" 0 "$STATUS"
check "--keys: tab selects the other body" \
    grep -qx "body 2 of 2 selected (ball.toff)" "$OUT"
check "--keys: delete removes the selected body and refuses the last" \
    grep -qx "the last body stays: a scene keeps one" "$OUT"
check_equal "--keys: one body left at the end" 642 "$(field points)"

sim -i "$DATA/ball.toff" -add "$E2E_WORK/no-such-body.off" -n 1
check_equal "-add of a missing file: exit status" 1 "$STATUS"
check "-add of a missing file: the program's message" \
    grep -qxF "File \`$E2E_WORK/no-such-body.off' does not exist!" "$ERR"
sim -i "$DATA/ball.toff" -add "$DATA/ball.toff" -at 0,500,0 -n 1 -arena 1
check_equal "-at beyond the arena's reach: exit status" 1 "$STATUS"
check "-at beyond the arena's reach: says so" grep -q "beyond the arena's reach" "$ERR"
for bad in "-add $DATA/ball.toff -at 1,x,3" "-add $DATA/ball.toff -at nan,0,0" "-at 1,2,3" "-add"; do
    # shellcheck disable=SC2086 # the options as words
    sim -i "$DATA/ball.toff" $bad
    check_equal "$bad: exit status 2" 2 "$STATUS"
    check "$bad: one line pointing to --help" grep -q "(try --help)$" "$ERR"
done

for flag in --help -h; do
    sim "$flag"
    check_equal "$flag: exit status" 0 "$STATUS"
    check "$flag: usage line first" grep -q "^Usage: plimmerton-sim " <(head -n1 "$OUT")
    check "$flag: names every option" grep -q -- "-arena SEED" "$OUT"
done

finish
