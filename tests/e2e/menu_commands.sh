#!/usr/bin/env bash
# The context menu: its model list holds the directory's .mqo files (not a folder named like
# one), picking a model shows it and remembers it, and "終了" ends the program.
source "$(dirname "$0")/lib.sh"

mkdir "$scratch/x.mqo"
start_app
wait_started
window=$(wait_window)
grey_desktop

# open_context_menu: right-clicks the glasses, where the menu opens.
open_context_menu() {
    screenshot "$artefacts/now.png"
    read -r x y <<<"$(opaque_point "$artefacts/now.png" 0 0 200 200)" || fail "no glasses to click"
    click_at "$x" "$y" 3
}

# pick_model N: picks the N-th item of the model list (wrapping past its end) and prints the
# name that vellarn.cfg then holds, once the menu has gone and the picture settled.
pick_model() {
    touch -d '1 minute ago' "$scratch/vellarn.cfg"
    touch "$scratch/.picked"
    open_context_menu
    # Down twice reaches the model list, Right opens it on its first item.
    xdotool key Down Down Right
    for _ in $(seq 2 "$1"); do xdotool key Down; done
    grab "$artefacts/menu.rgb"
    xdotool key Return
    for _ in $(seq 1 $((start_limit * 2))); do
        [ "$scratch/vellarn.cfg" -nt "$scratch/.picked" ] && break
        sleep 0.5
    done
    wait_settled "$artefacts/menu.rgb"
    settings_name
}

screenshot "$artefacts/start.png"
names=()
for n in 1 2 3 4; do
    names+=("$(pick_model "$n")")
    name="${names[-1]}"
    [ -f "$scratch/$name" ] || fail "item $n named '$name', not a model file"
    # The picked model is the one on screen: only the default round glasses look as at start.
    screenshot "$artefacts/item.png"
    changed=$(changed_pixels "$artefacts/start.png" "$artefacts/item.png" 200x200+0+0)
    if [ "$name" = 丸メガネ.mqo ]; then
        [ "$changed" -lt 100 ] || fail "the round glasses differ from the start in $changed pixels"
    else
        [ "$changed" -gt 1000 ] || fail "$name looks like the round glasses"
    fi
done
[ "$(printf '%s\n' "${names[@]:0:3}" | sort -u | wc -l)" = 3 ] || fail "the first three items were ${names[*]:0:3}"
# The list wraps after three items: the folder x.mqo is not in it.
[ "${names[3]}" = "${names[0]}" ] || fail "a fourth item '${names[3]}' in the model list"

# "終了" is the menu's last item: Up from the top reaches it.
open_context_menu
xdotool key Up Return
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code after 終了"
echo "menu: ok"
