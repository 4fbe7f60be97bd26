#!/usr/bin/env bash
# Builds the Debian package in the build folder (reusing what run-tests.sh built), installs it
# with apt-get, checks the installed programs, the demo map, a save into the user's own game
# folder, the manual page, lintian, and that purging the package leaves nothing under /usr.
# Needs root (CI) and the packages of scripts/install-deps.sh --tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TV_TEST_BUILD_DIR:-$PWD/build}
start=$(date +%s)

cmake --build "$build" -j "$(nproc)" --target tvedit tvmtool tv_manual_pages \
    tv_package_changelog tv_demo_content tv_demo_maps tv_demo_catalogue tv_demo_equipment >/dev/null
rm -f "$build"/torvanikian-map-editor_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/torvanikian-map-editor_*.deb)
echo "package: $deb ($(du -k "$deb" | cut -f1) KB)"
version=$(dpkg-deb -f "$deb" Version)
lintian --fail-on error "$deb" 2>&1 | grep -v 'root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1

# An image that leaves manual pages out of installs would drop ours too.
include=/etc/dpkg/dpkg.cfg.d/torvanikian-man
if grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
    printf 'path-include=/usr/share/man/man1/tvedit.1.gz\npath-include=/usr/share/man/man1/tvmtool.1.gz\n' >"$include"
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L torvanikian-map-editor)

work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
mkdir -p "$HOME"
fail() { echo "check-package: $*" >&2; exit 1; }
[[ $(tvmtool --version) == "tvmtool $version" ]] || fail "tvmtool --version is not $version"
[[ $(tvedit --version) == "tvedit $version" ]] || fail "tvedit --version is not $version"
tvmtool map check /usr/lib/torvanikian/Data/Maps/green_hills.tvm
man -w tvmtool | grep -q '^/usr/share/man/man1/tvmtool.1.gz$' || fail "man -w tvmtool: $(man -w tvmtool 2>&1)"
man -w tvedit >/dev/null
tvmtool help map check | grep -q 'one-line summary' || fail "tvmtool help map check"

# The user's game folder; the installed editor, started without --base, saves into it.
own=$work/game
tvedit --init-game "$own"
map=$own/Data/Maps/green_hills.tvm
cp /usr/lib/torvanikian/Data/Maps/green_hills.tvm "$work/shipped.tvm"
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    tvedit "$1" 2>"$2/editor.log" &
    editor=$!
    trap "kill $editor 2>/dev/null || true" EXIT
    window=$(timeout 30 xdotool search --sync --name "^Torvanikian Map Editor - green_hills\.tvm$" | head -n 1)
    # The right button picks the backdrop in the middle of the view, the left one moves it.
    xdotool mousemove --window "$window" 228 183 click 3 mousemove --window "$window" 120 90 click 1
    timeout 10 xdotool search --sync --name "green_hills\.tvm\*$" >/dev/null
    xdotool windowfocus "$window" key ctrl+s
    for _ in $(seq 100); do
        xdotool search --name "^Torvanikian Map Editor - green_hills\.tvm$" >/dev/null && exit 0
        sleep 0.1
    done
    echo "the editor did not save; its output:" >&2; cat "$2/editor.log" >&2; exit 1
' _ "$map" "$work"
cmp -s "$map" "$work/shipped.tvm" && fail "the map in the user's game folder was not saved"
cmp -s /usr/lib/torvanikian/Data/Maps/green_hills.tvm "$work/shipped.tvm" || fail "the installed map changed"
tvmtool map check --base "$own" "$map"

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq torvanikian-map-editor >/dev/null
rm -f "$include"
left=$(while read -r f; do [[ -e $f && ! -d $f ]] && echo "$f"; done <<<"$files"
       find /usr -iname '*torvanikian*' 2>/dev/null)
[[ -z $left ]] || fail "left under /usr after purge: $left"
rm -rf "$work"
echo "package checked in $(( $(date +%s) - start )) s"
