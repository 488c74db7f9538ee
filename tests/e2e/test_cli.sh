#!/usr/bin/env bash
# The command line of the real program before any window opens: the missing-file message and
# the usage page. Needs no display; DISPLAY is cleared so that a case that reaches the window
# by mistake ends with a wrong status instead of opening one.
set -e
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

# run ARGS...: runs the program to its end; OUT, ERR and STATUS hold what it left. A dot
# after each output keeps its final newline in the comparisons.
run() {
    STATUS=0
    "$PLIMMERTON" "$@" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" || STATUS=$?
    OUT=$(cat "$PROGRAM_OUT"; echo .)
    ERR=$(cat "$PROGRAM_ERR"; echo .)
}

# expect_missing NAME FILE ARGS...: the program, run with ARGS, reports FILE as missing.
expect_missing() {
    local name=$1 file=$2
    shift 2
    run "$@"
    check_equal "$name: exit status" 1 "$STATUS"
    check_equal "$name: standard output" "." "$OUT"
    check_equal "$name: standard error" "File \`$file' does not exist!
." "$ERR"
}

# No body named at all: the missing-file message with an empty name, and a line that says how to
# name one.
expect_unnamed() {
    local name=$1
    shift
    run "$@"
    check_equal "$name: exit status" 1 "$STATUS"
    check_equal "$name: standard output" "." "$OUT"
    check_equal "$name: standard error" "File \`' does not exist!
Name the body: plimmerton MODEL [OPTIONS] or plimmerton -i MODEL [OPTIONS], MODEL a body or \
model file; see plimmerton --help
." "$ERR"
}

expect_unnamed "no arguments"
expect_unnamed "-i without a value" -d 0.02 -i
expect_unnamed "an option's value is no model" -tex "$PLIMMERTON_SOURCE_DIR/data/ball.toff"
expect_missing "a missing model named as a plain argument" "$E2E_WORK/cow.obj" \
    "$E2E_WORK/cow.obj" -s 85
expect_missing "missing mesh file" "$E2E_WORK/no-such-body.off" -i "$E2E_WORK/no-such-body.off" -t 0.012
expect_missing "first of two -i missing" "$E2E_WORK/missing.off" \
    -i "$E2E_WORK/missing.off" -i "$PLIMMERTON_SOURCE_DIR/data/ball.toff"
expect_missing "--help among other arguments" "$E2E_WORK/none.off" -i "$E2E_WORK/none.off" --help
expect_missing "--version among other arguments" "$E2E_WORK/none.off" -i "$E2E_WORK/none.off" \
    --version

run --version
version=$(sed -n 's/^project(Plimmerton VERSION \([0-9.]*\).*/\1/p' "$PLIMMERTON_SOURCE_DIR/CMakeLists.txt")
check_equal "--version: standard output" "plimmerton $version
." "$OUT"
check_equal "--version: exit status and standard error" "0 ." "$STATUS $ERR"

for flag in --help -h; do
    run "$flag"
    check_equal "$flag: exit status" 0 "$STATUS"
    check_equal "$flag: standard error" "." "$ERR"
    check "$flag: usage line first" grep -q "^Usage: plimmerton " <(head -n1 "$PROGRAM_OUT")
    for option in -i -d -m -s -t -tex; do
        check "$flag: option $option described" grep -q -- "^  $option " "$PROGRAM_OUT"
    done
done

# The example in the usage page runs on files that ship with the program.
run --help
example=$(grep -- "^  plimmerton -i " "$PROGRAM_OUT" || true)
check "usage has an example" [ -n "$example" ]
for option in -i -tex; do
    file=$(sed -n "s/.* $option \([^ ]*\).*/\1/p" <<<"$example")
    check "usage example: $option names a bundled file ($file)" \
        [ -f "$PLIMMERTON_SOURCE_DIR/$file" ]
done

finish
