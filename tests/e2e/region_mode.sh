#!/usr/bin/env bash
# Where user32 has no layered windows, the window takes the shape of the glasses: a region
# with holes where the lenses are, through which the desktop shows.
source "$(dirname "$0")/lib.sh"

# The same program built to run as if the functions were missing.
exe="$(dirname "$exe")/tests/vellarn_region_mode.exe"
[ -f "$exe" ] || fail "$exe was not built"
start_app
wait_started
window=$(wait_window)
grey_desktop
screenshot "$artefacts/region.png"

# pixel X Y: the colour of one screen pixel as #RRGGBB.
pixel() {
    convert "$artefacts/region.png" -crop "1x1+$1+$2" +repage -depth 8 txt:- | awk 'NR == 2 { print $3 }'
}
grey="#808080"
[ "$(pixel 2 2)" = "$grey" ] && [ "$(pixel 197 197)" = "$grey" ] || fail "the corners are not cut away"
# The middle of each lens is a hole; the frame around it is drawn.
[ "$(pixel 55 100)" = "$grey" ] && [ "$(pixel 145 100)" = "$grey" ] ||
    fail "the lenses are not holes ($(pixel 55 100), $(pixel 145 100))"
drawn=$(convert "$artefacts/region.png" -crop 200x200+0+0 +repage -fill black +opaque "$grey" -fill white -opaque "$grey" \
    -negate -format "%[fx:round(mean*w*h)]" info:)
[ "$drawn" -gt 1500 ] || fail "only $drawn pixels of glasses drawn"

press "$window" Escape
wait_exit
[ "$exit_code" = 0 ] || fail "exit code $exit_code"
echo "region_mode: ok"
