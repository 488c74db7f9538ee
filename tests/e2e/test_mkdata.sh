#!/usr/bin/env bash
# The data generator: a finer ball is the bundled ball subdivided further, with the same
# form, struts and placement; a bad level or an unwritable file is refused with a message and
# status 1.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

MKDATA="$PLIMMERTON_BINARY_DIR/plimmerton-mkdata"
OUT="$E2E_WORK/stdout"
ERR="$E2E_WORK/stderr"

mkdata() {
    STATUS=0
    "$MKDATA" "$@" >"$OUT" 2>"$ERR" || STATUS=$?
}

mkdata --ball 4 "$E2E_WORK/ball4.toff"
check_equal "a level 4 ball: exit status" 0 "$STATUS"
check_equal "its summary" \
    "$E2E_WORK/ball4.toff: 2562 points, 5120 triangles, 1281 struts, 8961 springs, $(stat -c %s "$E2E_WORK/ball4.toff") bytes" \
    "$(cat "$OUT")"
check_equal "its header" "TOFF" "$(head -n1 "$E2E_WORK/ball4.toff")"
check_equal "its counts" "2562 6401 8961" "$(sed -n 3p "$E2E_WORK/ball4.toff")"

mkdata --ball 3 "$E2E_WORK/ball3.toff"
check "level 3 is the bundled ball, byte for byte" \
    cmp -s "$E2E_WORK/ball3.toff" "$PLIMMERTON_SOURCE_DIR/data/ball.toff"

for level in 0 10 x 3x ""; do
    mkdata --ball "$level" "$E2E_WORK/never.toff"
    check_equal "level '$level': exit status" 1 "$STATUS"
    check_equal "level '$level': the message" \
        "The level must be a whole number from 1 to 9, not \`$level'" "$(cat "$ERR")"
done
check "no file written for a bad level" [ ! -e "$E2E_WORK/never.toff" ]

mkdata --ball 2 "$E2E_WORK/no/such/folder/ball.toff"
check_equal "an unwritable file: exit status" 1 "$STATUS"
check_equal "an unwritable file: the message" \
    "Cannot write \`$E2E_WORK/no/such/folder/ball.toff'" "$(cat "$ERR")"

# The command line's shape is checked before anything is written: a missing or stray argument
# ends it with status 2 (the conventions every tool keeps are in test_conventions.sh).
while IFS='|' read -r args message; do
    # shellcheck disable=SC2086
    mkdata $args
    check_equal "arguments '$args': exit status" 2 "$STATUS"
    check_equal "arguments '$args': the message" \
        "plimmerton-mkdata: $message (try --help)" "$(cat "$ERR")"
done <<'EOF'
|missing FOLDER
--ball|option '--ball' needs a value
--ball 3|missing FILE
a b|unexpected argument 'b'
EOF

finish
