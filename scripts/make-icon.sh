#!/usr/bin/env bash
# Usage: scripts/make-icon.sh
#
# Makes the desktop icon, packaging/plimmerton.png, from the program's own picture: the body
# among the pillars, cropped from the README's screenshot (docs/screenshot.png) and scaled to
# 128 x 128 pixels. Run it after a new screenshot; the same screenshot gives the same bytes.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

convert docs/screenshot.png -crop 180x180+165+150 +repage -resize 128x128 -colors 128 \
    -strip -define png:exclude-chunks=date,time packaging/plimmerton.png
echo "packaging/plimmerton.png: $(identify -format '%wx%h, %b' packaging/plimmerton.png)"
