#!/usr/bin/env bash
# Configures (once) and builds Halcyra Viewer in build/ with Ninja, two jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${HY_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$BUILD_DIR" -j "${HY_JOBS:-2}" "$@"
