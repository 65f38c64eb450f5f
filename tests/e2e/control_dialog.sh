#!/usr/bin/env bash
# The control dialog: shown at start beside the glasses, its sliders turn them, its close box
# hides it and the menu's "操作ダイアログ" shows it again.
source "$(dirname "$0")/lib.sh"

start_app
wait_started
window=$(wait_window)
grey_desktop
dialog=$(visible_window "$dialog_title") || fail "no control dialog at start"
read -r dx dy dw _ <<<"$(window_geometry "$dialog")"
[ "$dx" -ge 200 ] || fail "the dialog at $dx,$dy covers the glasses"
screenshot "$artefacts/before.png"

# The first slider, "眼鏡の向き-X", stands at 0, its thumb in the middle of the channel that
# spans 125 of the dialog's 195 units from unit 63 (the Japanese dialog: run-tests.sh runs this
# test on a Japanese Windows); drag the thumb to the right.
tx=$((dx + dw * 125 / 195 + 2))
ty=$((dy + 40))
drag "" "$tx" "$ty" 50 0
screenshot "$artefacts/after.png"
changed=$(changed_pixels "$artefacts/before.png" "$artefacts/after.png" 200x200+0+0)
[ "$changed" -gt 200 ] || fail "dragging the slider changed only $changed pixels of the glasses"

# The keyboard moves a slider as the drag does, and the glasses stay where it put them once
# the frames that follow have written the scene back to the sliders. The drag left the
# keyboard with the first slider; Tab goes on to "眼鏡の向き-Y", Page Up turns the glasses a
# tenth of its range and an arrow a hundredth more.
xdotool key Tab Prior
wait_settled
screenshot "$artefacts/page.png"
changed=$(changed_pixels "$artefacts/after.png" "$artefacts/page.png" 200x200+0+0)
[ "$changed" -gt 200 ] || fail "Page Up on a slider changed only $changed pixels of the glasses"
xdotool key Left
wait_settled
screenshot "$artefacts/line.png"
changed=$(changed_pixels "$artefacts/page.png" "$artefacts/line.png" 200x200+0+0)
[ "$changed" -gt 200 ] || fail "an arrow on a slider changed only $changed pixels of the glasses"

# The close box is at the right end of the caption.
click_at $((dx + dw - 12)) $((dy + 10)) 1
for _ in $(seq 1 $((start_limit * 2))); do
    [ -z "$(xdotool search --onlyvisible --name "^$dialog_title\$" 2>/dev/null)" ] && break
    sleep 0.5
done
[ -z "$(xdotool search --onlyvisible --name "^$dialog_title\$" 2>/dev/null)" ] || fail "the close box left the dialog shown"

# "操作ダイアログ" is the fourth item of the context menu. Hiding the active dialog leaves no
# window with the keyboard under Xvfb, where no window manager passes it on: give it back to
# the glasses, as a desktop would.
xdotool windowfocus --sync "$window" 2>/dev/null || true
read -r x y <<<"$(opaque_point "$artefacts/after.png" 0 0 200 200)" || fail "no glasses to click"
click_at "$x" "$y" 3
xdotool key Down Down Down Down Return
visible_window "$dialog_title" >/dev/null || fail "the menu did not show the dialog again"

# The dialog now has the keyboard; Escape there only hides it. End through the menu.
click_at "$x" "$y" 3
xdotool key Up Return
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "control_dialog: ok"
