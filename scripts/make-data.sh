#!/usr/bin/env bash
# Usage: scripts/make-data.sh
#
# Regenerates the bundled bodies and textures in data/ with plimmerton-mkdata (built first).
# Run it after changing a generator in generators/; the generators tests fail while data/ is
# stale.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build >/dev/null
cmake --build build --target plimmerton-mkdata -j 2
build/plimmerton-mkdata data
