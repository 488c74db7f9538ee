#!/usr/bin/env bash
# Usage: scripts/install-deps.sh
#
# Installs every Debian package needed to build, run and test the program.
# Idempotent: quiet when everything is already there.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"

packages=(
  build-essential cmake clang libclang-rt-14-dev clang-format
  libcoin-dev libsoqt520-dev qtbase5-dev libsimage-dev
  libstb-dev zlib1g-dev libjpeg-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libassimp-dev libmeshoptimizer-dev libssl-dev libtomlplusplus-dev
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libegl-dev ffmpeg xdg-user-dirs
  xvfb xauth openbox xdotool wmctrl imagemagick x11-utils strace
  libgl1-mesa-dri libglu1-mesa-dev libgl-dev libx11-dev
  fonts-dejavu-core linux-perf
  lintian appstream desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
