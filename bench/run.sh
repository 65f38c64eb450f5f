#!/usr/bin/env bash
# make bench: runs every benchmark and prints one table; the same figures go to
# build/bench/results.tsv (name, value, unit, reference, ratio). The native programs are built
# in build/bench (release), the frame harness in build/win32 (and build/win64), run under Wine.
#   FRAMES=n      frames the Wine harness times per case (default 10; the 32-bit exe runs under
#                 emulation on some machines, at a few frames a second)
#   SOAK_FRAMES=n frames of the harness's memory soak (default 0: none; e.g. 10000)
#   RECREATE=n    device re-creations whose handles and memory the harness compares (default 0)
#   STARTUP_RUNS=n starts of the program and of its floor, in turn, for the start-up figures
#                 (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/bench/out
rm -rf "$out"
mkdir -p "$out"
step() { printf 'bench: %s\n' "$*" >&2; }

# Each program's own messages go to a log beside its results.
run() {
    local name=$1
    shift
    "$@" 2>"$out/$name.log" || { step "$name failed; see $out/$name.log"; return 0; }
}

step "pixel passes"
run image build/bench/bench/image_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_out_format=json --benchmark_out="$out/image.json" >/dev/null
step "model loading (a few minutes: 1 M-triangle files, each load in a process of its own)"
run load build/bench/bench/model_load_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_out_format=json --benchmark_out="$out/load.json" >/dev/null
step "memory"
run memory build/bench/bench/memory_probe >"$out/memory.tsv"

# The whole frame under Wine. 32-bit code runs under emulation on some machines (see
# scripts/setup.sh), so the counts are modest; the 64-bit exe runs beside it.
harness=(--frames "${FRAMES:-10}" --warmup 3)
[ "${SOAK_FRAMES:-0}" -gt 0 ] && harness+=(--soak "$SOAK_FRAMES")
[ "${RECREATE:-0}" -gt 0 ] && harness+=(--recreate "$RECREATE")
for arch in win32 win64; do
    step "whole frame under Wine, $arch exe (${FRAMES:-10} frames a case${SOAK_FRAMES:+, soak of $SOAK_FRAMES})"
    loader='$WINE32'
    [ "$arch" = win64 ] && loader='$WINE64'
    run "frame-$arch" scripts/wine-env.sh bash -c "\"$loader\" build/$arch/bench/win32/frame_bench.exe \"\$@\"" \
        frame_bench "${harness[@]}" >"$out/frame-$arch.tsv"
done

# Nothing runs while the user does nothing: the exe's processor time while left alone.
for arch in win32 win64; do
    step "the $arch exe left alone"
    run "idle-$arch" scripts/wine-env.sh bash bench/idle.sh "build/$arch/vellarn.exe" >"$out/idle-$arch.tsv"
done

# From the start to the first picture, beside the floor of a program that only brings up the
# same window and device (bench/startup.sh).
for arch in win32 win64; do
    step "start-up of the $arch exe beside its floor (${STARTUP_RUNS:-5} starts of each)"
    run "startup-$arch" scripts/wine-env.sh bash bench/startup.sh "build/$arch/vellarn.exe" \
        "build/$arch/bench/win32/startup_floor.exe" >"$out/startup-$arch.tsv"
done

python3 bench/report.py "$out" build/bench/results.tsv
