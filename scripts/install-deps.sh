#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   scripts/install-deps.sh          what building and running the editor needs
#   scripts/install-deps.sh --tests  also what the tests, benchmarks and fuzz targets need
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-image-formats-plugins qt6-qpa-plugins libqt6opengl6-dev
    libsdl2-mixer-dev libjpeg62-turbo-dev
    libgl1-mesa-dev libgl1-mesa-dri
    xvfb xauth imagemagick fonts-dejavu-core
)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format
               libxcb1-dev xdotool desktop-file-utils shared-mime-info dpkg-dev lintian man-db)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
