#!/usr/bin/env bash
# How long the program takes from its start to its first picture, and how much of that is our
# own work, beside the floor: startup_floor.exe, which brings up only the same window and
# Direct3D device. Runs inside scripts/wine-env.sh; each start is a fresh process, started as
# the end-to-end tests start the program (in a scratch folder with the shipped glasses), with
# VELLARN_STARTUP_MARK set so that it writes its figures after the first picture and ends
# (app/win32/startup_mark.h). The time of a start runs from just before the Wine loader is
# started to the moment the program wrote, so it includes Wine's own process start.
# STARTUP_RUNS (default 5) starts of each, the program and the floor in turn, after one of
# each to warm the caches and Wine's services; the medians are printed as result rows.
#   startup.sh EXE FLOOR_EXE
source "$(dirname "$0")/../tests/e2e/lib.sh"

floor="$(readlink -f "$2")"
runs="${STARTUP_RUNS:-5}"
arch=$([ "$loader" = "${WINE64:-}" ] && echo win64 || echo win32)
mark="$scratch/startup-mark.txt"
figures="$artefacts/figures.tsv"  # kind, name, value: every run's figures

# start KIND EXE: one start in a fresh process, its figures appended to $figures: those it
# wrote, the time from the start to the moment it wrote as "total" and, for the program, our
# own share of that time (reading the settings, loading the glasses, the first render and its
# present) as "ownShare".
start() {
    local kind=$1 began
    rm -f "$mark"
    began=${EPOCHREALTIME/,/.}  # seconds since 1970, with a point whatever the locale
    (cd "$scratch" && VELLARN_STARTUP_MARK=startup-mark.txt exec timeout "$start_limit" "$loader" "$2") ||
        fail "$kind did not end well"
    [ -s "$mark" ] || fail "$kind wrote no figures"
    awk -F'\t' -v kind="$kind" -v began="$began" '
        $1 == "unixMs" { v["total"] = $2 - began * 1000; next }
        { v[$1] = $2 }
        END {
            for (name in v)
                print kind "\t" name "\t" v[name]
            if (kind == "program")
                print kind "\townShare\t" 100 * (v["settings"] + v["modelLoad"] + v["firstRender"]) / v["total"]
        }' "$mark" >>"$figures"
}

start program "$exe"
start floor "$floor"
: >"$figures"
for _ in $(seq 1 "$runs"); do
    start program "$exe"
    start floor "$floor"
done

# median KIND NAME: the median of the figure over the runs.
median() {
    awk -F'\t' -v kind="$1" -v name="$2" '$1 == kind && $2 == name { print $3 }' "$figures" | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

row() {
    printf 'startup/%s/%s\t%s\t%s\t%s\n' "$arch" "$1" "$2" "$3" "${4:+startup/$arch/$4}"
}
row firstPicture "$(median program total)" ms floor
row floor "$(median floor total)" ms
row settings "$(median program settings)" ms
row window "$(median program window)" ms floorWindow
row floorWindow "$(median floor window)" ms
row device "$(median program device)" ms floorDevice
row floorDevice "$(median floor device)" ms
row modelLoad "$(median program modelLoad)" ms
row firstRender "$(median program firstRender)" ms
row ownShare "$(median program ownShare)" %
