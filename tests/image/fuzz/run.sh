#!/bin/sh
# Builds the decoder fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) from
# this folder's CMakeLists.txt, outside the normal build, and runs each for the given seconds (default 60)
# on a corpus seeded with the picture fixtures.
#   tests/image/fuzz/run.sh [seconds] [pcx|wmf|all]
# FUZZ_DIR (default /tmp/hy-image-fuzz) keeps the build, the grown corpora and any crash files.
set -eu
seconds=${1:-60}
which=${2:-all}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=${FUZZ_DIR:-/tmp/hy-image-fuzz}
mkdir -p "$dir"

if [ ! -f "$dir/build/build.ninja" ]; then
    cmake -S "$here" -B "$dir/build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
ninja -C "$dir/build" -j2 >/dev/null

run() {
    name=$1
    ext=$2
    corpus="$dir/corpus-$ext"
    mkdir -p "$corpus" "$dir/crashes-$ext"
    cp "$root"/tests/data/image/*."$ext" "$corpus"/ 2>/dev/null || true
    cp "$here"/seeds/*."$ext" "$corpus"/ 2>/dev/null || true
    echo "== $name for $seconds s"
    LSAN_OPTIONS="suppressions=$here/lsan.supp" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir" "$dir/build/$name" "$corpus" \
        -max_total_time="$seconds" -max_len=32768 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$dir/crashes-$ext/" \
        -print_final_stats=1
}
case $which in
pcx) run hy_fuzz_pcx pcx ;;
wmf) run hy_fuzz_wmf wmf ;;
*)
    run hy_fuzz_pcx pcx
    run hy_fuzz_wmf wmf
    ;;
esac
