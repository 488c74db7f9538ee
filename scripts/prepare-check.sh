#!/usr/bin/env bash
# Usage: scripts/prepare-check.sh [MODEL ...]
# Prepares real models with plimmerton-prepare's defaults and runs each body in the arena for
# 4,000 ticks with the run script's options and at the other key levels (stiffness 50 and 120,
# time steps 0.0151 and 0.0182, damping 0.02 and 0.06, and the stiffest, longest step with the
# least damping together). For each run it prints the principal extents after the run as a
# share of the prepared body's, the lowest point's height above the floor, and whether every
# point is finite and inside the arena; then the time and peak memory of preparing each model.
#
# Without arguments it takes the models listed below from Debian packages (assimp-testmodels,
# libcgal-demo, cura), fetching the packages with apt-get download when they are not
# installed, and unpacking only the model files into build/models. Nothing is committed.
# Exit status 1 when any run misses a figure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build
models=$build/models
work=$build/prepare-check
mkdir -p "$models" "$work"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton-sim plimmerton-prepare plimmerton-shape -j 2 >/dev/null

# A file of a Debian package: the installed one, else unpacked from the package's archive.
# A third argument names a tar.gz inside the package that holds the file.
package_file() {
    local package=$1 path=$2 inner=${3:-}
    if [ -z "$inner" ] && [ -f "$path" ]; then
        echo "$path"
        return
    fi
    local unpacked=$models/$package
    if [ ! -d "$unpacked" ]; then
        (cd "$models" && apt-get download "$package" >/dev/null 2>&1) || {
            echo "cannot fetch the package $package" >&2
            return 1
        }
        mkdir -p "$unpacked"
        dpkg-deb -x "$models/${package}"_*.deb "$unpacked"
    fi
    if [ -n "$inner" ]; then
        local archive=$path
        [ -f "$archive" ] || archive=$unpacked$path
        local dest=$models/$package-inner
        if [ ! -f "$dest/$inner" ]; then
            mkdir -p "$dest"
            tar -xzf "$archive" -C "$dest" "$inner"
        fi
        echo "$dest/$inner"
    else
        echo "$unpacked$path"
    fi
}

assimp=/usr/share/assimp/models
cgal=/usr/share/doc/libcgal-dev/data.tar.gz
if [ $# -gt 0 ]; then
    list=("$@")
else
    list=(
        "$(package_file assimp-testmodels $assimp/PLY/Wuson.ply)"
        "$(package_file libcgal-demo $cgal data/meshes/bunny00.off)"
        "$(package_file libcgal-demo $cgal data/meshes/elephant-with-holes.off)"
        "$(package_file assimp-testmodels $assimp/Collada/teapot_instancenodes.DAE)"
        "$(package_file libcgal-demo $cgal data/meshes/pig.stl)"
        "$(package_file libcgal-demo $cgal data/meshes/cow.off)"
        "$(package_file libcgal-demo $cgal data/meshes/elephant.off)"
        "$(package_file assimp-testmodels $assimp/OBJ/spider.obj)"
        "$(package_file assimp-testmodels $assimp/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb)"
        "$(package_file cura /usr/share/cura/resources/meshes/UltimakerRobot_support.stl)"
    )
fi

levels=(
    "-m 0.3 -s 85 -d 0.04 -t 0.012"
    "-m 0.3 -s 50 -d 0.04 -t 0.012"
    "-m 0.3 -s 120 -d 0.04 -t 0.012"
    "-m 0.3 -s 85 -d 0.04 -t 0.0151"
    "-m 0.3 -s 85 -d 0.04 -t 0.0182"
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
for model in "${list[@]}"; do
    name=$(basename "$model")
    body=$work/${name%.*}.toff
    up=$(up_of "$model")
    echo "== $name (--up $up)"
    /usr/bin/time -v -o "$work/time.txt" "$build/plimmerton-prepare" "$model" "$body" --up "$up"
    seconds=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
    kbytes=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
    timings+=("$name: prepared in $seconds (wall clock), peak memory $((kbytes / 1024)) MB")
    for level in "${levels[@]}"; do
        # shellcheck disable=SC2086 # the level is a list of options
        "$build/plimmerton-sim" -i "$body" $level -n 4000 -arena 1 -o "$work/final.toff" \
            >/dev/null 2>"$work/sim.err" || {
            echo "  $level: the run failed: $(tail -n 1 "$work/sim.err")"
            status=1
            continue
        }
        figures=$("$build/plimmerton-shape" "$body" "$work/final.toff") || status=1
        ratios=$(sed -n 's/^ratios //p' <<<"$figures")
        lowest=$(sed -n 's/^lowest above floor //p' <<<"$figures")
        inside=$(sed -n 's/^finite and inside //p' <<<"$figures")
        holds=$(sed -n 's/^holds //p' <<<"$figures")
        echo "  $level: extents $ratios, lowest point $lowest above the floor," \
            "finite and inside: $inside, holds: $holds"
    done
done
echo "== preparing"
printf '  %s\n' "${timings[@]}"
exit $status
