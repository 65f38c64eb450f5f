#!/usr/bin/env bash
# Dragging the glasses: Shift turns them, Ctrl tilts them, Ctrl+Shift moves the light, Alt
# stretches the temples and shows the masks only while the button is held, and a plain drag
# moves the window by the mouse's motion without drawing anew.
source "$(dirname "$0")/lib.sh"

start_app
wait_started
window=$(wait_window)
grey_desktop
area=200x200+0+0

# shot NAME: a screenshot; press_point NAME: a point on the glasses in it.
shot() { screenshot "$artefacts/$1.png"; }
press_point() { opaque_point "$artefacts/$1.png" 0 0 200 200 || fail "no glasses to grab in $1"; }

shot before
for keys in shift ctrl ctrl+shift; do
    read -r x y <<<"$(press_point before)"
    drag "$keys" "$x" "$y" 60 30
    shot after
    changed=$(changed_pixels "$artefacts/before.png" "$artefacts/after.png" "$area")
    [ "$changed" -gt 200 ] || fail "a $keys-drag changed only $changed pixels"
    mv "$artefacts/after.png" "$artefacts/before.png"
done

# Alt: the masks (drawn white while visible) show during the drag and go at the release.
read -r x y <<<"$(press_point before)"
grab "$artefacts/before.rgb"
xdotool mousemove "$x" "$y" keydown alt mousedown 1 mousemove "$x" $((y + 20))
sleep 0.5
xdotool mousemove "$x" $((y + 40))
wait_settled "$artefacts/before.rgb"
shot held
grab "$artefacts/held.rgb"
xdotool mouseup 1 keyup alt
wait_settled "$artefacts/held.rgb"
shot released
held=$(bright_pixels "$artefacts/held.png" "$area")
released=$(bright_pixels "$artefacts/released.png" "$area")
[ "$held" -gt $((released + 50)) ] || fail "masks not shown while Alt-dragging ($held bright pixels held, $released released)"

# A plain drag moves the same picture by the mouse's motion.
read -r x y <<<"$(press_point released)"
drag "" "$x" "$y" 40 30
shot moved
read -r wx wy _ <<<"$(window_geometry "$window")"
[ "$wx $wy" = "40 30" ] || fail "the window is at $wx,$wy after a drag by 40,30"
convert "$artefacts/released.png" -crop 150x150+0+0 +repage "$artefacts/old.png"
convert "$artefacts/moved.png" -crop 150x150+40+30 +repage "$artefacts/new.png"
moved=$(compare -metric AE "$artefacts/old.png" "$artefacts/new.png" null: 2>&1 || true)
[ "$moved" = 0 ] || fail "the moved picture differs in $moved pixels"

press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "drags: ok"
