#!/usr/bin/env bash
# Runs the tool on every damaged copy of a small terrain that the hostile-input test knows:
# every truncation length of each file's headers and colour table, a spread of lengths in the
# pixel rows, and 3000 seeded mutations. The unit test runs only a sample of them.
# Usage: scripts/mutation_check.sh [build directory, default build]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build}"
[[ -f "$build/build.ninja" ]] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target quorvel quorvel_tests
QUORVEL_HOSTILE_ALL=1 "$build/quorvel_tests" --gtest_filter='HostileInput.*'
