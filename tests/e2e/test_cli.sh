#!/usr/bin/env bash
# The command line of the real program, before any window is opened: the missing-file
# message and the usage page. Needs no display.
set -euo pipefail

program=${PLIMMERTON:?set PLIMMERTON to the plimmerton executable}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0

# run NAME ARGS...: runs the program with ARGS, keeping its standard output, standard error
# and exit status for the checks that follow.
run() {
    name=$1
    shift
    set +e
    # No display: a case that reaches the window by mistake fails instead of opening one.
    env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$@" >"$work/out" 2>"$work/err"
    status=$?
    set -e
}

check() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" == "$actual" ]; then
        return 0
    fi
    echo "FAIL $name: $what"
    echo "  expected: $(printf '%q' "$expected")"
    echo "  actual:   $(printf '%q' "$actual")"
    return 1
}

expect() {
    local expectedStatus=$1 expectedOut=$2 expectedErr=$3
    local ok=0
    check "exit status" "$expectedStatus" "$status" || ok=1
    check "standard output" "$expectedOut" "$(cat "$work/out"; echo .)" || ok=1
    check "standard error" "$expectedErr" "$(cat "$work/err"; echo .)" || ok=1
    if [ $ok -eq 0 ]; then
        echo "ok   $name"
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
}

# The trailing dot keeps the final newline in the comparison.
run "no arguments"
expect 1 "." "File \`' does not exist!
."

run "-i without a value" -d 0.02 -i
expect 1 "." "File \`' does not exist!
."

run "missing mesh file" -i "$work/no-such-body.off" -t 0.012
expect 1 "." "File \`$work/no-such-body.off' does not exist!
."

run "mesh given twice, first missing" -i "$work/missing.off" -i "$work/other.off"
expect 1 "." "File \`$work/missing.off' does not exist!
."

for flag in --help -h; do
    run "usage with $flag" "$flag"
    check "exit status" 0 "$status" && status_ok=1 || status_ok=0
    usage=$(cat "$work/out")
    problems=""
    [ -s "$work/err" ] && problems+=" standard error not empty;"
    [[ "$usage" == "Usage: plimmerton "* ]] || problems+=" no usage line;"
    for option in -i -d -m -s -t -tex; do
        grep -q -- "^  $option " "$work/out" || problems+=" option $option not described;"
    done
    grep -q -- "^  plimmerton -i data/" "$work/out" || problems+=" no example with bundled data;"
    if [ $status_ok -eq 1 ] && [ -z "$problems" ]; then
        echo "ok   $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name:$problems"
        sed 's/^/  | /' "$work/out" "$work/err"
        failed=$((failed + 1))
    fi
done

# The usage example must name files that ship with the program.
run "usage example names bundled files" --help
example=$(grep -- "^  plimmerton -i " "$work/out" || true)
problems=""
[ -n "$example" ] || problems+=" no example;"
for option in -i -tex; do
    file=$(sed -n "s/.* $option \([^ ]*\).*/\1/p" <<<"$example")
    [ -n "$file" ] && [ -f "$file" ] || problems+=" $option file '$file' missing;"
done
if [ -z "$problems" ]; then
    echo "ok   $name"
    passed=$((passed + 1))
else
    echo "FAIL $name:$problems"
    failed=$((failed + 1))
fi

# A usage request among other arguments is no usage request: the mesh is still required.
run "--help with other arguments" -i "$work/none.off" --help
expect 1 "." "File \`$work/none.off' does not exist!
."

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
