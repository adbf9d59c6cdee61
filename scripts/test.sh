#!/usr/bin/env bash
# Sets up, checks the formatting, builds with warnings as errors and runs every test; then it builds once more
# with clang++ and runs clang-tidy over the tree (scripts/clang-checks.sh; HY_CLANG_CHECKS=0 leaves that out
# while you iterate: it costs about as much as the build and the tests together).
#   scripts/test.sh             the ordinary build in build/, then the clang build in build-clang/
#   scripts/test.sh --sanitize  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer in
#                               build-sanitize/; any finding fails the test that made it (no clang checks)
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
sanitize=false
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=true
  export HY_BUILD_DIR=${HY_BUILD_DIR:-build-sanitize}
  options+=(-DHY_SANITIZE=ON -DHY_BUILD_BENCH=OFF)
  export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
  export ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  shift
fi
./scripts/setup.sh
./scripts/check-format.sh
./scripts/build.sh -DHY_WERROR=ON "${options[@]}"
BUILD_DIR=${HY_BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
(cd "$BUILD_DIR" && ctest --output-on-failure -j 2 --timeout 600 "$@")
if ! $sanitize && [ "${HY_CLANG_CHECKS:-1}" = 1 ]; then
  ./scripts/clang-checks.sh
fi
