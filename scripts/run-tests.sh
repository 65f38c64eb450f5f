#!/usr/bin/env bash
# Runs every test of every build configuration and ends with one line
# "N passed, N failed, N skipped".
#   the include graph of the source tree; unit tests natively, under sanitizers, and
#   cross-built for i686 and x86_64 under Wine; each fuzz harness briefly (FUZZ_CI_SECONDS,
#   default 20 s each); Windows-layer tests under Wine; end-to-end tests (tests/e2e/*.sh)
#   against the real exe.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
passed=0
failed=0
skipped=0
results="$(mktemp -d /tmp/vellarn-results.XXXXXX)"
trap 'rm -rf "$results"' EXIT

# count_xml NAME XML: adds the counts of a GoogleTest XML report; a missing report is a failure.
# <testsuites> carries the totals of tests and failures, but of skipped tests only in versions
# after GoogleTest 1.12 (Debian's): so skipped ones are counted from their <testcase>, marked
# result="skipped" when the test skipped itself and result="suppressed" when it is disabled.
count_xml() {
    local name="$1" xml="$2"
    if [ ! -s "$xml" ]; then
        echo "FAIL $name: no report (crashed or did not start)"
        failed=$((failed + 1))
        return
    fi
    local totals tests failures errors skips
    totals=$(grep -o '<testsuites [^>]*' "$xml" | head -1)
    tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$totals")
    failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$totals")
    errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$totals")
    skips=$(grep -c '<testcase [^>]* result="\(skipped\|suppressed\)"' "$xml")
    local bad=$((failures + errors))
    local good=$((tests - bad - skips))
    echo "$name: $good passed, $bad failed, $skips skipped"
    passed=$((passed + good))
    failed=$((failed + bad))
    skipped=$((skipped + skips))
}

# run_gtest NAME EXE [WINE32|WINE64 [FILTER]]: runs one GoogleTest program, under Wine with the
# given loader when one is named, only the tests FILTER names when given, and counts its results.
run_gtest() {
    local name="$1" exe="$2" runner="${3:-}" filter="${4:-*}"
    local dir="$results/$name"
    mkdir -p "$dir"
    if [ ! -x "$exe" ] && [ ! -f "$exe" ]; then
        echo "FAIL $name: $exe was not built"
        failed=$((failed + 1))
        return
    fi
    local status=0
    if [ -n "$runner" ]; then
        # $runner names the loader variable that wine-env.sh sets: WINE32 or WINE64.
        (cd "$dir" && "$root/scripts/wine-env.sh" sh -c "\"\$$runner\" \"\$0\" --gtest_filter=\"\$1\" --gtest_output=xml:report.xml" "$exe" "$filter") \
            >"$dir/log" 2>&1 || status=$?
    else
        (cd "$dir" && "$exe" --gtest_filter="$filter" --gtest_output=xml:report.xml) >"$dir/log" 2>&1 || status=$?
    fi
    [ $status -ne 0 ] && grep -E '^\[  FAILED  \]|Failure|ERROR|runtime error' "$dir/log" | head -40
    count_xml "$name" "$dir/report.xml"
}

# run_check NAME COMMAND...: one test that passes when COMMAND exits 0; on failure the end of
# its log is shown.
run_check() {
    local name="$1"
    shift
    local log="$results/${name// /-}.log"
    if "$@" >"$log" 2>&1; then
        echo "$name: passed"
        passed=$((passed + 1))
    else
        echo "FAIL $name:"
        tail -20 "$log"
        failed=$((failed + 1))
    fi
}

# The layers include only the layers below them, and only win32/ folders include Windows headers.
run_check "include graph" python3 "$root/scripts/check-layers.py"

run_gtest "unit native" "$root/build/native/tests/unit_tests"
run_gtest "unit native-asan" "$root/build/native-asan/tests/unit_tests"
# Each libFuzzer harness from its seeds for a short time: a reader change that lets a crash, a
# hang, an overrun or a leak in shows up here. scripts/fuzz.sh prints the finding's file.
for harness in $("$root/scripts/fuzz.sh" --list); do
    if FUZZ_SECONDS="${FUZZ_CI_SECONDS:-20}" "$root/scripts/fuzz.sh" --ci "$harness"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done

run_gtest "unit win32" "$root/build/win32/tests/unit_tests.exe" WINE32
run_gtest "unit win64" "$root/build/win64/tests/unit_tests.exe" WINE64
# The Windows layer (Direct3D, windows, plug-ins) is tested in the 64-bit build: where 32-bit
# code runs only under emulation (see scripts/setup.sh) a Direct3D run of the 32-bit build
# takes many minutes.
run_gtest "windows-layer win64" "$root/build/win64/tests/win32_tests.exe" WINE64
# The 32-bit build's Windows layer without Direct3D, whose suites are named D3D... (see
# tests/CMakeLists.txt): plug-ins are 32-bit DLLs in the field.
run_gtest "windows-layer win32" "$root/build/win32/tests/win32_tests.exe" WINE32 "-D3D*"

# The release checks (no Wine): the imports, version information, icon and manifest of both
# exes, and that the checker refuses exes that lack them.
run_check "release check win32" bash "$root/tests/release/check_release.sh" "$root/build/win32/vellarn.exe"
run_check "release check win64" bash "$root/scripts/check-release.sh" "$root/build/win64/vellarn.exe"

# End-to-end tests: each script is one test per exe and locale; it gets the exe's path and
# exits 0 on success. Under Wine, LANG sets the Windows locale and so the language the program
# speaks: ja_JP.UTF-8 gives a Japanese Windows (code page 932), as most users have, and
# en_US.UTF-8 an English one. Every script runs against the 64-bit exe on a Japanese Windows;
# those that meet the texts of the interface (start-up, menu, wheel, open failure) on an English
# one too; the start-up test also against the 32-bit release exe.
run_e2e() {
    local script="$1" exe="$2" label="$3" locale="$4"
    run_check "e2e $(basename "$script" .sh) $label ${locale%%_*}" \
        env LANG="$locale" "$root/scripts/wine-env.sh" bash "$script" "$exe"
}
for script in "$root"/tests/e2e/*.sh; do
    name=$(basename "$script" .sh)
    [ "$name" = lib ] && continue
    run_e2e "$script" "$root/build/win64/vellarn.exe" win64 ja_JP.UTF-8
    case "$name" in
        startup | menu | wheel | open_failure) run_e2e "$script" "$root/build/win64/vellarn.exe" win64 en_US.UTF-8 ;;
    esac
done
run_e2e "$root/tests/e2e/startup.sh" "$root/build/win32/vellarn.exe" win32 ja_JP.UTF-8

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
