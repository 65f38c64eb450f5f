#!/usr/bin/env bash
# The view file: the glasses come back where and as large as they were left when the program
# ended, and a remembered place on no monitor is brought back onto the screen, for the glasses
# and the control dialog alike.
source "$(dirname "$0")/lib.sh"

# on_screen ID WHAT: fails unless the X window lies wholly inside the screen.
on_screen() {
    local x y w h sw sh
    read -r x y w h <<<"$(window_geometry "$1")"
    read -r sw sh <<<"$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p')"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] ||
        fail "$2 at $x,$y ($w x $h) is not on the ${sw}x$sh screen"
}

start_app
wait_started
window=$(wait_window)
grey_desktop
screenshot "$artefacts/start.png"
read -r x y <<<"$(opaque_point "$artefacts/start.png" 0 0 200 200)" || fail "no glasses to grab"
# Down, away from the control dialog at the glasses' right, so that the wheel reaches them.
drag "" "$x" "$y" 20 300
[ "$(window_geometry "$window" | cut -d' ' -f1-2)" = "20 300" ] || fail "the drag did not move the window to 20,300"

# A Ctrl turn of the wheel over the glasses makes the picture 368 x 368 and the window 184 x 184.
# A turn that lands while the picture is being made anew may miss, and is then repeated.
screenshot "$artefacts/moved.png"
read -r x y <<<"$(opaque_point "$artefacts/moved.png" 20 300 200 200)" || fail "no glasses to point at"
for _ in 1 2 3; do
    xdotool mousemove "$x" "$y"
    sleep 0.3
    xdotool keydown ctrl click 5 keyup ctrl
    for _ in $(seq 1 $((reaction_limit * 2))); do
        sleep 0.5
        width=$(window_geometry "$(wait_window)" | cut -d' ' -f3)
        [ "$width" != 200 ] && break
    done
    [ "$width" != 200 ] && break
done
[ "$width" = 184 ] || fail "a Ctrl turn of the wheel gave width $width"
wait_settled
press "$(wait_window)" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
grep -q '^windowPosition=20,300' "$scratch/vellarn.ini" || fail "vellarn.ini holds no position 20,300"

# The next start shows the glasses where and as large as they were.
start_app
wait_started
window=$(wait_window)
[ "$(window_geometry "$window")" = "20 300 184 184" ] || fail "started at $(window_geometry "$window"), not 20 300 184 184"
press "$window" Escape
wait_exit

# Places far off every monitor: both windows come back onto the screen.
printf 'windowPosition=5000,-4000\r\ncontrolDialogPosition=-3000,9000\r\n' >"$scratch/vellarn.ini"
start_app
wait_started
window=$(wait_window)
dialog=$(visible_window "$dialog_title") || fail "no control dialog"
on_screen "$window" "the glasses"
on_screen "$dialog" "the control dialog"
press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "view: ok"
