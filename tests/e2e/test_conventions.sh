#!/usr/bin/env bash
# The command line every tool and every script of ours keeps: --help (or -h) prints the usage
# on standard output, --version the name and the project's version, both with status 0; an
# unknown option or a missing or stray argument is refused with one line on standard error that
# names it and points to --help, status 2. None of these builds, installs or runs anything.
source "$(dirname "$0")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY

version=$(sed -n 's/^project(Plimmerton VERSION \([^ )]*\).*/\1/p' \
    "$PLIMMERTON_SOURCE_DIR/CMakeLists.txt")
check "the project names its version" [ -n "$version" ]

# run COMMAND...: runs it to its end; OUT, ERR and STATUS hold what it left.
run() {
    STATUS=0
    "$@" >"$E2E_WORK/stdout" 2>"$E2E_WORK/stderr" </dev/null || STATUS=$?
    OUT=$(cat "$E2E_WORK/stdout")
    ERR=$(cat "$E2E_WORK/stderr")
}

# refused WHAT NAME LINE COMMAND...: the command ends with status 2, LINE (after "NAME: ") and
# the hint on standard error, nothing on standard output.
refused() {
    local what=$1 name=$2 line=$3
    shift 3
    run "$@"
    check_equal "$what: status" 2 "$STATUS"
    check_equal "$what: one line on standard error" "$name: $line (try --help)" "$ERR"
    check_equal "$what: nothing on standard output" "" "$OUT"
}

# answers NAME COMMAND...: --help, -h and --version.
answers() {
    local name=$1 flag
    shift
    for flag in --help -h; do
        run "$@" "$flag"
        check_equal "$name $flag: status" 0 "$STATUS"
        check "$name $flag: the usage line first, on standard output" \
            grep -q "^Usage: " <(head -n1 <<<"$OUT")
        check_equal "$name $flag: nothing on standard error" "" "$ERR"
    done
    # A tool may name the libraries it uses after its version, in brackets.
    run "$@" --version
    check_equal "$name --version: status" 0 "$STATUS"
    check_equal "$name --version: name and version" "$name $version" "${OUT% (*)}"
}

# The tools: the common cases, then each one's own missing and stray arguments.
tools=(plimmerton-sim plimmerton-mkdata plimmerton-prepare plimmerton-shape plimmerton-bench)
for tool in "${tools[@]}"; do
    check "$tool was built" [ -x "$PLIMMERTON_BINARY_DIR/$tool" ]
    answers "$tool" "$PLIMMERTON_BINARY_DIR/$tool"
    refused "$tool: unknown option" "$tool" "unknown option '--no-such-option'" \
        "$PLIMMERTON_BINARY_DIR/$tool" --no-such-option
done
while IFS='|' read -r tool args line; do
    # shellcheck disable=SC2086
    refused "$tool $args" "$tool" "$line" "$PLIMMERTON_BINARY_DIR/$tool" $args
done <<'CASES'
plimmerton-sim|-i|option '-i' needs a value
plimmerton-sim|-i ball.toff -n|option '-n' needs a value
plimmerton-sim|-d 0.1 -t 0.012|missing option -i MESH
plimmerton-sim|-i ball.toff stray|unexpected argument 'stray'
plimmerton-mkdata||missing FOLDER
plimmerton-mkdata|--ball|option '--ball' needs a value
plimmerton-mkdata|--ball 3|missing FILE
plimmerton-mkdata|folder stray|unexpected argument 'stray'
plimmerton-prepare|model.obj|give a model file and an output file
plimmerton-prepare|model.obj body.toff --points|option '--points' needs a value
plimmerton-shape|prepared.toff|missing FINAL.toff
plimmerton-shape|prepared.toff final.toff stray|unexpected argument 'stray'
plimmerton-bench|stray|unexpected argument 'stray'
CASES

# Every script.
for script in "$PLIMMERTON_SOURCE_DIR"/scripts/*.sh; do
    name=$(basename "$script")
    answers "$name" bash "$script"
    refused "$name: unknown option" "$name" "unknown option '--no-such-option'" \
        bash "$script" --no-such-option
done
while IFS='|' read -r name args line; do
    # shellcheck disable=SC2086
    refused "$name $args" "$name" "$line" bash "$PLIMMERTON_SOURCE_DIR/scripts/$name" $args
done <<'CASES'
check-format.sh|--fix stray|unexpected argument 'stray'
run.sh|-s|option '-s' needs a value
run.sh|cow.obj pig.stl|unexpected argument 'pig.stl'
run.sh|cow.obj -i ball.toff|a MODEL and -i both name the body
check-layers.sh|stray|unexpected argument 'stray'
fuzz.sh|60 mesh stray|unknown fuzz target 'stray', not mesh, image or scene
fuzz-prepare.sh|60 stray|unexpected argument 'stray'
prepare-cached.sh||missing MODEL
install-deps.sh|stray|unexpected argument 'stray'
make-data.sh|stray|unexpected argument 'stray'
make-icon.sh|stray|unexpected argument 'stray'
test.sh|stray|unexpected argument 'stray'
window-rate.sh|7 10 stray|unexpected argument 'stray'
bodies-rate.sh|20 3000 stray|unexpected argument 'stray'
bench.sh|stray|unexpected argument 'stray'
CASES

finish
