# The command line every script of ours keeps, as the tools do. Source it first thing; it
# starts nothing by itself.
#
# --help (or -h) prints the script's opening comment, which begins with its usage line, on
# standard output; --version prints the script's name and the project's version; both end the
# script with status 0 before it does anything else. An unknown option or a stray or missing
# argument is refused with one line on standard error that names it and points to --help,
# status 2.

SCRIPT_PATH=${BASH_SOURCE[1]}
SCRIPT_NAME=$(basename "$SCRIPT_PATH")

# The project's version, from the one place that sets it.
project_version() {
    sed -n 's/^project(Plimmerton VERSION \([^ )]*\).*/\1/p' \
        "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt"
}

# refuse WHAT: the one line and status 2.
refuse() {
    echo "$SCRIPT_NAME: $1 (try --help)" >&2
    exit 2
}

# answer_help_and_version ARGS...: answers --help and --version wherever they stand.
answer_help_and_version() {
    local argument
    for argument in "$@"; do
        case $argument in
        --help | -h)
            awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$SCRIPT_PATH"
            exit 0
            ;;
        --version)
            echo "$SCRIPT_NAME $(project_version)"
            exit 0
            ;;
        esac
    done
}

# no_options ARGS...: refuses the first argument that looks like an option.
no_options() {
    local argument
    for argument in "$@"; do
        case $argument in
        -?*) refuse "unknown option '$argument'" ;;
        esac
    done
}

# at_most_operands COUNT ARGS...: refuses any option and more than COUNT other arguments.
at_most_operands() {
    local most=$1 argument count=0
    shift
    no_options "$@"
    for argument in "$@"; do
        count=$((count + 1))
        if [ "$count" -gt "$most" ]; then
            refuse "unexpected argument '$argument'"
        fi
    done
}
