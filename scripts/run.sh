#!/usr/bin/env bash
# Sets up, builds and starts Halcyra Viewer. With no file names it opens the sample set in
# resources/samples: UTF-8 text, a picture, a ZIP archive, a binary file (in Hex: "-h" before it and "-s"
# after it, so that the text mode the viewer keeps stays Standard) and the welcome text, last, so that its
# window is the one in front.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh hyview
BUILD_DIR=${HY_BUILD_DIR:-build}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
if [ $# -eq 0 ]; then
  samples=$PWD/resources/samples
  set -- "$samples/utf-8.txt" "$samples/picture.png" "$samples/samples.zip" \
    -h "$samples/sample.bin" -s "$samples/welcome.txt"
fi
exec "$BUILD_DIR/hyview" "$@"
