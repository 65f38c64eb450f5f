#!/usr/bin/env bash
# Models of every format open through "モデルを開く..." in the context menu, and by dropping
# them on the glasses; either way the choice is shown and vellarn.cfg names it. The open-file
# dialog starts in the folder of the model shown. A dropped file of another kind is refused
# with a message, and a model in a folder whose name code page 932 cannot hold opens through
# its short path.
source "$(dirname "$0")/lib.sh"

drop_exe="$(dirname "$exe")/tests/vellarn_drop.exe"
[ -f "$drop_exe" ] || fail "$drop_exe was not built"

# A red rectangle (.x) and a grey triangle (.rok), each seen from both sides, in a folder of
# their own.
mkdir "$scratch/models"
cat >"$scratch/models/wide.x" <<'MODEL'
xof 0302txt 0032
Material Red {
1.0;0.0;0.0;1.0;;
5.0;
0.0;0.0;0.0;;
0.0;0.0;0.0;;
}
Mesh {
4;
-60.0;-30.0;0.0;,
60.0;-30.0;0.0;,
60.0;30.0;0.0;,
-60.0;30.0;0.0;;
4;
3;0,1,2;,
3;0,2,3;,
3;0,2,1;,
3;0,3,2;;
MeshMaterialList {
1;
4;
0,
0,
0,
0;;
{Red}
}
}
MODEL
{
    printf 'ROKU4\r'
    for _ in $(seq 14); do printf ' 0\r'; done
    printf 'POINT\r'
    for point in "-50 -40 0" "50 -40 0" "0 50 0"; do
        printf ' 1\r 0\r 0\r 0\r 0\r'
        for c in $point; do printf ' %s\r' "$c"; done
    done
    printf 'LINE0\r 1\r 2\r 0\r 0\r 2\r 3\r 0\r 0\r 3\r 1\r 0\r 0\rFACE0\r 3\r 0\r 0\r 1\r 2\r 3\rEND00\r'
} >"$scratch/models/tri.rok"
echo "not a model" >"$scratch/models/notes.txt"

# windows_path FILE: the path of a file of this machine as the program sees it (drive Z:).
windows_path() {
    echo "Z:$1" | tr / '\\'
}

# wait_remembered: waits until vellarn.cfg is newer than $artefacts/.chosen and the picture
# has settled.
wait_remembered() {
    for _ in $(seq 1 $((start_limit * 2))); do
        [ "$scratch/vellarn.cfg" -nt "$artefacts/.chosen" ] && break
        sleep 0.5
    done
    [ "$scratch/vellarn.cfg" -nt "$artefacts/.chosen" ] || fail "$1 was not remembered"
    wait_settled
}

# choosing: marks the moment before a choice, so that wait_remembered sees the settings file
# written after it.
choosing() {
    touch "$artefacts/.chosen"
    sleep 1
}

# shows_new SHOT: the window's picture in SHOT differs widely from the one in $artefacts/last.png;
# SHOT becomes the last picture.
shows_new() {
    local changed
    changed=$(changed_pixels "$artefacts/last.png" "$1" "${ww}x${wh}+${wx}+${wy}")
    [ "$changed" -gt 1000 ] || fail "$1: only $changed pixels changed"
    cp "$1" "$artefacts/last.png"
}

# open_from_menu NAME: opens the open-file dialog through the context menu (its third item)
# and types NAME, relative to the folder the dialog starts in.
open_from_menu() {
    local x y opener
    read -r x y <<<"$(opaque_point "$artefacts/last.png" "$wx" "$wy" "$ww" "$wh")" || fail "no glasses to click"
    click_at "$x" "$y" 3
    choosing
    xdotool key Down Down Down Return
    opener=$(visible_window "$open_title") || fail "no open-file dialog from the menu"
    xdotool windowactivate --sync "$opener" 2>/dev/null || true
    xdotool type --delay 50 "$1"
    xdotool key Return
    wait_remembered "$1"
}

# expect_remembered SUFFIX: vellarn.cfg names a path ending in SUFFIX.
expect_remembered() {
    local name
    name=$(settings_name)
    [[ "$name" == *"$1" ]] || fail "vellarn.cfg names '$name', expected a path ending in '$1'"
}

start_app
wait_started
window=$(wait_window)
grey_desktop
read -r wx wy ww wh <<<"$(window_geometry "$window")"
screenshot "$artefacts/last.png"

# The dialog starts in the working directory, the folder of the round glasses at start.
open_from_menu 'models\wide.x'
expect_remembered '\models\wide.x'
screenshot "$artefacts/wide.png"
shows_new "$artefacts/wide.png"

# Back to glasses of the working directory, through the model list's first item.
read -r x y <<<"$(opaque_point "$artefacts/last.png" "$wx" "$wy" "$ww" "$wh")" || fail "no glasses to click"
click_at "$x" "$y" 3
choosing
xdotool key Down Down Right Return
wait_remembered "the model list's first item"
[ -f "$scratch/$(settings_name)" ] || fail "the model list's first item is '$(settings_name)'"
screenshot "$artefacts/listed.png"
shows_new "$artefacts/listed.png"

# The dialog starts where the shown glasses are again, not in the folder chosen last.
open_from_menu 'models\tri.rok'
expect_remembered '\models\tri.rok'
screenshot "$artefacts/tri.png"
shows_new "$artefacts/tri.png"
open_from_menu 'wide.x'
expect_remembered '\models\wide.x'
screenshot "$artefacts/wide-again.png"
shows_new "$artefacts/wide-again.png"
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"

# Drops, through the program that takes them from standard input (one drop a line). It starts
# with the rectangle that vellarn.cfg names.
exe="$drop_exe"
mkfifo "$artefacts/drops"
touch "$artefacts/.started"
sleep 1
(cd "$scratch" && exec "$loader" "$exe" <"$artefacts/drops") &
app_pid=$!
exec 3>"$artefacts/drops"
wait_started
window=$(wait_window)
screenshot "$artefacts/last.png"

# Of two files, the first counts: a text file is refused with a message and nothing changes.
before=$(hex "$scratch/vellarn.cfg")
echo "$(windows_path "$scratch/models/notes.txt")|$(windows_path "$scratch/models/tri.rok")" >&3
for _ in $(seq 1 $((start_limit * 2))); do
    message=$(xdotool search --onlyvisible --name "." 2>/dev/null | while read -r id; do
        case "$(xdotool getwindowname "$id")" in "$dialog_title") ;; *) echo "$id" ;; esac
    done | head -1)
    [ -n "$message" ] && break
    sleep 0.5
done
[ -n "$message" ] || fail "no message about the text file"
press "$message" Return
wait_settled
[ "$(hex "$scratch/vellarn.cfg")" = "$before" ] || fail "vellarn.cfg changed after a refused drop"
screenshot "$artefacts/refused.png"
changed=$(changed_pixels "$artefacts/last.png" "$artefacts/refused.png" "${ww}x${wh}+${wx}+${wy}")
[ "$changed" -lt 100 ] || fail "a refused drop changed $changed pixels"

choosing
echo "$(windows_path "$scratch/models/tri.rok")|$(windows_path "$scratch/models/notes.txt")" >&3
wait_remembered "the dropped triangle"
expect_remembered '\models\tri.rok'
screenshot "$artefacts/dropped.png"
shows_new "$artefacts/dropped.png"

# A folder named in Korean ("안경", glasses): the rectangle opens under its short path, which
# vellarn.cfg keeps.
mkdir "$scratch/안경"
cp "$scratch/models/wide.x" "$scratch/안경/"
choosing
echo "$(windows_path "$scratch/안경/wide.x")" >&3
wait_remembered "the rectangle in the Korean folder"
name=$(settings_name)
[[ "$name" == *'~'* && "${name,,}" == *'\wide.x' ]] && LC_ALL=C grep -q '^[ -~]*$' <<<"$name" ||
    fail "vellarn.cfg names '$name', not a short path"
screenshot "$artefacts/short.png"
changed=$(changed_pixels "$artefacts/wide.png" "$artefacts/short.png" "${ww}x${wh}+${wx}+${wy}")
[ "$changed" -lt 100 ] || fail "the rectangle through its short path differs in $changed pixels"
exec 3>&-
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after Escape"
echo "open_model: ok"
