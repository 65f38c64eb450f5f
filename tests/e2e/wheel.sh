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
grab "$artefacts/before.rgb"
xdotool mousemove "$x" "$y" keydown shift click 5 click 5 click 5 keyup shift
wait_settled "$artefacts/before.rgb"
screenshot "$artefacts/clearer.png"
# The middle of the left lens, and a piece of the frame at the lens's right edge.
lens=$(changed_pixels "$artefacts/before.png" "$artefacts/clearer.png" 20x20+45+90)
frame=$(changed_pixels "$artefacts/before.png" "$artefacts/clearer.png" 2x3+86+99)
[ "$lens" -gt 300 ] || fail "Shift+wheel changed only $lens of 400 lens pixels"
[ "$frame" = 0 ] || fail "Shift+wheel changed $frame frame pixels"

# turn KEYS: turns the wheel down once over the glasses with KEYS held and prints the window's
# width once it changed (or after $reaction_limit s) and the picture settled. The wheel reaches
# the window only over the glasses, which shrink with it, so each turn aims anew; a turn that
# lands while the picture is being made anew may miss, and is then simply repeated.
turn() {
    local keys="$1" size
    window=$(wait_window)
    size=$(window_geometry "$window" | awk '{ print $3 }')
    screenshot "$artefacts/now.png"
    read -r x y <<<"$(opaque_point "$artefacts/now.png" 0 0 "$size" "$size")" || fail "no glasses at size $size"
    xdotool mousemove "$x" "$y"
    sleep 0.3
    [ -n "$keys" ] && xdotool keydown "$keys"
    xdotool click 5
    [ -n "$keys" ] && xdotool keyup "$keys"
    for _ in $(seq 1 $((reaction_limit * 2))); do
        sleep 0.5
        window=$(wait_window)
        [ "$(window_geometry "$window" | awk '{ print $3 }')" != "$size" ] && break
    done
    wait_settled
    window_geometry "$(wait_window)" | awk '{ print $3 }'
}

# shrink_to EXPECTED KEYS: turns until the width changes (a few tries) and checks the new one.
shrink_to() {
    local was now
    was=$(window_geometry "$(wait_window)" | awk '{ print $3 }')
    for _ in 1 2 3 4 5; do
        now=$(turn "$2")
        [ "$now" != "$was" ] && break
    done
    [ "$now" = "$1" ] || fail "a turn with '$2' took the width from $was to $now, expected $1"
}
shrink_to 198 ""
# Ctrl turns take 16 pixels each (32 of the picture) down to 50.
width=198
while [ "$width" -gt 50 ]; do
    next=$((width - 16 < 50 ? 50 : width - 16))
    shrink_to "$next" ctrl
    width=$next
done
for _ in 1 2; do
    now=$(turn ctrl)
    [ "$now" = 50 ] || fail "turning on past the smallest size gives width $now"
done
window=$(wait_window)
[ "$(window_geometry "$window" | awk '{ print $3 "x" $4 }')" = 50x50 ] || fail "the smallest window is not square"

press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "wheel: ok"
