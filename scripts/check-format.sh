#!/usr/bin/env bash
# Fails when a C++ file under src, tests or bench is not as clang-format (.clang-format) would write it.
# `clang-format -i FILE` mends a file.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench -path tests/data -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
