#!/usr/bin/env bash
# Mesh files that cannot become a body. The mesh is read after the window has opened, so these
# run on a display too.
source "$(dirname "$0")/lib.sh"

start_display || exit 1

# run_mesh FILE: runs the program on the mesh and waits for it to end by itself.
run_mesh() {
    start_program -i "$1" -d 0.02 -m 1 -s 85 -t 0.012
    wait_program 30
}

# A text that is no model: the reader's refusal, with the word it found.
printf 'Dear reader,\nthis is no mesh.\n' >"$E2E_WORK/notes.txt"
run_mesh "$E2E_WORK/notes.txt"
check_equal "wrong keyword: exit status 1" 1 "$PROGRAM_STATUS"
check "wrong keyword: the message on standard error" \
    grep -qx "No OFF- or TRIANGULATION-File !" "$PROGRAM_ERR"
check "wrong keyword: the word found" grep -qxF "The file begins with \"Dear\", which is not OFF \
or TOFF" "$PROGRAM_ERR"
check "wrong keyword: no help page" [ ! -s "$PROGRAM_OUT" ]

# A model of another form that cannot be read twice, to be told apart and prepared: the reader
# refuses it and names the conversion (a file of it is prepared, test_open_models.sh).
mkfifo "$E2E_WORK/wrong-keyword.off"
printf 'COFF\n4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 3\n3 1 2 3\n3 0 2 3\n' \
    >"$E2E_WORK/wrong-keyword.off" &
E2E_PIDS+=($!)
run_mesh "$E2E_WORK/wrong-keyword.off"
check_equal "a model through a pipe: exit status 1" 1 "$PROGRAM_STATUS"
check "a model through a pipe: the conversion named for the file" grep -qxF "The file begins \
with \"COFF\", which is not OFF or TOFF; a model of another kind becomes a body with: \
plimmerton-prepare $E2E_WORK/wrong-keyword.off $E2E_WORK/wrong-keyword.toff" "$PROGRAM_ERR"

# Named as the plain argument, an endless device and a folder are read as they are, as -i reads
# them, and refused at once.
for named in /dev/zero "$E2E_WORK"; do
    start_program "$named" -d 0.02 -m 1 -s 85 -t 0.012
    wait_program 30
    check_equal "plimmerton $named: exit status 1" 1 "$PROGRAM_STATUS"
    check "plimmerton $named: the reader's refusal" \
        grep -qx "No OFF- or TRIANGULATION-File !" "$PROGRAM_ERR"
done

# A face names a vertex that the file does not have.
printf 'OFF\n4 2 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n3 0 1 7\n' >"$E2E_WORK/bad-index.off"
# The file ends in the middle of the vertex list.
printf 'OFF\n8 6 12\n0 0 0\n1 0 0\n1 1' >"$E2E_WORK/truncated.off"

for name in bad-index truncated; do
    run_mesh "$E2E_WORK/$name.off"
    check_equal "$name: exit status 1" 1 "$PROGRAM_STATUS"
    check_equal "$name: one line starting 'Malformed mesh file: '" 1 \
        "$(grep -c '^Malformed mesh file: ' "$PROGRAM_ERR")"
    check "$name: no help page" [ ! -s "$PROGRAM_OUT" ]
done

finish
