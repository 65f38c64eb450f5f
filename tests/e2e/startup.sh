#!/usr/bin/env bash
# The program starts, shows the default glasses at the screen's corner, ignores Enter, ends on
# Escape with exit code 0 and remembers its model in vellarn.cfg; a remembered name is read,
# loaded and written back.
source "$(dirname "$0")/lib.sh"

start_app
wait_started
# Found only now: the window is made anew when it becomes layered.
window=$(wait_window)
screenshot "$artefacts/start.png"
[ "$(window_geometry "$window")" = "0 0 200 200" ] || fail "the window is at $(window_geometry "$window")"
# The glasses fill the middle of the 200 x 200 window at (0, 0); its corners stay see-through
# (the desktop under Xvfb is black).
glasses=$(mean_level "$artefacts/start.png" 180x60+10+70)
corner=$(mean_level "$artefacts/start.png" 20x20+0+180)
awk -v g="$glasses" -v c="$corner" 'BEGIN { exit !(g > 0.05 && c < 0.01) }' ||
    { cp "$artefacts/start.png" /tmp/e2e-start-fail.png; fail "no glasses on screen (middle $glasses, corner $corner)"; }
# Enter does nothing; Escape ends the program.
press "$window" Return
sleep 2
kill -0 "$app_pid" 2>/dev/null || fail "Enter ended the program"
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
got=$(hex "$scratch/vellarn.cfg")
want="00 00 00 01 0C 8A DB 83 81 83 4B 83 6C 2E 6D 71 6F"
[ "$got" = "$want" ] || fail "vellarn.cfg holds '$got', expected '$want'"

# "角メガネ.mqo" in code page 932.
printf '\x00\x00\x00\x01\x0C\x8A\x70\x83\x81\x83\x4B\x83\x6C.mqo' > "$scratch/vellarn.cfg"
start_app
wait_started
window=$(wait_window)
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code on the second run"
got=$(hex "$scratch/vellarn.cfg")
want="00 00 00 01 0C 8A 70 83 81 83 4B 83 6C 2E 6D 71 6F"
[ "$got" = "$want" ] || fail "vellarn.cfg holds '$got' after the second run, expected '$want'"
echo "startup: ok"
