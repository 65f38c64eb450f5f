#!/usr/bin/env bash
# A model that cannot be opened: a message names it and the open-file dialog follows.
# Cancelling the dialog at start-up ends the program quietly, leaving vellarn.cfg as it was;
# cancelling it after a pick from the context menu brings back the glasses shown before,
# which vellarn.cfg names again.
source "$(dirname "$0")/lib.sh"

# wait_message: prints the id of the message box, which has the system's caption for errors
# ("Error" or its translation) and is the one visible titled window besides the control dialog.
wait_message() {
    local message="" id
    for _ in $(seq 1 $((start_limit * 2))); do
        for id in $(xdotool search --onlyvisible --name "." 2>/dev/null); do
            [ "$(xdotool getwindowname "$id")" = "$dialog_title" ] || message=$id
        done
        [ -n "$message" ] && { echo "$message"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended without a message"
        sleep 0.5
    done
    fail "no message about the model"
}

# cancel_opening: answers the message and cancels the open-file dialog after it.
cancel_opening() {
    local message opener
    message=$(wait_message)
    touch "$artefacts/.answered"
    press "$message" Return
    opener=$(visible_window "$open_title") || fail "no open-file dialog after the message"
    press "$opener" Escape
}

# A remembered model that is gone: "ない.mqo" in code page 932.
printf '\x00\x00\x00\x01\x08\x82\xc8\x82\xa2.mqo' >"$scratch/vellarn.cfg"
before=$(hex "$scratch/vellarn.cfg")
start_app
cancel_opening
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after cancelling"
[ "$(hex "$scratch/vellarn.cfg")" = "$before" ] || fail "vellarn.cfg changed to $(hex "$scratch/vellarn.cfg")"

# A broken model in the menu, picked in a folder of its own where it is the only model: the
# glasses shown at start lie in a subfolder, "shown\丸メガネ.mqo" in code page 932.
mkdir -p "$artefacts/picked/shown"
cp "$scratch/丸メガネ.mqo" "$artefacts/picked/shown/"
scratch="$artefacts/picked"
echo "not a model" >"$scratch/broken.mqo"
printf '\x00\x00\x00\x01\x12shown\\\x8a\xdb\x83\x81\x83\x4b\x83\x6c.mqo' >"$scratch/vellarn.cfg"
before=$(hex "$scratch/vellarn.cfg")
start_app
wait_started
window=$(wait_window)
grey_desktop
read -r wx wy ww wh <<<"$(window_geometry "$window")"
screenshot "$artefacts/start.png"
read -r x y <<<"$(opaque_point "$artefacts/start.png" "$wx" "$wy" "$ww" "$wh")" || fail "no glasses at start"
click_at "$x" "$y" 3
# Down twice reaches the model list, Right opens it on its first item: the broken model.
xdotool key Down Down Right Return
cancel_opening
# The pick was saved before the message; the shown model's name is saved again after it.
for _ in $(seq 1 $((start_limit * 2))); do
    [ "$scratch/vellarn.cfg" -nt "$artefacts/.answered" ] && break
    sleep 0.5
done
wait_settled
[ "$(hex "$scratch/vellarn.cfg")" = "$before" ] || fail "vellarn.cfg holds $(hex "$scratch/vellarn.cfg") after cancelling"
screenshot "$artefacts/back.png"
read -r x y <<<"$(opaque_point "$artefacts/back.png" "$wx" "$wy" "$ww" "$wh")" || fail "no glasses after cancelling"
drag shift "$x" "$y" 60 30
screenshot "$artefacts/turned.png"
changed=$(changed_pixels "$artefacts/back.png" "$artefacts/turned.png" "${ww}x${wh}+${wx}+${wy}")
[ "$changed" -gt 200 ] || fail "a drag changed only $changed pixels of the glasses brought back"
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
echo "open_failure: ok"
