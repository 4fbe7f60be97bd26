#!/bin/sh
# Sets up a git repository so that maps (*.tvm) diff as `tvmtool map dump` text and merge
# through `tvmtool map merge`. Usage: scripts/setup-git-maps.sh [REPOSITORY] [TVMTOOL]
# REPOSITORY defaults to the current one; TVMTOOL to the tvmtool found on PATH. Give
# TVMTOOL_ARGS (for example "--base /games/tv") for options every call needs.
set -eu
repo=${1:-.}
tool=${2:-tvmtool}
args=${TVMTOOL_ARGS:-}
cd "$repo"
git rev-parse --git-dir >/dev/null
git config diff.tvm.textconv "$tool map dump $args"
git config diff.tvm.binary true
git config merge.tvm.name "Torvanikian maps merged by object"
git config merge.tvm.driver "$tool map merge $args %O %A %B -o %A"
if ! grep -qs '^\*\.tvm ' .gitattributes; then
    echo '*.tvm diff=tvm merge=tvm' >> .gitattributes
fi
echo "maps diff and merge with $tool in $(pwd)"
