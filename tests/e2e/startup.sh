#!/usr/bin/env bash
# The program starts, shows its window, ends on Escape with exit code 0 and remembers its
# model in vellarn.cfg; a remembered name is read and written back unchanged.
source "$(dirname "$0")/lib.sh"

start_app
window=$(wait_window)
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
got=$(hex "$scratch/vellarn.cfg")
want="00 00 00 01 0C 8A DB 83 81 83 4B 83 6C 2E 6D 71 6F"
[ "$got" = "$want" ] || fail "vellarn.cfg holds '$got', expected '$want'"

printf '\x00\x00\x00\x01\x03abc' > "$scratch/vellarn.cfg"
start_app
window=$(wait_window)
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code on the second run"
got=$(hex "$scratch/vellarn.cfg")
[ "$got" = "00 00 00 01 03 61 62 63" ] || fail "vellarn.cfg holds '$got' after the second run"
echo "startup: ok"
