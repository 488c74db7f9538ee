#!/usr/bin/env bash
# Usage: scripts/stability-check.sh
#
# Measures how the stable time step that plimmerton-sim --stability prints holds up, on the
# bundled ball and three prepared models (cow.off, Wuson.ply, pig.stl; see prepare-check.sh for
# where they come from), at stiffness 50, 300 and 1,000 and point mass 0.3 and 0.5 (damping
# 0.04; heavier, the ball at stiffness 50 sags below 60% of its height whatever the step):
#
#   free body (no floor or pillars), 4,000 ticks at 0.8 times its bound: keeps its shape (every
#     principal extent 60% to 167% of the prepared one); at 1.5 times: does not;
#   in the arena, 4,000 ticks (at least 100 simulated seconds) at 0.6 times the arena's bound:
#     keeps its shape and rests (the kinetic energy of the last tick under 1% of its peak);
#   where each blows up, found by bisection, as a multiple of its bound.
#
# Then the energy: the bundled ball dropped into the arena at the run options comes to rest
# (kinetic energy under 1% of its peak) within 15 simulated seconds, and falling freely its
# total energy never rises above its start by more than 1%; and the materials of the tuning
# panel hold every body in the arena at every time-step level of key 2, with their bounds.
# Exit status 1 when a figure misses.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
source "$(dirname "$0")/lib/models.sh"
answer_help_and_version "$@"
no_options "$@"
cd "$(dirname "$0")/.."
build=$PWD/build
models=$build/models
work=$build/stability-check
mkdir -p "$models" "$work"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target plimmerton-sim plimmerton-prepare plimmerton-shape -j 2 >/dev/null
sim=$build/plimmerton-sim
status=0

# prepared MODEL UP: the body plimmerton-prepare makes of MODEL.
prepared() {
    local body
    body=$work/$(basename "${1%.*}").toff
    [ -f "$body" ] || "$build/plimmerton-prepare" "$1" "$body" --up "$2" >/dev/null 2>&1
    echo "$body"
}
bodies=(
    "$PWD/data/ball.toff"
    "$(prepared "$(package_file libcgal-demo $cgal data/meshes/cow.off)" y)"
    "$(prepared "$(package_file assimp-testmodels $assimp/PLY/Wuson.ply)" y)"
    "$(prepared "$(package_file libcgal-demo $cgal data/meshes/pig.stl)" z)"
)

# bound BODY OPTIONS...: the stable time step printed for them.
bound() {
    local body=$1
    shift
    "$sim" -i "$body" "$@" --stability 2>/dev/null | awk '{ print $4 }'
}
# times FACTOR VALUE
times() { awk -v f="$1" -v v="$2" 'BEGIN { printf "%.6g", f * v }'; }

# keeps BODY OPTIONS...: runs 4,000 ticks with the options and succeeds when the body keeps
# its shape; with -arena it must also rest, and runs on to 100 simulated seconds when 4,000
# ticks are fewer (a heavy body on the floor's soft springs rocks for a minute); with
# shape_only=1, 4,000 ticks and the shape alone. Leaves the energy in $work/energy.csv.
keeps() {
    local body=$1
    shift
    local ticks=4000
    case "${shape_only:-0} $* " in
    "0 "*" -arena "*)
        ticks=$(awk -v t="$(sed -n 's/.* -t \([^ ]*\).*/\1/p' <<<" $* ")" \
            'BEGIN { n = int(100 / t) + 1; print (n > 4000 ? n : 4000) }')
        ;;
    esac
    "$sim" -i "$body" "$@" -n "$ticks" -o "$work/final.toff" --energy "$work/energy.csv" \
        >/dev/null 2>&1 || return 1
    # A blown-up body leaves its extents, or single precision, which its reading refuses.
    { "$build/plimmerton-shape" "$body" "$work/final.toff" 2>/dev/null || true; } |
        sed -n 's/^ratios //p' |
        awk '{ n = NF; for (i = 1; i <= NF; i++) if (!($i >= 0.6 && $i <= 1.67)) n = 0 }
             END { exit !(n == 3) }' || return 1
    case "${shape_only:-0} $* " in
    "0 "*" -arena "*) rests "$work/energy.csv" ;;
    esac
}
# rests CSV: the kinetic energy of the last tick lies under 1% of its peak.
rests() {
    awk -F, 'NR > 1 { if ($3 > peak) peak = $3; last = $3 } END { exit !(last < 0.01 * peak) }' "$1"
}

# blowup BODY BOUND OPTIONS...: the multiple of BOUND between 0.3 and 2 at which the body stops
# keeping its shape over 4,000 ticks, to within 2%, as "low-high".
blowup() {
    local body=$1 at=$2 low=0.3 high=2.0 mid k
    shift 2
    for k in 1 2 3 4 5 6 7; do
        mid=$(awk -v l="$low" -v h="$high" 'BEGIN { printf "%.4f", (l + h) / 2 }')
        if shape_only=1 keeps "$body" "$@" -t "$(times "$mid" "$at")"; then
            low=$mid
        else
            high=$mid
        fi
    done
    echo "$low-$high"
}

echo "== the stable time step against runs (damping 0.04, 4,000 ticks)"
for body in "${bodies[@]}"; do
    for mass in 0.3 0.5; do
        for stiffness in 50 300 1000; do
            options=(-d 0.04 -m "$mass" -s "$stiffness")
            free=$(bound "$body" "${options[@]}")
            arena=$(bound "$body" "${options[@]}" -arena 1)
            verdict="ok"
            keeps "$body" "${options[@]}" -t "$(times 0.8 "$free")" || verdict="MISSED 0.8 free"
            ! keeps "$body" "${options[@]}" -t "$(times 1.5 "$free")" || verdict="MISSED 1.5 free"
            keeps "$body" "${options[@]}" -arena 1 -t "$(times 0.6 "$arena")" ||
                verdict="MISSED 0.6 arena"
            [ "$verdict" = ok ] || status=1
            printf '  %-10s m %-3s s %-4s free %-9s blows up at %-13s arena %-9s at %-13s %s\n' \
                "$(basename "$body" .toff)" "$mass" "$stiffness" "$free" \
                "$(blowup "$body" "$free" "${options[@]}")" "$arena" \
                "$(blowup "$body" "$arena" "${options[@]}" -arena 1)" "$verdict"
        done
    done
done

echo "== energy of the bundled ball at the run options (-d 0.04 -m 0.3 -s 85 -t 0.012)"
ball=$PWD/data/ball.toff
"$sim" -i "$ball" -d 0.04 -m 0.3 -s 85 -t 0.012 -n 1250 -arena 1 --energy "$work/drop.csv" \
    >/dev/null 2>&1
settled=$(awk -F, 'NR > 1 { if ($3 > peak) { peak = $3 } k[NR] = $3; t[NR] = $2 }
    END { for (i = NR; i > 1; i--) if (k[i] >= 0.01 * peak) { print t[i]; exit } print 0 }' \
    "$work/drop.csv")
echo "  dropped into the arena: kinetic energy under 1% of its peak from $settled s on (<= 15)"
awk -v s="$settled" 'BEGIN { exit !(s <= 15) }' || status=1
"$sim" -i "$ball" -d 0.04 -m 0.3 -s 85 -t 0.012 -n 4000 --energy "$work/fall.csv" >/dev/null 2>&1
rise=$(awk -F, 'NR == 2 { start = $6 } NR > 1 && $6 > top { top = $6 }
    END { printf "%.3g", (top - start) / start * 100 }' "$work/fall.csv")
echo "  falling freely for 4,000 ticks: the total's largest rise above its start $rise% (<= 1)"
awk -v r="$rise" 'BEGIN { exit !(r <= 1) }' || status=1

echo "== the panel's materials in the arena at the time steps of key 2 (4,000 ticks)"
while IFS=, read -r name stiffness damping mass; do
    for body in "${bodies[@]}"; do
        options=(-d "$damping" -m "$mass" -s "$stiffness")
        arena=$(bound "$body" "${options[@]}" -arena 1)
        held=""
        for step in 0.012 0.0151 0.0182; do
            if keeps "$body" "${options[@]}" -arena 1 -t "$step" &&
                awk -v b="$arena" -v t="$step" 'BEGIN { exit !(t < b) }'; then
                held="$held $step"
            else
                held="$held MISSED:$step"
                status=1
            fi
        done
        printf '  %-7s %-10s stable up to %-9s holds at%s\n' "$name" \
            "$(basename "$body" .toff)" "$arena" "$held"
    done
done < <(sed -n 's/^ *{"\([a-z]*\)", \([0-9.]*\)f, \([0-9.]*\)f, \([0-9.]*\)f},$/\1,\2,\3,\4/p' \
    control/TuningPanel.cpp)
exit $status
