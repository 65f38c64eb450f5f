#!/usr/bin/env bash
# A remembered model that is gone: a message names it, the open-file dialog follows, and
# cancelling it ends the program quietly, leaving vellarn.cfg as it was.
source "$(dirname "$0")/lib.sh"

# "ない.mqo" in code page 932.
printf '\x00\x00\x00\x01\x08\x82\xc8\x82\xa2.mqo' >"$scratch/vellarn.cfg"
before=$(hex "$scratch/vellarn.cfg")
start_app
# The message box has the system's caption for errors ("Error" or its translation) and an
# OK button; it is the one visible window besides the program's two.
message=""
for _ in $(seq 1 $((start_limit * 2))); do
    for id in $(xdotool search --onlyvisible --name "." 2>/dev/null); do
        case "$(xdotool getwindowname "$id")" in "Vellarn 操作ダイアログ") ;; *) message=$id ;; esac
    done
    [ -n "$message" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended without a message"
    sleep 0.5
done
[ -n "$message" ] || fail "no message about the missing model"
press "$message" Return
opener=$(visible_window "Open") || fail "no open-file dialog after the message"
press "$opener" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after cancelling"
[ "$(hex "$scratch/vellarn.cfg")" = "$before" ] || fail "vellarn.cfg changed to $(hex "$scratch/vellarn.cfg")"
echo "open_failure: ok"
