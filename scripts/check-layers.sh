#!/usr/bin/env bash
# Usage: scripts/check-layers.sh
#
# Checks that every library includes only the libraries below it (docs/architecture.md): names
# each include that reaches sideways or up, and ends with status 1 if there is one.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"
cd "$(dirname "$0")/.."

# Folder, then the folders its includes may name (its own included). A folder's sub-folder is a
# library of its own, checked on its own line.
layers=(
  "common:common"
  "video:video"
  "offscreen:offscreen"
  "image:image"
  "mpsystem:common mpsystem"
  "mpsystem/surface:common image mpsystem mpsystem/surface"
  "balls:common mpsystem balls"
  "arena:common image balls arena"
  "scenefile:common scenefile"
  "appstate:common mpsystem balls appstate"
  "control:common image video offscreen mpsystem mpsystem/surface balls arena scenefile appstate control"
  "app:common image video offscreen mpsystem mpsystem/surface balls arena scenefile appstate control app"
  "generators:generators"
  "bodyoutput:common mpsystem bodyoutput"
  "prepare:common image mpsystem generators prepare"
  "programs:common image mpsystem balls arena scenefile appstate control app generators bodyoutput prepare programs"
)

faults=0
for layer in "${layers[@]}"; do
  folder=${layer%%:*}
  allowed=" ${layer#*:} "
  for file in "$folder"/*.cpp "$folder"/*.h; do
    [ -e "$file" ] || continue
    while IFS= read -r included; do
      target=$(dirname "$included")
      if [[ "$allowed" != *" $target "* ]]; then
        echo "$file includes $included: $folder may use only${allowed% }"
        faults=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done
done
exit $faults
