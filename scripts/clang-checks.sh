#!/usr/bin/env bash
# Builds everything with clang++ and warnings as errors in build-clang/ (Ninja, ccache, two jobs), then
# runs clang-tidy with the checks of .clang-tidy over the program's sources. Fails on any warning of
# either. scripts/test.sh runs it when HY_CLANG_CHECKS=1.
#   scripts/clang-checks.sh            the clang build, then clang-tidy over every source in src/ and bench/
#   scripts/clang-checks.sh FILE...    the clang build, then clang-tidy over these files only
set -euo pipefail
cd "$(dirname "$0")/.."
export HY_BUILD_DIR=${HY_CLANG_BUILD_DIR:-build-clang}
# The compiler is chosen when the folder is configured the first time.
CXX=clang++ ./scripts/build.sh -DHY_WERROR=ON

if [ $# -gt 0 ]; then
  files=()
  for f in "$@"; do files+=("$(realpath "$f")"); done
else
  # The tests are compiled with the same warnings above; clang-tidy reads the program itself, whose
  # headers it checks along with the sources that include them.
  mapfile -t files < <(python3 - "$HY_BUILD_DIR/compile_commands.json" "$PWD" <<'EOF'
import json, os, sys
root = sys.argv[2]
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith((os.path.join(root, "src") + os.sep, os.path.join(root, "bench") + os.sep)):
        print(path)
EOF
  )
fi

# clang-tidy prints its statistics on every file; only the findings are worth reading.
status=0
printf '%s\0' "${files[@]}" \
  | xargs -0 -n 1 -P "${HY_JOBS:-2}" clang-tidy -p "$HY_BUILD_DIR" -quiet 2> >(grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Error while processing ' >&2) \
  || status=$?
if [ $status -ne 0 ]; then
  echo "clang-tidy found faults (see above); fix them, or mark a deliberate one NOLINT(check) with the reason" >&2
  exit 1
fi
