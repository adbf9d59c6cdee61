#!/usr/bin/env bash
# Sets up, builds and starts Halcyra Viewer. With no file names it opens the project's README.md.
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
  set -- "$PWD/README.md"
fi
exec "$BUILD_DIR/hyview" "$@"
