#!/usr/bin/env bash
# Sets up, checks the formatting, builds with warnings as errors, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/check-format.sh
./scripts/build.sh -DHY_WERROR=ON
BUILD_DIR=${HY_BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
cd "$BUILD_DIR"
ctest --output-on-failure -j 2 --timeout 300
