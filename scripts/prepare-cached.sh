#!/usr/bin/env bash
# Usage: scripts/prepare-cached.sh MODEL [plimmerton-prepare options]
#
# Prints the path of a body file made from MODEL by plimmerton-prepare with the given options,
# preparing it only the first time: the bodies are kept in $XDG_CACHE_HOME/plimmerton
# (~/.cache/plimmerton by default; $PLIMMERTON_PREPARED instead when set), named after a hash of
# the model's bytes, the options and the tool itself, so a changed model, other options or a
# rebuilt tool give a new body; common/PreparedBodies.h gives the program the same folder and
# names. The model's own picture, when the tool took one, lies beside the body KEY.toff as
# KEY.toff.png, KEY.toff.jpg or KEY.toff.tga. What the tool says goes to standard error; a model
# it refuses ends the script with its status. The options after MODEL are the tool's, and the
# tool judges them; only --help and --version are the script's.
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
# A relative $XDG_CACHE_HOME is ignored, as the base directory conventions ask.
cache_home=${XDG_CACHE_HOME:-}
[[ "$cache_home" == /* ]] || cache_home=$HOME/.cache
cache=${PLIMMERTON_PREPARED:-$cache_home/plimmerton}
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
