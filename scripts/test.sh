#!/usr/bin/env bash
# Usage: scripts/test.sh
#
# Builds everything and runs every test: unit, in-process scene and end-to-end (real window
# under a virtual display), then fuzzes the mesh reader, the decoding of texture files and the
# scene and state readers for half a minute each, then runs the unit and scene tests and the
# window's fault test again under address and undefined-behaviour sanitizers, and two minutes
# of random input to the window (its seed printed; PLIMMERTON_RANDOM_SEED repeats a run).
set -euo pipefail
source "$(dirname "$0")/lib/conventions.sh"
answer_help_and_version "$@"
at_most_operands 0 "$@"
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
# The random input to the window runs on the sanitizer build only, below.
(cd build && ctest --output-on-failure -j "$jobs" -LE random)

# The mesh reader, the image decoding and the scene files under the fuzzer for a bounded time
# each (0 skips them); scripts/fuzz.sh alone runs longer campaigns.
fuzz_seconds=${PLIMMERTON_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" -gt 0 ]; then
  FUZZ_JOBS=$jobs bash scripts/fuzz.sh "$fuzz_seconds"
fi

if [ "${PLIMMERTON_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPLIMMERTON_SANITIZE=ON \
    -DPLIMMERTON_BENCHMARKS=OFF >/dev/null
  cmake --build build-sanitize -j "$jobs"
  # The real window once under the sanitizers too: its faults, with the leak check at its end
  # (library-internal leaks are suppressed, see tests/e2e/lsan.supp).
  (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -R '^e2e_test_faults$')
  # Keys, mouse, panel, dialog and drops at random for two minutes: any report fails it. The
  # run takes one seed unless told another, so that it gives the same verdict each time; seeds
  # from the clock are for runs by hand (README).
  (cd build-sanitize && PLIMMERTON_RANDOM_SEED=${PLIMMERTON_RANDOM_SEED:-9} \
    ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -L random)
  (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE e2e)
fi
