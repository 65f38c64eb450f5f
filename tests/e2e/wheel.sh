#!/usr/bin/env bash
# The wheel: Shift+wheel changes the lenses' transparency and nothing else; a plain turn
# shrinks the window by 2 pixels, a Ctrl turn by 16, down to 50 x 50 and no further.
source "$(dirname "$0")/lib.sh"

start_app
wait_started
window=$(wait_window)
grey_desktop
screenshot "$artefacts/before.png"
read -r x y <<<"$(opaque_point "$artefacts/before.png" 0 0 200 200)" || fail "no glasses to point at"

# Button 5 is a turn of the wheel towards the user.
xdotool mousemove "$x" "$y" keydown shift click 5 click 5 click 5 keyup shift
sleep 1.5
screenshot "$artefacts/clearer.png"
# The middle of the left lens, and a piece of the frame at the lens's right edge.
lens=$(changed_pixels "$artefacts/before.png" "$artefacts/clearer.png" 20x20+45+90)
frame=$(changed_pixels "$artefacts/before.png" "$artefacts/clearer.png" 2x3+86+99)
[ "$lens" -gt 300 ] || fail "Shift+wheel changed only $lens of 400 lens pixels"
[ "$frame" = 0 ] || fail "Shift+wheel changed $frame frame pixels"

# size_after CLICKS KEYS: turns the wheel down CLICKS times with KEYS held and prints the
# window's size. The wheel reaches the window only over the glasses, which shrink with it, so
# each turn aims anew.
size_after() {
    local clicks="$1" keys="$2" size=200
    for _ in $(seq 1 "$clicks"); do
        window=$(wait_window)
        size=$(window_geometry "$window" | awk '{ print $3 }')
        screenshot "$artefacts/now.png"
        read -r x y <<<"$(opaque_point "$artefacts/now.png" 0 0 "$size" "$size")" || fail "no glasses at size $size"
        xdotool mousemove "$x" "$y"
        [ -n "$keys" ] && xdotool keydown "$keys"
        xdotool click 5
        [ -n "$keys" ] && xdotool keyup "$keys"
        # Each turn makes the device anew; wait for the new size (none at the smallest).
        for _ in $(seq 1 20); do
            sleep 0.5
            window=$(wait_window)
            [ "$(window_geometry "$window" | awk '{ print $3 }')" != "$size" ] && break
        done
    done
    window=$(wait_window)
    window_geometry "$window" | awk '{ print $3 "x" $4 }'
}
size=$(size_after 1 "")
[ "$size" = 198x198 ] || fail "one turn down gives $size"
size=$(size_after 10 ctrl)
[ "$size" = 50x50 ] || fail "ten Ctrl turns down give $size"
size=$(size_after 2 ctrl)
[ "$size" = 50x50 ] || fail "turning on past the smallest size gives $size"

press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "wheel: ok"
