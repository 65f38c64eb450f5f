#!/usr/bin/env bash
# make bench: runs every benchmark and prints one table; the same figures go to
# build/bench/results.tsv (name, value, unit, reference, ratio). The native programs are built
# in build/bench (release), the frame harness in build/win32 (and build/win64), run under Wine.
#   FRAMES=n      frames the Wine harness times per case (default 20; the 32-bit exe runs under
#                 emulation here)
#   SOAK_FRAMES=n frames of the harness's memory soak (default 0: none; e.g. 10000)
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/bench/out
rm -rf "$out"
mkdir -p "$out"
step() { printf 'bench: %s\n' "$*" >&2; }

step "pixel passes"
build/bench/bench/image_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_out_format=json --benchmark_out="$out/image.json" >/dev/null
step "model loading (a few minutes: 1 M-triangle files, each load in a process of its own)"
build/bench/bench/model_load_bench --benchmark_repetitions=3 \
    --benchmark_out_format=json --benchmark_out="$out/load.json" >/dev/null
step "memory"
build/bench/bench/memory_probe >"$out/memory.tsv"

python3 bench/report.py "$out" build/bench/results.tsv
