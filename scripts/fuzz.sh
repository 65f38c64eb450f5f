#!/usr/bin/env bash
# Runs the libFuzzer harnesses built in build/fuzz (the "fuzz" preset), each for a bounded time.
#
#   scripts/fuzz.sh [--ci] [--list] [HARNESS...]
#
# FUZZ_SECONDS: seconds per harness (default 180; with --ci 20). All harnesses unless named.
# Seeds are copied at every run into build/fuzz/seeds/HARNESS from tests/data/seeds/HARNESS,
# tests/data/regress (inputs that once failed), data/model and ../shared/corpus (when present).
# The working corpus build/fuzz/corpus/HARNESS is kept, so that each run builds on the last;
# --ci starts from the seeds alone in a scratch folder, so that every CI run is alike.
# A finding (crash-*, leak-*, timeout-*, oom-*) is written to build/fuzz/findings/HARNESS/;
# once its cause is fixed, keep it in tests/data/regress/ with its line in expected.tsv.
#
# One line per harness: "fuzz NAME: passed, N runs in S s" or "FAIL fuzz NAME: ..." with the
# sanitizer's summary; the exit status is 0 when every harness passed.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
corpus="$root/../shared/corpus"
all=(scan_format settings view bmp tga plugin_result mqo rok x)

ci=0
names=()
for arg in "$@"; do
    case "$arg" in
    --ci) ci=1 ;;
    --list) printf '%s\n' "${all[@]}"; exit 0 ;;
    *) names+=("$arg") ;;
    esac
done
[ ${#names[@]} -eq 0 ] && names=("${all[@]}")
seconds="${FUZZ_SECONDS:-$([ $ci -eq 1 ] && echo 20 || echo 180)}"
# The harnesses hand each input to the readers through a scratch file in the temporary
# directory; in memory-backed /dev/shm that costs no disk write per run (on a disk, rewriting
# the file can force a flush every time).
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

# seed_files HARNESS: the seed files, one per line.
seed_files() {
    local seeds="$root/tests/data/seeds/$1" regress="$root/tests/data/regress"
    find "$seeds" -type f 2>/dev/null
    case "$1" in
    scan_format) find "$regress" -name '*.scan' 2>/dev/null ;;
    settings) find "$regress" -name '*.cfg' 2>/dev/null ;;
    view) find "$regress" -name '*.ini' 2>/dev/null ;;
    plugin_result) find "$regress" -name '*.plugin' 2>/dev/null ;;
    bmp) find "$regress" "$corpus/mqo" -iname '*.bmp' 2>/dev/null ;;
    tga) find "$regress" "$root/tests/data/pictures" -iname '*.tga' 2>/dev/null ;;
    mqo) find "$regress" "$root/data/model" "$corpus/mqo" -iname '*.mqo' 2>/dev/null ;;
    rok) find "$regress" "$corpus/rok" -iname '*.rok' 2>/dev/null ;;
    x) find "$regress" "$corpus/x" -iname '*.x' 2>/dev/null ;;
    esac
}

# The largest input a harness makes: models and pictures of tens of kilobytes reach every
# branch of their readers, and the run stays fast; larger seeds are cut to this length. The
# short CI runs take smaller inputs still, for more runs in their time.
max_len() {
    case "$1" in
    scan_format | settings | view) echo 4096 ;;
    *) [ $ci -eq 1 ] && echo 16384 || echo 65536 ;;
    esac
}

run_harness() {
    local name="$1"
    local exe="$build/tests/fuzz/${name}_fuzz"
    if [ ! -x "$exe" ]; then
        echo "FAIL fuzz $name: $exe was not built (make build-fuzz)"
        return 1
    fi
    local findings="$build/findings/$name" scratch="" seeds work
    if [ $ci -eq 1 ]; then
        scratch="$(mktemp -d /tmp/vellarn-fuzz.XXXXXX)"
        seeds="$scratch/seeds"
        work="$scratch/corpus"
    else
        seeds="$build/seeds/$name"
        work="$build/corpus/$name"
        rm -rf "$seeds"
    fi
    mkdir -p "$seeds" "$work" "$findings"
    seed_files "$name" | while IFS= read -r f; do
        cp "$f" "$seeds/$(basename "$(dirname "$f")")-$(basename "$f")"
    done
    local log="$build/$name$([ $ci -eq 1 ] && echo .ci).log" status=0
    # -timeout: an input taking this long is a hang. The slowest sound input is a picture file
    # of a few bytes that claims the largest picture allowed (256 MiB, read as a truncated file
    # with black rows) and is resized to its texture size: about 6 s under the sanitizers, more
    # on a busy machine; the hangs found so far took minutes. -malloc_limit_mb: no single
    # allocation may approach the picture memory cap plus its 24-bit copy.
    UBSAN_OPTIONS=print_stacktrace=1 "$exe" "$work" "$seeds" \
        -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -max_len="$(max_len "$name")" -dict="$root/tests/fuzz/dict/$name.dict" \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || status=$?
    [ -n "$scratch" ] && rm -rf "$scratch"
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ $status -eq 0 ]; then
        echo "fuzz $name: passed, ${runs:-?} runs in $seconds s"
        return 0
    fi
    echo "FAIL fuzz $name (exit $status, ${runs:-?} runs; log $log):"
    grep -E '^==[0-9]+==ERROR|^SUMMARY|runtime error|Test unit written to|ERROR: libFuzzer' "$log" | head -8
    return 1
}

failed=0
for name in "${names[@]}"; do
    run_harness "$name" || failed=$((failed + 1))
done
[ $failed -eq 0 ]
