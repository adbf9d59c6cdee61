#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Halcyra Viewer need.
# Quiet and quick when everything is there already.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache clang clang-format clang-tidy
  qt6-base-dev qt6-multimedia-dev qt6-image-formats-plugins qt6-pdf-dev qt6-svg-dev
  libzip-dev zlib1g-dev libbz2-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core fonts-noto-cjk
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  xvfb xauth xdotool zip unzip p7zip-full poppler-utils imagemagick
  desktop-file-utils appstream dpkg-dev python3 tzdata
  libarchive-dev liblzma-dev libzstd-dev liblz4-dev libicu-dev libuchardet-dev
  zstd lz4 lzip xz-utils bzip2 ncompress cpio xorriso libarchive-tools binutils gcab jlha-utils
  librsvg2-bin qpdf ripgrep
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
