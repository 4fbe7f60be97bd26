#!/usr/bin/env bash
# Measures the editor as a user runs it, under a private Xvfb:
#   scripts/measure-editor.sh cpu [--seconds N] [--drag] [MAP.tvm]
#       the share of one core the editor takes over N seconds (default 20) once it settled,
#       left alone or (--drag) while an object is dragged about with the mouse the whole time;
#   scripts/measure-editor.sh open MAP.tvm
#       how long opening a map takes from the start until the title names the map, and the
#       editor's peak memory;
#   scripts/measure-editor.sh idle [--seconds N]
#       cpu left alone on the demo map and on a still map: the demo map without its animated
#       objects (made with tvmtool and jq in a temporary folder);
#   scripts/measure-editor.sh dense [--seconds N]
#       cpu left alone on maps with 200 and with 2,000 copies of the demo map's first slime
#       spread over the first screen (0..800 x 0..600), with the frames the editor presented
#       a second.
# cpu also reports the frames presented a second when gdb is there: it reads the device's
# count of presents (TDeviceStats::Presents) before and after, attached for a moment each time.
# Needs xdotool for --drag and open (scripts/install-deps.sh --tests installs it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
editor="$root/build/game/editor/tvedit"
[ -x "$editor" ] || { echo "no $editor: build first (scripts/build.sh)" >&2; exit 1; }
mode=${1:-}
shift || true
seconds=20
drag=0
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --drag) drag=1; shift ;;
    *) break ;;
    esac
done
map=${1:-}

tool="$root/build/game/editor/tvmtool"
demo="$root/build/game/Data/Maps/green_hills.tvm"
if [ "$mode" = idle ] || [ "$mode" = dense ]; then
    [ -f "$demo" ] || { echo "no $demo: build the demo game folder first (tv_game)" >&2; exit 1; }
    command -v jq >/dev/null || { echo "the maps are made with jq: install it" >&2; exit 1; }
fi

if [ "$mode" = dense ]; then
    dense_dir=$(mktemp -d)
    trap 'rm -rf "$dense_dir"' EXIT
    "$tool" map dump --base "$root/build/game" "$demo" >"$dense_dir/demo.json"
    for count in 200 2000; do
        # Copies of the first slime (96 x 48) on a grid that fills 0..800 x 0..600, overlapping
        # once there are more than fit side by side.
        jq --argjson n "$count" '
            (.Objects | map(select(.Name == "Slime")) | .[0]) as $slime
            | ([range($n)] | map(. as $i | $slime
                | .Left = (($i * 37) % (800 - 96)) | .Top = ((($i * 53) / 7 | floor) % (600 - 48))))
                as $copies
            | .Objects += $copies | .FileName = "dense_\($n).tvm"' \
            "$dense_dir/demo.json" >"$dense_dir/dense_$count.json"
        "$tool" map build --base "$root/build/game" "$dense_dir/dense_$count.json" \
            "$dense_dir/dense_$count.tvm" >/dev/null
        "$0" cpu --seconds "$seconds" "$dense_dir/dense_$count.tvm"
    done
    exit 0
fi

if [ "$mode" = idle ]; then
    still_dir=$(mktemp -d)
    trap 'rm -rf "$still_dir"' EXIT
    "$tool" map dump --base "$root/build/game" "$demo" |
        jq '.Objects |= map(select((.Animated // 0) == 0)) | .FileName = "still_hills.tvm"' \
            >"$still_dir/still_hills.json"
    "$tool" map build --base "$root/build/game" "$still_dir/still_hills.json" \
        "$still_dir/still_hills.tvm" >/dev/null
    "$0" cpu --seconds "$seconds" "$demo"
    "$0" cpu --seconds "$seconds" "$still_dir/still_hills.tvm"
    exit 0
fi

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export DISPLAY=":$((90 + RANDOM % 100))"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
editor_pid=
trap 'kill $editor_pid $xvfb 2>/dev/null || true' EXIT
sleep 1

# CPU ticks (user + system) of a process, all its threads included.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# How often the main thread went to sleep and was woken (voluntary context switches).
wakeups() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status"; }
now_ms() { date +%s%3N; }
# The editor's window once its title ends with the text given.
window_titled() { xdotool search --name "Torvanikian Map Editor - .*$1\$" 2>/dev/null | head -n 1 || true; }

start=$(now_ms)
"$editor" ${map:+"$map"} >/dev/null 2>&1 &
editor_pid=$!
name=untitled.tvm
[ -n "$map" ] && name=$(basename "$map")
window=
for _ in $(seq 1 1200); do
    window=$(window_titled "$name")
    [ -n "$window" ] && break
    kill -0 "$editor_pid" 2>/dev/null || { echo "the editor ended early" >&2; exit 1; }
    sleep 0.05
done
[ -n "$window" ] || { echo "the editor never showed $name" >&2; exit 1; }
opened=$(( $(now_ms) - start ))

if [ "$mode" = open ]; then
    sleep 1
    peak=$(awk '/VmHWM/ { print $2 }' "/proc/$editor_pid/status")
    echo "open $name: ${opened} ms until the title named it; peak memory $((peak / 1024)) MB"
    exit 0
fi

sleep 5 # the frame rate settles
if [ "$drag" = 1 ]; then
    # The first player of the demo map stands at (100, 344) and is 72 x 96: right-click it in
    # the 446 x 356 view at (5, 5) of the window, then drag it about with the left button.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    vx=$((X + 5)); vy=$((Y + 5))
    xdotool mousemove $((vx + 136 * 446 / 800)) $((vy + 392 * 356 / 600)) click 3
    xdotool mousedown 1
    (
        end=$(( $(date +%s) + seconds + 1 ))
        step=0
        while [ "$(date +%s)" -lt "$end" ]; do
            xdotool mousemove $((vx + 100 + step % 200)) $((vy + 150 + (step / 7) % 60))
            step=$((step + 3))
            sleep 0.016
        done
    ) &
    mover=$!
fi
# The device's count of presents, read by gdb attached for a moment (the editor stands still
# meanwhile); empty without gdb or when it cannot be read.
presents() {
    command -v gdb >/dev/null || return 0
    gdb -p "$1" -batch -nx -ex 'print tv::D3DDevice._M_ptr->stats_.Presents' 2>/dev/null |
        awk '/^\$1 = / { print $3 }'
}
hz=$(getconf CLK_TCK)
presented_before=$(presents "$editor_pid")
shown_from=$(now_ms)
before=$(ticks "$editor_pid")
woken_before=$(wakeups "$editor_pid")
sleep "$seconds"
after=$(ticks "$editor_pid")
woken_after=$(wakeups "$editor_pid")
shown_to=$(now_ms)
presented_after=$(presents "$editor_pid")
if [ "$drag" = 1 ]; then
    wait "$mover" || true
    xdotool mouseup 1
fi
what="left alone"
[ "$drag" = 1 ] && what="while dragging"
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v n="$name" -v w="$what" \
    -v k=$((woken_after - woken_before)) \
    'BEGIN { printf "cpu %s, %s: %.2f%% of one core over %d s, %.0f wake-ups a second\n",
                    n, w, 100 * t / hz / s, s, k / s }'
if [ -n "$presented_before" ] && [ -n "$presented_after" ]; then
    awk -v p=$((presented_after - presented_before)) -v ms=$((shown_to - shown_from)) \
        'BEGIN { printf "    %.1f frames presented a second\n", p * 1000 / ms }'
fi
