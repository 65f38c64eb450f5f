#!/usr/bin/env bash
# make run: lays out dist/vellarn/ (the exe and the shipped models) and starts the program
# under Wine on $DISPLAY. With no display it runs the program on Xvfb for a few seconds,
# saves a screenshot and says where.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
dist="$root/dist/vellarn"
mkdir -p "$dist/data/model" "$dist/data/texture"
cp "$root/build/win32/vellarn.exe" "$dist/"
# The shipped glasses go into the working directory, where the model menu lists them.
find "$root/data/model" -maxdepth 1 -type f -exec cp {} "$dist/" \; 2>/dev/null || true
find "$root/data/texture" -maxdepth 1 -type f -exec cp {} "$dist/data/texture/" \; 2>/dev/null || true

if [ -n "${DISPLAY:-}" ]; then
    cd "$dist"
    exec env WINEDEBUG=-all wine ./vellarn.exe
fi

shot="$root/build/run-screenshot.png"
"$root/scripts/wine-env.sh" bash -c '
    cd "$1"
    wine ./vellarn.exe &
    sleep 8
    import -window root "$2"
    wineserver -k
' _ "$dist" "$shot"
echo "No display: the program ran on Xvfb; screenshot saved to $shot"
