#!/usr/bin/env bash
# Usage: scripts/prepare-check.sh [MODEL ...]
#
# Prepares real models with plimmerton-prepare's defaults and runs each body in the arena for
# 4,000 ticks with the run script's options and at the other key levels (stiffness 50 and 120,
# time steps 0.0151 and 0.0182), and beyond them at damping 0.02 and 0.06 and with the
# stiffest, longest step and the least damping together. For each run it prints the principal extents after the run as a
# share of the prepared body's, the lowest point's height above the floor, and whether every
# point is finite and inside the arena; then the time and peak memory of preparing each model.
#
# Without arguments it takes the models listed below from Debian packages (assimp-testmodels,
# libcgal-demo, cura), fetching the packages with apt-get download when they are not
# installed, and unpacking only the model files into build/models. Nothing is committed.
# Exit status 1 when a chosen model misses a figure at a key level.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
source "$(dirname "$0")/lib/models.sh"
answer_help_and_version "$@"
no_options "$@"
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build
models=$build/models
work=$build/prepare-check
mkdir -p "$models" "$work"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton-sim plimmerton-prepare plimmerton-shape -j 2 >/dev/null

# The bundled ball made finer (163,842 points), as a plain OFF file: the largest model here
# by distinct points, for the time and memory of preparing.
fine_ball() {
    local ball=$models/ball-level7.off
    if [ ! -f "$ball" ]; then
        cmake --build "$build" --target plimmerton-mkdata -j 2 >/dev/null
        "$build/plimmerton-mkdata" --ball 7 "$models/ball-level7.toff" >/dev/null
        awk 'NR == 1 { next } /^#/ { next }
             !counts { n = $1; counts = 1; next }
             n > 0 { points[++p] = $1 " " $2 " " $3; n--; next }
             $1 == 3 { faces[++f] = $0 }
             END { print "OFF"; print p, f, 0
                   for (i = 1; i <= p; i++) print points[i]
                   for (i = 1; i <= f; i++) print faces[i] }' \
            "$models/ball-level7.toff" >"$ball"
    fi
    echo "$ball"
}

# Models the figures must hold on, one of each kind users bring: a closed
# scan, a scan with holes, an open surface (a teapot), z-up STL files, four-legged animals,
# a model of more than 100,000 vertices in its file, and OBJ, PLY, glTF. Then models measured only to show
# where the bracing reaches its limits (status 0 whatever they give).
chosen=()
extra=()
if [ $# -gt 0 ]; then
    chosen=("$@")
else
    chosen=(
        "$(package_file assimp-testmodels $assimp/PLY/Wuson.ply)"
        "$(package_file assimp-testmodels $assimp/OBJ/WusonOBJ.obj)"
        "$(package_file libcgal-demo $cgal data/meshes/armadillo.off)"
        "$(package_file libcgal-demo $cgal data/meshes/elephant-with-holes.off)"
        "$(package_file assimp-testmodels $assimp/Collada/teapot_instancenodes.DAE)"
        "$(package_file libcgal-demo $cgal data/meshes/pig.stl)"
        "$(package_file libcgal-demo $cgal data/meshes/cow.off)"
        "$(package_file libcgal-demo $cgal data/meshes/elephant.off)"
        "$(package_file assimp-testmodels $assimp/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb)"
        "$(package_file cura /usr/share/cura/resources/meshes/UltimakerRobot_support.stl)"
    )
    extra=(
        "$(package_file libcgal-demo $cgal data/meshes/bunny00.off)"
        "$(package_file assimp-testmodels $assimp/OBJ/spider.obj)"
        "$(package_file assimp-testmodels $assimp/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb)"
        "$(fine_ball)"
    )
fi

# The run script's options, then the other key levels of stiffness and time step; then, beyond
# what the figures must hold at, the other damping levels and the stiffest, longest step with
# the least damping together.
levels=(
    "-m 0.3 -s 85 -d 0.04 -t 0.012"
    "-m 0.3 -s 50 -d 0.04 -t 0.012"
    "-m 0.3 -s 120 -d 0.04 -t 0.012"
    "-m 0.3 -s 85 -d 0.04 -t 0.0151"
    "-m 0.3 -s 85 -d 0.04 -t 0.0182"
)
beyond=(
    "-m 0.3 -s 85 -d 0.02 -t 0.012"
    "-m 0.3 -s 85 -d 0.06 -t 0.012"
    "-m 0.3 -s 120 -d 0.02 -t 0.0182"
)

# z-up models, by name.
up_of() {
    case "$(basename "$1")" in
    pig.stl | UltimakerRobot_support.stl) echo z ;;
    *) echo y ;;
    esac
}

status=0
timings=()
# measure MODEL REQUIRED: prepares MODEL and runs it at every level; REQUIRED 1 when a missed
# figure at one of the key levels fails the script.
measure() {
    local model=$1 required=$2
    local name body up
    name=$(basename "$model")
    body=$work/${name%.*}.toff
    up=$(up_of "$model")
    echo "== $name (--up $up)$([ "$required" = 1 ] || echo ', beyond the figures to hold')"
    /usr/bin/time -v -o "$work/time.txt" "$build/plimmerton-prepare" "$model" "$body" --up "$up"
    local seconds kbytes
    seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
    kbytes=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    timings+=("$name: prepared in $seconds (wall clock), peak memory $((kbytes / 1024)) MB")
    local level key figures
    for level in "${levels[@]}" "${beyond[@]}"; do
        key=1
        for other in "${beyond[@]}"; do
            [ "$level" != "$other" ] || key=0
        done
        # shellcheck disable=SC2086 # the level is a list of options
        if ! "$build/plimmerton-sim" -i "$body" $level -n 4000 -arena 1 -o "$work/final.toff" \
            >/dev/null 2>"$work/sim.err"; then
            echo "  $level: the run failed: $(tail -n 1 "$work/sim.err")"
            [ "$required$key" != 11 ] || status=1
            continue
        fi
        figures=$("$build/plimmerton-shape" "$body" "$work/final.toff") ||
            [ "$required$key" != 11 ] || status=1
        echo "  $level: extents $(sed -n 's/^ratios //p' <<<"$figures")," \
            "lowest point $(sed -n 's/^lowest above floor //p' <<<"$figures") above the floor," \
            "finite and inside: $(sed -n 's/^finite and inside //p' <<<"$figures")," \
            "holds: $(sed -n 's/^holds //p' <<<"$figures")$([ "$key" = 1 ] || echo ' (beyond)')"
    done
}
for model in "${chosen[@]}"; do
    measure "$model" 1
done
for model in "${extra[@]}"; do
    measure "$model" 0
done
echo "== preparing"
printf '  %s\n' "${timings[@]}"
exit $status
