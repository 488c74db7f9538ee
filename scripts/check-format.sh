#!/usr/bin/env bash
# Checks that every C++ source of the project follows .clang-format; names the files that do
# not and ends with status 1. With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h|--help)
    echo "Usage: scripts/check-format.sh [--fix]"
    echo "Checks the C++ sources against .clang-format (with --fix: formats them in place)."
    exit 0 ;;
  --fix|"") ;;
  *) echo "check-format.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac
mapfile -t sources < <(find common mpsystem balls arena appstate app control tools tests bench fuzz \
  \( -name '*.cpp' -o -name '*.h' \) -type f | sort)
if [ "${1:-}" = --fix ]; then
  clang-format -i "${sources[@]}"
else
  clang-format --dry-run -Werror "${sources[@]}"
fi
