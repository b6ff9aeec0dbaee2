#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit, sanitizer, GL, end-to-end)
# and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install_deps.sh
scripts/build.sh
cmake --build build --target fuzzers -j"$(nproc)"
# GL and end-to-end tests need an X server; a private one keeps them off the user's screen.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir build --output-on-failure "$@"
