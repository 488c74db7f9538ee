#!/usr/bin/env bash
# Usage: scripts/check-format.sh [--fix]
#
# Checks that every C++ source of the project follows .clang-format; names the files that do
# not and ends with status 1. With --fix, formats them instead.
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
if [ "${1:-}" = --fix ]; then
  at_most_operands 0 "${@:2}"
else
  at_most_operands 0 "$@"
fi
cd "$(dirname "$0")/.."
mapfile -t sources < <(find common video offscreen mpsystem balls arena scenefile appstate app control generators bodyoutput \
  programs tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -type f | sort)
if [ "${1:-}" = --fix ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run -Werror "${sources[@]}"
fi
