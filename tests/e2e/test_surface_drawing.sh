#!/usr/bin/env bash
# The body's surface as our strip set draws it against the library's own strip set: the same
# scene rendered offscreen with real OpenGL, compared pixel by pixel for smooth, crumpled and
# sharp bodies, from inside, without texture, translucent, as lines, and in the cases the
# strip set leaves to the library. The pictures and their differences stay in the work folder.
source "$(dirname "$0")/lib.sh"

: "${SURFACE_DRAWING:?the drawing comparison program}"

start_display || exit 1

status=0
"$SURFACE_DRAWING" "$E2E_WORK" >"$PROGRAM_OUT" 2>"$PROGRAM_ERR" || status=$?
while read -r verdict what; do
    case $verdict in
    PASS:) pass "$what" ;;
    FAIL:) fail "$what" ;;
    esac
done <"$PROGRAM_OUT"
if [ "$status" -eq 0 ]; then
    pass "the drawing program ends with status 0"
else
    fail "the drawing program ends with status 0, not $status" "$(tail -n 5 "$PROGRAM_ERR")"
fi

finish
