#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang++ for libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/ (Ninja, ccache, two jobs), and runs each for SECONDS (default 30)
# on its corpus, leak detection on. A crash, a leak, an input that takes more than a second or a broken promise
# of the code under test fails the run; the input that did it is copied into the target's corpus
# (tests/fuzz/corpus/<name>/), where it stays as a regression once the fault is mended.
#   scripts/fuzz.sh [SECONDS [TARGET]]     e.g. scripts/fuzz.sh 60 zip
# HY_FUZZ_BUILD_DIR names another build folder; what the fuzzers learned stays in its fuzz-work/ between runs.
# HY_FUZZ_SEED fixes the fuzzers' random seed, so that a run (CI's) can be repeated exactly; without it each run
# takes a new one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
only=${2:-}
BUILD_DIR=${HY_FUZZ_BUILD_DIR:-build-fuzz}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DHY_FUZZ=ON -DHY_BUILD_TESTS=OFF -DHY_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
fi
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
mapfile -t lines <"$BUILD_DIR/fuzz-targets.txt"
targets=()
for line in "${lines[@]}"; do
  targets+=("${line%% *}")
done
ninja -C "$BUILD_DIR" -j "${HY_JOBS:-2}" "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# A single allocation past 256 MiB fails as it would where memory is short (the libraries below us then report an
# error), rather than ending the run: a decoder's dictionary may be sized by a hostile header, and the real program
# only reserves such memory, touching what the data fills. Resident memory past 2 GiB still fails the run.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:allocator_may_return_null=1:max_allocation_size_mb=256"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
fi
failed=()
for line in "${lines[@]}"; do
  target=${line%% *}
  corpus=${line#* }
  if [ -n "$only" ] && [ "$target" != "hy_fuzz_$only" ]; then
    continue
  fi
  work="$BUILD_DIR/fuzz-work/${target#hy_fuzz_}"
  mkdir -p "$work/corpus" "$work/artifacts"
  rm -f "$work/artifacts"/*
  echo "== ${target#hy_fuzz_}: $seconds s"
  # New inputs go into the work corpus; the committed corpus is only read.
  if "$BUILD_DIR/tests/fuzz/$target" "$work/corpus" "$corpus" -max_total_time="$seconds" -timeout=1 \
    -max_len=16384 -rss_limit_mb=2048 -malloc_limit_mb=4096 ${HY_FUZZ_SEED:+-seed=$HY_FUZZ_SEED} -detect_leaks=1 -artifact_prefix="$work/artifacts/" \
    -print_final_stats=1 >"$work/log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/log" | tail -2 || true
  else
    failed+=("${target#hy_fuzz_}")
    tail -n 60 "$work/log"
    for artifact in "$work/artifacts"/*; do
      [ -f "$artifact" ] || continue
      cp "$artifact" "$corpus/"
      echo "kept $(basename "$artifact") in $corpus"
    done
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "every fuzz target ran $seconds s without a finding"
