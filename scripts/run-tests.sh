#!/usr/bin/env bash
# Builds everything into build/ (or TV_TEST_BUILD_DIR) and runs the whole test suite under Xvfb.
# Extra arguments go to cmake (for example -DTV_SANITIZE=ON).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TV_TEST_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" --tests
# The tests build with warnings as errors, so no warning lands unnoticed.
"$root/scripts/build.sh" "$build" -DTV_BUILD_TESTS=ON -DTV_BUILD_BENCH=ON -DTV_WERROR=ON "$@"
cd "$build"
export SDL_AUDIODRIVER=dummy
# One test at a time: tests that activate windows would take the focus from each other on a
# shared X server.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure
