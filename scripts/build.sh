#!/usr/bin/env bash
# Configures (once) and builds Halcyra Viewer in build/ with Ninja, two jobs.
#   scripts/build.sh [-DOPTION=VALUE ...] [TARGET ...]
# Options are set in the build's cache; it is configured again only when one is not set yet.
# ccache is used when it is installed, so that several work trees share their object files.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${HY_BUILD_DIR:-build}
options=()
while [ $# -gt 0 ] && [[ $1 == -D* ]]; do
  options+=("$1")
  shift
done
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}" >/dev/null
else
  for option in "${options[@]}"; do
    setting=${option#-D}
    name=${setting%%[:=]*}
    if [ "$(sed -n "s/^${name}:[A-Z]*=//p" "$BUILD_DIR/CMakeCache.txt")" != "${setting#*=}" ]; then
      cmake -S . -B "$BUILD_DIR" "${options[@]}" >/dev/null
      break
    fi
  done
fi
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
ninja -C "$BUILD_DIR" -j "${HY_JOBS:-2}" "$@"
