#!/usr/bin/env bash
# Fails when a C++ source of the project differs from what clang-format (with the project's
# .clang-format) would make of it, naming the files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --tests # clang-format
cd "$root"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "format: $(git ls-files -- '*.cpp' '*.h' | wc -l) files as clang-format writes them"
