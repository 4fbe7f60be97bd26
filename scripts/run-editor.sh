#!/usr/bin/env bash
# Builds the editor, lays out the demo game folder build/game/ and starts the editor on it with
# the demo map open (or with the arguments given: [--base GAMEDIR] [MAP.tvm]).
# Without a display it runs under Xvfb, saves build/editor-screenshot.png once the window is
# up and keeps running until interrupted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=${TV_BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$root/build" --target tv_game -j "$(nproc)"
editor="$root/build/game/editor/tvedit"
args=("$@")
[[ ${#args[@]} -eq 0 ]] && args=("$root/build/game/Data/Maps/green_hills.tvm")

if [[ -n "${DISPLAY:-}" ]]; then
    exec "$editor" "${args[@]}"
fi

display_num=99
while [[ -e /tmp/.X${display_num}-lock ]]; do display_num=$((display_num + 1)); done
Xvfb ":$display_num" -screen 0 1280x800x24 -nolisten tcp &
xvfb_pid=$!
trap 'kill $editor_pid $xvfb_pid 2>/dev/null || true' EXIT INT TERM
export DISPLAY=":$display_num"
for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X$display_num ]] && break; sleep 0.1; done

"$editor" "${args[@]}" &
editor_pid=$!
sleep 4
shot="$root/build/editor-screenshot.png"
import -window root "$shot"
echo "Editor running under Xvfb on $DISPLAY; screenshot saved to $shot. Press Ctrl+C to stop."
wait $editor_pid
