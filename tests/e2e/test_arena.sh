#!/usr/bin/env bash
# The arena in the real window: the pillars wear their marble texture and the cloud ground lies
# under them, whether the working directory holds col.tga (data/) or not (then the marble comes
# from the data folders, without a word on standard error). A plain grey col.tga in the working
# directory is the contrast: it comes first, and the pillars lose their marble.
source "$(dirname "$0")/lib.sh"

args=(-i ball.toff -tex body.tga -m 0.3 -s 85 -d 0.04 -t 0.012)
bare="$E2E_WORK/no-pillar-texture"
grey="$E2E_WORK/grey-pillar-texture"
mkdir -p "$bare" "$grey"
cp "$PLIMMERTON_SOURCE_DIR/data/ball.toff" "$PLIMMERTON_SOURCE_DIR/data/body.tga" "$bare/"
cp "$PLIMMERTON_SOURCE_DIR/data/ball.toff" "$PLIMMERTON_SOURCE_DIR/data/body.tga" "$grey/"
convert -size 64x64 'xc:rgb(190,190,190)' -type TrueColor "$grey/col.tga"

# shoot_start FOLDER FILE: starts the program in FOLDER, waits for its first drawn frame into
# FILE and closes it again.
shoot_start() {
    pushd "$1" >/dev/null || return 1
    start_program "${args[@]}"
    popd >/dev/null || return 1
    local window
    if ! window=$(find_window); then
        fail "a window in $1" "$(cat "$PROGRAM_ERR")"
        return 1
    fi
    activate_window "$window"
    if ! wait_until 30 frame_drawn "$window" "$2"; then
        fail "a first frame drawn in $1"
        return 1
    fi
    close_window
    wait_program 30
    check_equal "closing the window in $1 ends with status 0" 0 "$PROGRAM_STATUS"
}

start_display || exit 1

textured="$E2E_WORK/arena.png"
found="$E2E_WORK/arena-texture-found.png"
plain="$E2E_WORK/arena-grey-texture.png"
shoot_start "$PLIMMERTON_SOURCE_DIR/data" "$textured" || finish
shoot_start "$bare" "$found" || finish
check_equal "without col.tga at hand, nothing about it on standard error" "" \
    "$(grep -i "col.tga\|couldn't\|cannot" "$PROGRAM_ERR")"
shoot_start "$grey" "$plain" || finish

pixel_kinds "$textured"
textured_warm=$WARM
textured_cloud=$CLOUD
pixel_kinds "$found"
found_warm=$WARM
pixel_kinds "$plain"
plain_warm=$WARM

check "the pillars show the marble's warm tint ($textured_warm pixels against $plain_warm with a grey col.tga)" \
    [ "$textured_warm" -gt $((plain_warm * 3 + 8000)) ]
check "started where there is no col.tga, they show it too ($found_warm pixels)" \
    [ "$found_warm" -gt $((plain_warm * 3 + 8000)) ]
check "the cloud ground covers the floor under the arena ($textured_cloud pixels)" \
    [ "$textured_cloud" -gt 4000 ]
check "the view's background stays the window's dark blue ($BACKGROUND pixels)" \
    [ "$BACKGROUND" -gt 20000 ]

finish
