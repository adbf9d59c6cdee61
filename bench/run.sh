#!/bin/sh
# Runs a benchmark beside its reference tools and prints one "RATIO <name> <value>" line per figure.
#   bench/run.sh viewer        the file model against wc -l, grep -F and grep -E, and Ctrl+End on a cold
#                              4 GiB log (needs about 8 GiB of disk; HY_BENCH_ONLY=logs: the log figures,
#                              HY_BENCH_ONLY=follow: following a log, in the model and painted in a viewer,
#                              HY_BENCH_ONLY=filter: the find bar's count and the filter pane against grep,
#                              HY_BENCH_ONLY=rules: a page of a log painted with ten colour rules and without,
#                              HY_BENCH_ONLY=encodings: Find over Shift_JIS against iconv | grep, Auto's guess,
#                              HY_BENCH_ONLY=e2e: Ctrl+End's count, a regular expression and Search All Open
#                              Files in the main window against wc -l and grep, 5 GiB of disk; count_e2e,
#                              regex_e2e or all_windows: one of them)
#   bench/run.sh filelist      the file list against find and ls -l (300,000 empty files)
#   bench/run.sh archive       listing and extraction against unzip and 7z, start to the painted list of 20,000
#                              members against zipinfo (under Xvfb when DISPLAY is unset; about 4.5 GiB of disk;
#                              HY_BENCH_ONLY=list20k, list or extract: only those figures)
#   bench/run.sh search        the disk search against find, grep and rg (200,000 small files, 200,000 empty
#                              files, 2 GiB of text; HY_BENCH_ONLY=small: the small files only)
#   bench/run.sh compare       comparing files against cmp and cmp -l (needs about 6 GiB of disk;
#                              HY_BENCH_ONLY=diff: only the two files that differ, about 2 GiB)
#   bench/run.sh browse        the file selector's whole-drive search against find (200,000 files of 200 bytes)
#   bench/run.sh compressed    a gzip log shown decompressed against gzip -dc | wc -l and zgrep, a .tar.gz of
#                              20,000 members against tar (about 1.5 GiB of disk; HY_BENCH_GZ_MIB sizes the log)
#   bench/run.sh startup       start to the painted window with a 1 KB file beside a bare Qt window (under Xvfb
#                              when DISPLAY is unset)
#   bench/run.sh tabs          opening 200 files as tabs beside opening 5, per file to the painted main window
#   bench/run.sh documents     a 300-page PDF's first page and paging on the PDF page (offscreen)
#   bench/run.sh soak MINUTES  Follow on a log written at 10 MB/s, renamed every minute and emptied every seventh
#                              (about 1.2 GiB of disk at most); lines compared, memory growth, worst delay
# Builds the project in build-bench under the source tree unless HY_BUILD_DIR names a build folder.
# Generated data lives in a temporary folder (HY_BENCH_TMP or TMPDIR) that is removed at the end.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src=$(dirname "$here")
what=${1:-viewer}
build=${HY_BUILD_DIR:-$src/build-bench}

case "$what" in
viewer) target=hy_viewer_bench ;;
filelist) target=hy_filelist_bench ;;
archive) target=hy_archive_bench ;;
compare) target=hy_compare_bench ;;
search) target=hy_search_bench ;;
browse) target=hy_browse_bench ;;
compressed) target=hy_compressed_bench ;;
documents) target=hy_document_bench ;;
tabs) target=hy_tabs_bench ;;
startup) target=hy_startup_bench ;;
soak) target=hy_soak_bench ;;
*)
    echo "unknown benchmark: $what (known: viewer, filelist, archive, search, compare, browse, compressed, documents, tabs, startup, soak)" >&2
    exit 2
    ;;
esac

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" -j2 "$target" >/dev/null

data=$(mktemp -d "${HY_BENCH_TMP:-${TMPDIR:-/tmp}}/hybench.XXXXXX")
trap 'rm -rf "$data"' EXIT INT TERM
if [ "$what" = startup ] || [ "$what" = archive ]; then
    ninja -C "$build" -j2 hyview >/dev/null
    if [ -n "${DISPLAY:-}" ]; then
        LC_ALL=C "$build/bench/$target" "$data" "$build/hyview"
    else
        LC_ALL=C xvfb-run -a -s "-screen 0 1280x900x24" "$build/bench/$target" "$data" "$build/hyview"
    fi
elif [ "$what" = soak ]; then
    LC_ALL=C "$build/bench/$target" "$data" "${2:-60}"
else
    LC_ALL=C "$build/bench/$target" "$data"
fi
