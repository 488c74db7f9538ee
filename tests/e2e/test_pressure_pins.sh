#!/usr/bin/env bash
# Inflated bodies, pinned points and the cloth through the tools, as the README measures them:
# a sphere without struts held by the gas of the rule of thumb and falling flat without it, a
# model prepared to be held by the gas, the bundled ball unchanged at pressure 0, a sheet hung
# by two pinned corners, and the words and statuses for what cannot be.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

BIN="$PLIMMERTON_BINARY_DIR"
DATA="$PLIMMERTON_SOURCE_DIR/data"
W="$E2E_WORK"
OUT="$W/stdout"
ERR="$W/stderr"

# run PROGRAM ARGS...: runs a tool to its end; STATUS holds its exit status.
run() {
    STATUS=0
    "$BIN/$1" "${@:2}" >"$OUT" 2>"$ERR" || STATUS=$?
}
field() { sed -n "s/^$1 //p" "$OUT"; }
# at_least LIMIT VALUE...: there are values, each a number and at least the limit.
at_least() {
    [ $# -gt 1 ] && awk -v limit="$1" 'BEGIN {
        for (k = 2; k < ARGC; ++k) if (ARGV[k] !~ /^-?[0-9.]+(e-?[0-9]+)?$/ || ARGV[k] + 0 < limit) exit 1
    }' "$@"
}
# below LIMIT VALUE: the value is a number below the limit.
below() {
    awk -v limit="$1" -v value="$2" 'BEGIN {
        exit !(value ~ /^-?[0-9.]+(e-?[0-9]+)?$/ && value + 0 < limit)
    }'
}

# ---- a sphere of 2,562 points without struts ------------------------------------------------
options=(-d 0.04 -m 0.075 -s 85 -t 0.012)
run plimmerton-mkdata --ball 4 --pressure 1 "$W/ball4.toff"
check_equal "inflated ball written" 0 "$STATUS"
springs=$(sed -n 's/.* \([0-9]*\) springs.*/\1/p' "$OUT")
check "no struts: at most 3.5 springs a point ($springs)" [ "$springs" -le $((2562 * 7 / 2)) ]
run plimmerton-sim -i "$W/ball4.toff" "${options[@]}" --holding-pressure
pressure=$(field "holding pressure")
check "the rule of thumb names a pressure" below 100 "$pressure"
for p in "$pressure" 0; do
    run plimmerton-sim -i "$W/ball4.toff" -pressure "$p" "${options[@]}" -n 4000 -arena 1 \
        -o "$W/ball4-$p.toff"
    check_equal "sphere at pressure $p: run" 0 "$STATUS"
    run plimmerton-shape "$W/ball4.toff" "$W/ball4-$p.toff"
    ratio=$(field "volume ratio")
    if [ "$p" = 0 ]; then
        check "without the gas it keeps less than half its volume ($ratio)" below 0.5 "$ratio"
    else
        check "held by the gas it keeps 85% of its volume ($ratio)" at_least 0.85 "$ratio"
        check "and rests on the floor" grep -qx "finite and inside yes" "$OUT"
        check "the run's body still asks for its gas" grep -q "^# pressure $p" "$W/ball4-$p.toff"
    fi
done

# ---- a model prepared to be held by the gas --------------------------------------------------
run plimmerton-prepare "$DATA/box.off" "$W/box.toff" --pressure 40
check_equal "box prepared with --pressure" 0 "$STATUS"
springs=$(sed -n 's/.*(\([0-9.]*\) a point).*/\1/p' "$OUT")
check "at most 3.5 springs a point ($springs)" below 3.501 "$springs"
check "its file asks for the gas" grep -qx "# pressure 40" "$W/box.toff"
run plimmerton-sim -i "$W/box.toff" -m 0.3 --holding-pressure
run plimmerton-sim -i "$W/box.toff" -pressure "$(field "holding pressure")" -d 0.04 -m 0.3 \
    -s 85 -t 0.012 -n 4000 -arena 1 -o "$W/box-run.toff"
run plimmerton-shape "$W/box.toff" "$W/box-run.toff"
read -r -a ratios <<<"$(field ratios)"
check "the box keeps 85% of each extent (${ratios[*]})" at_least 0.85 "${ratios[@]}"

# ---- the bundled ball at pressure 0 ----------------------------------------------------------
# The README's headless run: a gas of pressure 0 changes nothing of it, to the bit, on one
# thread or two.
ball=(-i "$DATA/ball.toff" -d 0.04 -m 0.3 -s 85 -t 0.012 -n 1000 -arena 1)
run plimmerton-sim "${ball[@]}"
plain=$(field checksum)
check "the bundled ball: a checksum of 16 hex digits ($plain)" grep -qx "checksum [0-9a-f]\{16\}" "$OUT"
for threads in 1 2; do
    for pressure in "" "-pressure 0"; do
        read -r -a words <<<"$pressure"
        run plimmerton-sim "${ball[@]}" -threads "$threads" "${words[@]}"
        check_equal "the bundled ball, $threads thread(s) ${pressure:-without -pressure}: the same checksum" \
            "$plain" "$(field checksum)"
    done
done

# ---- a sheet hung by two pinned corners ----------------------------------------------------
run plimmerton-mkdata --sheet 64 "$W/sheet.toff"
check "the sheet: 4096 points and 23938 springs" grep -q "4096 points.*23938 springs" "$OUT"
run plimmerton-sim -i "$W/sheet.toff" -pin 0,63 -m 0.02 -s 120 -d 0.04 -t 0.005 -n 4000 \
    -arena 1 -o "$W/sheet-run.toff" --energy "$W/sheet.csv"
check_equal "sheet: run" 0 "$STATUS"
# The start as the tool writes single-precision numbers, every digit of them; points 0 and 63
# are the vertex lines 1 and 64 after the header.
run plimmerton-sim -i "$W/sheet.toff" -n 0 -o "$W/sheet-start.toff"
vertex() { grep -v '^#' "$1" | sed -n "$(($2 + 3))p" | cut -d' ' -f1-3; }
for i in 0 63; do
    check_equal "pinned point $i exactly where it started" "$(vertex "$W/sheet-start.toff" $i)" \
        "$(vertex "$W/sheet-run.toff" $i)"
done
check "an unpinned corner has moved" [ "$(vertex "$W/sheet-start.toff" 4095)" != \
    "$(vertex "$W/sheet-run.toff" 4095)" ]
run plimmerton-shape "$W/sheet.toff" "$W/sheet-run.toff"
above=$(field "lowest above floor")
check "no point below the floor ($above)" at_least 0 "$above"
# Tick 4000 at 0.005 s is 20 simulated seconds.
kinetic=$(awk -F, '$1 == 4000 { print $3 }' "$W/sheet.csv")
check "at rest after 20 simulated seconds (kinetic $kinetic)" below 0.001 "$kinetic"

# ---- what cannot be ------------------------------------------------------------------------
printf 'OFF\n4 3 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n' >"$W/open.off"
run plimmerton-sim -i "$W/open.off" -pressure 5 -n 1
check_equal "open surface with a pressure: status 1" 1 "$STATUS"
check "and says why" grep -qx "$W/open.off: no pressure: the surface has 3 edges on one triangle only (holes); only a closed surface holds a gas" "$ERR"
run plimmerton-sim -i "$W/open.off" -pin 0,4 -n 1
check_equal "a pin beyond the body: status 1" 1 "$STATUS"
check "and says which" grep -qx -- "-pin: point 4 is not one of the body's 4 points" "$ERR"
for bad in "-pin 0,,1" "-pin -3" "-pressure -1" "-pressure x"; do
    read -r -a words <<<"$bad"
    run plimmerton-sim -i "$W/open.off" "${words[@]}"
    check_equal "$bad: status 2" 2 "$STATUS"
done
for bad in "--sheet 1" "--sheet 2049" "--pressure 5"; do
    read -r -a words <<<"$bad"
    run plimmerton-mkdata "${words[@]}" "$W/never.toff"
    check_equal "plimmerton-mkdata $bad: status 2" 2 "$STATUS"
done

finish
