#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, sanitizer, GL, end-to-end)
# and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install_deps.sh
scripts/build.sh
cmake --build build --target fuzzers -j"$(nproc)"
# The unit and GL tests run in a shuffled order; this seed replays one:
# GTEST_RANDOM_SEED=N ./test.sh, or build/unit_tests --gtest_shuffle --gtest_random_seed=N.
export GTEST_RANDOM_SEED="${GTEST_RANDOM_SEED:-$(( (RANDOM * 32768 + RANDOM) % 99999 + 1 ))}"
echo "Unit and GL tests in shuffled order: seed $GTEST_RANDOM_SEED"
# GL and end-to-end tests need an X server; a private one keeps them off the user's screen.
status=0
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure "$@" || status=$?
if [ "$status" -ne 0 ]; then echo "Unit and GL tests ran shuffled with seed $GTEST_RANDOM_SEED"; fi
exit "$status"
