#!/usr/bin/env python3
"""Merges the benchmark programs' outputs into one table and build/bench/results.tsv.

    report.py OUT_DIR RESULTS_TSV

OUT_DIR holds the Google Benchmark programs' JSON files (*.json, written with
--benchmark_out_format=json) and the plain harnesses' rows (*.tsv: name, value, unit and, where
there is one, the name of the reference row). Every figure is one row of the results, with
columns name, value, unit, reference, ratio: the reference value is measured in the same run
and ratio = value / reference. A figure whose benchmark did not run is left out.

Timings are the least CPU time over the repetitions: on a shared machine the other processes
only ever add time, so the least is the closest to what the code itself costs. (The model loads
time themselves, as the CPU time of a child process each.)
"""
import csv
import glob
import json
import os
import sys

SIZES = (400, 1200)
MODEL_SIZES = ("10k", "100k", "1M")
FORMATS = ("mqo", "rok", "x")

UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def read_benchmarks(out_dir):
    """Run name -> {'seconds': least CPU time, 'counters': counters of that repetition}."""
    runs = {}
    for path in sorted(glob.glob(os.path.join(out_dir, "*.json"))):
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("run_type") != "iteration" or b.get("error_occurred"):
                continue
            # A benchmark that times itself (the loads, each in a child process of its own)
            # reports its time as real_time under a name ending in /manual_time.
            name = b["run_name"]
            manual = name.endswith("/manual_time")
            if manual:
                name = name[: -len("/manual_time")]
            seconds = b["real_time" if manual else "cpu_time"] * UNIT_SECONDS[b["time_unit"]]
            if name not in runs or seconds < runs[name]["seconds"]:
                runs[name] = {"seconds": seconds, "counters": b}
    return runs


def read_rows(out_dir):
    """Rows the plain harnesses wrote: name, value, unit, reference row name (optional)."""
    rows = []
    for path in sorted(glob.glob(os.path.join(out_dir, "*.tsv"))):
        with open(path) as f:
            for fields in csv.reader(f, delimiter="\t"):
                if len(fields) < 3 or fields[0].startswith("#"):
                    continue
                try:
                    value = float(fields[1])
                except ValueError:
                    continue  # not a result row (a message of the system under the harness)
                rows.append((fields[0], value, fields[2], fields[3] if len(fields) > 3 else ""))
    return rows


class Results:
    def __init__(self):
        self.rows = []  # (name, value, unit, reference value or None, target text)

    def add(self, name, value, unit, reference=None, target=""):
        if value is not None:
            self.rows.append((name, value, unit, reference, target))


def timing(runs, name, scale):
    run = runs.get(name)
    return run["seconds"] * scale if run else None


def pixel_figures(runs, results):
    refs = {
        "matteAlpha": "memcpyTwoPictures",
        "copyFrom": "memcpyPicture",
        "resizeHalf": "memcpyPicture",
        "colorKeyRegion": "memcpyWindowPicture",
    }
    for size in SIZES:
        for name, ref in refs.items():
            value = timing(runs, f"{name}/{size}", 1e6)
            reference = timing(runs, f"{ref}/{size}", 1e6)
            results.add(f"pixels/{name}/{size}", value, "us", reference, "ratio <= 1.5")


# Our load time against assimp reading the .x of the same size in the same run: at most
# 1 / 2.5 of its time, 1 / 1.5 for .rok (whose faces are each drawn from both sides).
SPEED_TARGETS = {"mqo": "ratio <= 0.4", "x": "ratio <= 0.4", "rok": "ratio <= 0.67"}


def loading_figures(runs, results):
    for fmt in FORMATS:
        for size in MODEL_SIZES:
            name = f"load/{fmt}/{size}"
            run = runs.get(name)
            if not run:
                continue
            ms = run["seconds"] * 1e3
            target = "< 1000 ms" if (fmt, size) == ("mqo", "1M") else ""
            results.add(f"{name}/time", ms, "ms", None, target)
            file_bytes = run["counters"].get("fileBytes")
            if file_bytes:
                results.add(f"{name}/speed", file_bytes / 1e6 / run["seconds"], "MB/s")
            if fmt == "x" or size == "1M":
                assimp = timing(runs, f"load/assimp-x/{size}", 1e3)
                results.add(f"{name}/vsAssimp", ms, "ms", assimp, SPEED_TARGETS[fmt])
        big = timing(runs, f"load/{fmt}/1M", 1e3)
        mid = timing(runs, f"load/{fmt}/100k", 1e3)
        if big is not None and mid is not None:
            results.add(f"load/{fmt}/growth1Mvs100k", big, "ms", mid, "ratio <= 11")


def harness_target(name):
    if "/allocsPerFrame/" in name:
        return "0"
    if name.endswith("/400/default/ourShare"):
        return "<= 15 %"
    if name.startswith("startup/") and name.endswith("/ownShare"):
        return "<= 20 %"
    if name.startswith("idle/"):
        return "0 %"
    if name.startswith("memory/peakAfterLoading/"):
        return "ratio <= 3" if "/rok/" in name else "ratio <= 2.5"
    return ""


def harness_figures(rows, results):
    values = {name: value for name, value, _, _ in rows}
    for name, value, unit, ref_name in rows:
        results.add(name, value, unit, values.get(ref_name) if ref_name else None, harness_target(name))


def number(value):
    if value is None:
        return ""
    if value == 0 or abs(value) >= 100:
        return f"{value:.0f}"
    if abs(value) >= 1:
        return f"{value:.2f}"
    return f"{value:.3g}"


def write(results, tsv_path):
    with open(tsv_path, "w", newline="") as f:
        out = csv.writer(f, delimiter="\t", lineterminator="\n")
        out.writerow(["name", "value", "unit", "reference", "ratio"])
        for name, value, unit, reference, _ in results.rows:
            ratio = value / reference if reference else None
            out.writerow([name, number(value), unit, number(reference), f"{ratio:.3f}" if ratio is not None else ""])

    header = ("figure", "value", "unit", "reference", "ratio", "target")
    lines = [header]
    for name, value, unit, reference, target in results.rows:
        ratio = value / reference if reference else None
        lines.append((name, number(value), unit, number(reference), f"{ratio:.2f}" if ratio is not None else "", target))
    widths = [max(len(line[i]) for line in lines) for i in range(len(header))]
    for i, line in enumerate(lines):
        print("  ".join(cell.rjust(w) if 0 < k < 5 else cell.ljust(w) for k, (cell, w) in enumerate(zip(line, widths))))
        if i == 0:
            print("  ".join("-" * w for w in widths))
    print(f"\n{len(results.rows)} figures in {tsv_path}")


def main():
    out_dir, tsv_path = sys.argv[1], sys.argv[2]
    runs = read_benchmarks(out_dir)
    results = Results()
    pixel_figures(runs, results)
    loading_figures(runs, results)
    harness_figures(read_rows(out_dir), results)
    write(results, tsv_path)


if __name__ == "__main__":
    main()
