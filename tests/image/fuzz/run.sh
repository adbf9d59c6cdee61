#!/bin/sh
# Builds the decoder fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) outside the
# normal build and runs each for the given seconds (default 60) on a corpus seeded with the picture fixtures.
#   tests/image/fuzz/run.sh [seconds] [pcx|wmf|all]
# FUZZ_DIR (default /tmp/hy-image-fuzz) keeps the binaries, the grown corpora and any crash files.
set -eu
seconds=${1:-60}
which=${2:-all}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
dir=${FUZZ_DIR:-/tmp/hy-image-fuzz}
mkdir -p "$dir"

flags="-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-sanitize=vptr,function"
qt="$(pkg-config --cflags --libs Qt6Gui)"
src="$root/src/image"
build() {
    name=$1
    shift
    # shellcheck disable=SC2086
    clang++ $flags -I"$root/src" "$here/$name.cpp" "$@" $qt -o "$dir/$name"
}
build PcxFuzz "$src/PcxDecoder.cpp"
build WmfFuzz "$src/WmfDecoder.cpp" "$src/WmfPlayer.cpp" "$src/DibImage.cpp" "$root/src/platform/Cp1252.cpp"

run() {
    name=$1
    ext=$2
    corpus="$dir/corpus-$ext"
    mkdir -p "$corpus" "$dir/crashes-$ext"
    cp "$root"/tests/data/image/*."$ext" "$corpus"/ 2>/dev/null || true
    cp "$here"/seeds/*."$ext" "$corpus"/ 2>/dev/null || true
    echo "== $name for $seconds s"
    LSAN_OPTIONS="suppressions=$here/lsan.supp" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$dir" "$dir/$name" "$corpus" -max_total_time="$seconds" \
        -max_len=32768 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$dir/crashes-$ext/" -print_final_stats=1
}
case $which in
pcx) run PcxFuzz pcx ;;
wmf) run WmfFuzz wmf ;;
*)
    run PcxFuzz pcx
    run WmfFuzz wmf
    ;;
esac
