#!/usr/bin/env bash
# Regenerates the bundled bodies and textures in data/ with plimmerton-mkdata (built first).
# Run it after changing a generator in tools/; the tools tests fail while data/ is stale.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build >/dev/null
cmake --build build --target plimmerton-mkdata -j 2
build/plimmerton-mkdata data
