#!/usr/bin/env bash
# Measures the processor time the editor takes while it runs untouched: starts
# build/game/editor/tvedit (with the arguments given, e.g. a map) under its own Xvfb, waits
# for it to settle, then samples /proc/<pid>/stat over SECONDS (default 20) and prints the
# share of one core it used, over all its threads.
#   scripts/measure-editor-cpu.sh [--seconds N] [--settle N] [tvedit arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=20
settle=5
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --settle) settle=$2; shift 2 ;;
    *) break ;;
    esac
done
editor="$root/build/game/editor/tvedit"
[ -x "$editor" ] || { echo "no $editor: build first (scripts/build.sh)" >&2; exit 1; }

# CPU ticks (user + system) of a process, all threads included.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $editor_pid $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$editor" "$@" >/dev/null 2>&1 &
editor_pid=$!
sleep "$settle"
kill -0 "$editor_pid" 2>/dev/null || { echo "the editor ended early" >&2; exit 1; }
hz=$(getconf CLK_TCK)
start=$(ticks "$editor_pid")
sleep "$seconds"
end=$(ticks "$editor_pid")
awk -v t=$((end - start)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "editor: %.1f%% of one core over %d s\n", 100 * t / hz / s, s }'
