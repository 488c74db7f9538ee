#!/usr/bin/env bash
# Usage: scripts/prepare-cached.sh MODEL [plimmerton-prepare options]
#
# Prints the path of a body file made from MODEL by plimmerton-prepare with the given options,
# preparing it only the first time: the bodies are kept in build/prepared (or in
# $PLIMMERTON_PREPARED when set), named after a hash of the model's bytes, the options and
# the tool itself, so a changed model, other options or a rebuilt tool give a new body. What the
# tool says goes to standard error; a model it refuses ends the script with its status. The
# options after MODEL are the tool's, and the tool judges them; only --help and --version are
# the script's.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
case ${1:-} in
"") refuse "missing MODEL" ;;
-?*) refuse "unknown option '$1'" ;;
esac
model=$1
shift
tool=$root/build/plimmerton-prepare
if [ ! -x "$tool" ]; then
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build" --target plimmerton-prepare -j 2 >/dev/null
fi
if [ ! -r "$model" ] || [ -d "$model" ]; then
    # The tool names the problem in its own words.
    "$tool" "$model" /dev/null "$@" >&2
    exit 1
fi
cache=${PLIMMERTON_PREPARED:-$root/build/prepared}
key=$({
    sha256sum <"$model"
    printf '%s\n' "$@"
    sha256sum <"$tool"
} | sha256sum | cut -c1-32)
body=$cache/$key.toff
if [ ! -f "$body" ]; then
    mkdir -p "$cache"
    # The tool writes the body whole or not at all, so a run that is stopped leaves no body
    # that a later one would take for finished.
    "$tool" "$model" "$body" "$@" >&2
fi
echo "$body"
