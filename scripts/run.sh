#!/usr/bin/env bash
# make run: lays out dist/vellarn/ (scripts/dist.sh) and starts the release exe in it under
# Wine, in a prefix of its own whose font replacements give the dialog and menu fonts their
# Japanese glyphs (scripts/wine-env.sh); the user's own Wine prefix is not touched.
# On $DISPLAY the program runs until it is ended. With no display it runs on Xvfb: once it has
# started, its context menu is opened with the model list, the whole desktop (glasses, control
# dialog, menu) is saved as build/run-screenshot.png, and the program is ended.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
dist="$root/dist/vellarn"
# The folder is laid out anew; the model chosen in an earlier run stays chosen, and the glasses
# come back as they were left.
saved="$(mktemp -d /tmp/vellarn-saved.XXXXXX)"
for kept in vellarn.cfg vellarn.ini; do
    if [ -f "$dist/$kept" ]; then cp "$dist/$kept" "$saved/"; fi
done
bash "$root/scripts/dist.sh"
cp -r "$saved/." "$dist/"
rm -rf "$saved"

if [ -n "${DISPLAY:-}" ]; then
    cd "$dist"
    exec "$root/scripts/wine-env.sh" --display sh -c 'exec "$WINE32" ./vellarn.exe'
fi

shot="$root/build/run-screenshot.png"
echo "No display: running the program on Xvfb (a 32-bit program may take minutes to start where it runs under emulation)"
E2E_FOLDER="$dist" "$root/scripts/wine-env.sh" bash -c '
    source "$1/tests/e2e/lib.sh" "$2"
    desktop_background
    start_app
    wait_started
    window=$(wait_window)
    screenshot "$artefacts/start.png"
    open_model_list "$window" "$artefacts/start.png"
    screenshot "$3"
    close_menus "$window"
    press "$window" Escape
    wait_exit
' _ "$root" "$dist/vellarn.exe" "$shot"
echo "Screenshot of the desktop with the glasses, the control dialog and the open menu: $shot"
