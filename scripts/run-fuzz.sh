#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS (default 60).
# Huge allocations (over 512 MB) and leaks count as findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
"$root/scripts/install-deps.sh" --tests
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTV_BUILD_FUZZ=ON -DTV_BUILD_TESTS=OFF -DTV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
status=0
for target in "$build"/fuzz/fuzz_*; do
    [[ -f "$target" && -x "$target" ]] || continue
    name=$(basename "$target")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds="$root/fuzz/seeds/${name#fuzz_}"
    echo "== $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -malloc_limit_mb=512 -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" $( [[ -d "$seeds" ]] && echo "$seeds" ) \
        >"$build/$name.log" 2>&1; then
        tail -n 60 "$build/$name.log"
        status=1
    else
        grep -E 'stat::number_of_executed_units|Done' "$build/$name.log" | tail -n 2
    fi
done
exit $status
