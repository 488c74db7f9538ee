#!/usr/bin/env bash
# Options and meshes at their edges, in the real window: each run starts the animation, shoots,
# pushes, removes and rebuilds, and must still be running until the window is closed, then end
# with status 0 and no runtime report; a mesh that cannot become a body ends the start with one
# line and status 1.
source "$(dirname "$0")/lib.sh"

# Run from the data folder, where the pillars' texture lies.
cd "$PLIMMERTON_SOURCE_DIR/data" || exit 1
start_display || exit 1

no_runtime_report() {
    ! grep -qE 'runtime error|AddressSanitizer|LeakSanitizer|Segmentation|Aborted' "$PROGRAM_ERR"
}

# mesh_reads COUNT: succeeds once the mesh has been read COUNT times (each read ends with the
# edge count).
mesh_reads() {
    [ "$(grep -c '^A total number of edges: ' "$PROGRAM_ERR")" -eq "$1" ]
}

# exercise NAME ARGS...: runs the program with ARGS through a few seconds of play, then closes
# its window.
exercise() {
    local name=$1 window
    shift
    start_program "$@"
    if ! window=$(find_window); then
        fail "$name: a window" "$(tail -n 5 "$PROGRAM_ERR")"
        kill -9 "$PROGRAM_PID" 2>/dev/null
        return
    fi
    activate_window "$window"
    # Keys reach the window once the help page is out and the first frame drawn.
    wait_until 30 grep -q DOWN_ARROW "$PROGRAM_OUT"
    wait_until 40 frame_drawn "$window" "$E2E_WORK/first-frame.png"
    xdotool key --delay 40 p space Left Up End space w space
    sleep 1.5
    xdotool key --delay 40 t n space Right Down 2 2 1 3
    sleep 1.5
    check "$name: still running after a few seconds of play" kill -0 "$PROGRAM_PID"
    check "$name: N read the mesh again" wait_until 30 mesh_reads 2
    close_window
    wait_program 20
    check_equal "$name: exit status 0 on closing" 0 "$PROGRAM_STATUS"
    check "$name: no runtime report on standard error" no_runtime_report
}

usual=(-d 0.02 -m 1 -s 85 -t 0.012)

# ---- options ---------------------------------------------------------------------------------

exercise "no options but the mesh" -i ball.toff
exercise "-t nan" -i ball.toff -d 0.02 -m 1 -s 85 -t nan
exercise "-t inf" -i ball.toff -d 0.02 -m 1 -s 85 -t inf
exercise "-t -0.012" -i ball.toff -d 0.02 -m 1 -s 85 -t -0.012
exercise "-t 1e30" -i ball.toff -d 0.02 -m 1 -s 85 -t 1e30
exercise "-m nan -s 1e30 -d inf" -i ball.toff -m nan -s 1e30 -d inf -t 0.012
exercise "-m 0 -s -85 -d -1" -i ball.toff -m 0 -s -85 -d -1 -t 0.012
exercise "-m abc -t 0.012abc, missing texture" -i ball.toff -m abc -s 85 -d 0.02 -t 0.012abc \
    -tex "$E2E_WORK/no-such-image.tga"

# ---- meshes ----------------------------------------------------------------------------------

printf 'OFF\n1 0 0\n0 0 0\n' >"$E2E_WORK/single-point.off"
printf 'OFF\n0 0 0\n' >"$E2E_WORK/no-points.off"
printf 'OFF\n3 1 0\n0 0 0\n0 0 0\n0 0 0\n3 0 1 2\n' >"$E2E_WORK/duplicate-points.off"
printf 'OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 0 1\n2 1 2\n' >"$E2E_WORK/zero-length-edge.off"
printf 'OFF\n7 6 12\n0 0 0\n1 0 0\n0.5 0 0.87\n-0.5 0 0.87\n-1 0 0\n-0.5 0 -0.87\n0.5 0 -0.87\n%s' \
    '3 0 1 2 3 0 2 3 3 0 3 4 3 0 4 5 3 0 5 6 3 0 6 1 ' >"$E2E_WORK/seven-points.off"

for mesh in single-point no-points duplicate-points zero-length-edge seven-points; do
    exercise "$mesh mesh" -i "$E2E_WORK/$mesh.off" "${usual[@]}"
done

printf 'OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n1 0\n' >"$E2E_WORK/one-vertex-face.off"
start_program -i "$E2E_WORK/one-vertex-face.off" "${usual[@]}"
wait_program 30
check_equal "face of one vertex: exit status 1" 1 "$PROGRAM_STATUS"
check "face of one vertex: the reason on standard error" grep -qx \
    "Malformed mesh file: face 0 has 1 vertex; a face needs at least 2" "$PROGRAM_ERR"
check "face of one vertex: no help page" [ ! -s "$PROGRAM_OUT" ]

finish
