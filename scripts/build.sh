#!/usr/bin/env bash
# Configures (once) and builds Halcyra Viewer in build/ with Ninja, two jobs.
# ccache is used when it is installed, so that several work trees share their object files.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${HY_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
ninja -C "$BUILD_DIR" -j "${HY_JOBS:-2}" "$@"
