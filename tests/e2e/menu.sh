#!/usr/bin/env bash
# The glasses float over the desktop; the context menu shows its items in the language of the
# user's Windows and lists the model files of the working folder under "眼鏡の種類"
# ("Glasses"), and choosing each one remembers it and shows those glasses.
# On request it also keeps screenshots of the current build:
#   E2E_SCREENSHOT=FILE  the desktop with the glasses, the control dialog and the open menu
#   E2E_DOCS=1           under a compositing manager, as on Windows: in Japanese
#                        docs/glasses.png, docs/control-dialog.png and docs/context-menu.png,
#                        in English docs/context-menu-en.png
source "$(dirname "$0")/lib.sh"

desktop_background
[ -n "${E2E_DOCS:-}" ] && start_compositor
start_app "$artefacts/wine.log"
wait_started
window=$(wait_window)
area=$(window_area "$window")

# shows_glasses FILE: the window's part of a screenshot shows glasses, with desktop around.
shows_glasses() {
    local f
    f=$(changed_fraction "$1" "$area")
    awk -v f="$f" 'BEGIN { exit !(f > 0.05 && f < 0.8) }' ||
        { cp "$1" /tmp/e2e-menu-fail.png; fail "no glasses over the desktop ($f of the window differs from it)"; }
}

screenshot "$artefacts/glasses.png"
shows_glasses "$artefacts/glasses.png"
open_model_list "$window" "$artefacts/glasses.png"
screenshot "$artefacts/menu.png"
# The menu's own items, as Wine drew them, come first; the model list's names follow.
want=$(tr '|' '\n' <<<"$menu_items")
got=$(shown_menu_items "$artefacts/wine.log" | head -n "$(wc -l <<<"$want")")
[ "$got" = "$want" ] || fail "the menu showed '${got//$'\n'/|}', expected '$menu_items'"
[ -n "${E2E_SCREENSHOT:-}" ] && cp "$artefacts/menu.png" "$E2E_SCREENSHOT"
if [ -n "${E2E_DOCS:-}" ]; then
    # In Japanese the glasses' window, the dialog, and the glasses with the menu and its model
    # list; in English the menu.
    menu_shot="$root/docs/context-menu-en.png"
    if [ "$interface" = ja ]; then
        dialog=$(visible_window "$dialog_title") || fail "no control dialog"
        convert "$artefacts/glasses.png" -crop "$area" +repage "$root/docs/glasses.png"
        convert "$artefacts/glasses.png" -crop "$(window_area "$dialog")" +repage "$root/docs/control-dialog.png"
        menu_shot="$root/docs/context-menu.png"
    fi
    right=0 bottom=0
    for id in "$window" $(menu_windows "$window"); do
        read -r x y w h <<<"$(window_geometry "$id")"
        right=$((x + w > right ? x + w : right))
        bottom=$((y + h > bottom ? y + h : bottom))
    done
    read -r x y _ _ <<<"$(window_geometry "$window")"
    convert "$artefacts/menu.png" -crop "$((right - x + 10))x$((bottom - y + 10))+$x+$y" +repage "$menu_shot"
    echo "screenshots written to $root/docs"
fi
close_menus "$window"

# Each entry in turn: entry k is k steps below the first. The choice is written to vellarn.cfg
# before the model is loaded; once the picture has settled the glasses must be there.
models=("$scratch"/*.mqo)
declare -A picture_of
for ((k = 0; k < ${#models[@]}; k++)); do
    touch "$artefacts/.chosen"
    sleep 1
    before="$artefacts/before-$k.png"
    screenshot "$before"
    open_model_list "$window" "$before"
    for ((i = 0; i < k; i++)); do xdotool key Down; done
    xdotool key Return
    for _ in $(seq 1 $((start_limit * 2))); do
        [ "$scratch/vellarn.cfg" -nt "$artefacts/.chosen" ] && break
        sleep 0.5
    done
    [ "$scratch/vellarn.cfg" -nt "$artefacts/.chosen" ] || fail "entry $k was not remembered"
    name=$(hex "$scratch/vellarn.cfg")
    # Reopening the menu waits until the program is back in its message loop, so the load
    # has ended; the screenshot is taken with the menu closed again.
    read -r px py <<<"$(glasses_point "$before" "$area")"
    open_menu "$window" "$px" "$py"
    close_menus "$window"
    shot="$artefacts/model-$k.png"
    screenshot "$shot"
    shows_glasses "$shot"
    [ -z "${picture_of[$name]:-}" ] || fail "entry $k names a model listed before: $name"
    picture_of[$name]="$shot"
done

# The entries named exactly the model files, and each showed glasses of its own.
want=""
for m in "${models[@]}"; do
    basename "$m" | tr -d '\n' | iconv -f UTF-8 -t CP932 >"$artefacts/name"
    want+="00 00 00 01 $(printf '%02X' "$(wc -c <"$artefacts/name")") $(hex "$artefacts/name")"$'\n'
done
got=$(printf '%s\n' "${!picture_of[@]}" | sort)
[ "$got" = "$(printf '%s' "$want" | sort)" ] || fail "the menu listed '$got', expected '$want'"
names=("${!picture_of[@]}")
for ((i = 0; i < ${#names[@]}; i++)); do
    convert "${picture_of[${names[$i]}]}" -crop "$area" +repage "$artefacts/window-$i.png"
    for ((j = 0; j < i; j++)); do
        differ=$(compare -metric AE "$artefacts/window-$i.png" "$artefacts/window-$j.png" null: 2>&1 || true)
        [ "${differ%% *}" != 0 ] || fail "two models showed the same picture"
    done
done
press "$window" Escape
wait_exit
echo "menu: ok (${#models[@]} models)"
