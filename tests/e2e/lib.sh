# Shared steps of the end-to-end tests. Sourced by each test, which runs inside
# scripts/wine-env.sh (its own Wine prefix and Xvfb display) and gets the exe's path as $1.
# The program runs in $scratch: a fresh folder holding our glasses, as a fresh installation
# has them beside the exe; or, when E2E_FOLDER names a release folder (dist/vellarn or an
# unzipped release), in that folder as it is. Screenshots and other files of the test go into
# $artefacts, which is removed at the end.
set -euo pipefail

exe="$(readlink -f "$1")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
artefacts="$(mktemp -d /tmp/vellarn-e2e.XXXXXX)"
if [ -n "${E2E_FOLDER:-}" ]; then
    scratch="$(readlink -f "$E2E_FOLDER")"
else
    scratch="$artefacts/run"
    mkdir "$scratch"
    cp "$root"/data/model/*.mqo "$scratch/"
fi
app_pid=""
compositor_pid=""

cleanup_e2e() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$compositor_pid" ] && kill "$compositor_pid" 2>/dev/null || true
    rm -rf "$artefacts"
}
trap cleanup_e2e EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The program speaks Japanese where Windows does, English everywhere else; under Wine, LANG
# sets the Windows locale (scripts/run-tests.sh runs the tests under ja_JP.UTF-8 and
# en_US.UTF-8). The texts the tests look for, in that language: the control dialog's title,
# the open-file dialog's title and the context menu's items, "|" between them.
case "${LANG:-}" in
    ja_JP*)
        interface=ja dialog_title="Vellarn 操作ダイアログ" open_title="開く"
        menu_items="レンズの色|眼鏡の種類|モデルを開く...|操作ダイアログ|終了"
        ;;
    *)
        interface=en dialog_title="Vellarn control dialog" open_title="Open"
        menu_items="Lens colour|Glasses|Open model...|Control dialog|Exit"
        ;;
esac

# The Wine loader for the exe: 64-bit programs go straight to the 64-bit loader.
# Every wait below takes its limit from $start_limit, the seconds a start-up may take: 32-bit
# programs start slowly where they run under emulation, and do everything else slowly too.
# Waits poll twice a second. $reaction_limit is the shorter wait for the answer to one input
# that may have missed and is then repeated.
machine=$(od -An -tx1 -j $(( $(od -An -tu4 -j 60 -N 4 "$exe") + 4 )) -N 2 "$exe" | tr -d ' ')
case "$machine" in
    6486) loader="$WINE64" start_limit=60 ;;
    *) loader="$WINE32" start_limit=600 ;;
esac
reaction_limit=$((start_limit / 6))

# start_app [LOG]: starts the exe in the scratch directory, in the background. Given LOG, the
# program's Wine output goes there, with Wine's trace of the menus it draws (shown_menu_items).
start_app() {
    touch "$artefacts/.started"
    sleep 1  # so that a settings file written now is newer than the mark
    if [ -n "${1:-}" ]; then
        (cd "$scratch" && WINEDEBUG=-all,trace+menu exec "$loader" "$exe" 2>"$1") &
    else
        (cd "$scratch" && exec "$loader" "$exe") &
    fi
    app_pid=$!
}

# shown_menu_items LOG: the texts of the menu items drawn so far (start_app LOG), one a line,
# each once, in the order they were first drawn. Wine's trace writes a character outside
# ASCII as a backslash and four hex digits.
shown_menu_items() {
    grep -a 'trace:menu:draw_menu_item {' "$1" | sed -n 's/.* Text=L"\(.*\)"  }$/\1/p' |
        perl -CS -pe 's/\\([0-9a-f]{4})/chr(hex($1))/ge' | awk '!seen[$0]++'
}

# start_compositor: a compositing manager on the display, so that the layered window is
# blended with the desktop as on Windows (the tests otherwise run without one). It takes the
# desktop picture that is set when it starts: call desktop_background first.
start_compositor() {
    xcompmgr &
    compositor_pid=$!
    for _ in $(seq 1 $((start_limit * 2))); do
        sleep 0.5
        shows_desktop && return 0
    done
    fail "the desktop picture is gone under the compositing manager"
}

# wait_window: prints the X window id of the floating window (the program's window without a
# title), waiting up to $start_limit s.
wait_window() {
    for _ in $(seq 1 $((start_limit * 2))); do
        for id in $(xdotool search --onlyvisible --classname "$(basename "$exe")" 2>/dev/null); do
            if [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ]; then
                echo "$id"
                return 0
            fi
        done
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended before showing a window"
        sleep 0.5
    done
    fail "no window appeared"
}

# wait_started: waits until start-up has finished, which writes vellarn.cfg after the first
# picture, and the screen has settled, up to $start_limit s each.
wait_started() {
    for _ in $(seq 1 $((start_limit * 2))); do
        [ -s "$scratch/vellarn.cfg" ] && [ "$scratch/vellarn.cfg" -nt "$artefacts/.started" ] && { wait_settled; return 0; }
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended during start-up"
        sleep 0.5
    done
    fail "start-up did not finish"
}

# screenshot FILE: the whole screen as a PNG.
screenshot() {
    import -window root "$1"
}

# grab FILE: the whole screen as raw pixels, quick to take and to compare with cmp.
grab() {
    import -window root -depth 8 "rgb:$1"
}

# cpu_ticks: the processor time the program has taken so far, in clock ticks (nothing once it
# has ended).
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$app_pid/stat" 2>/dev/null || true
}

# wait_settled [BEFORE]: waits until two screens in a row, half a second apart, are the same
# and the program took no processor time between them: a loaded machine may leave it drawing
# for seconds. Given BEFORE (a grab), only once the screen differs from it: the picture has
# changed and then stays. Up to $start_limit s.
wait_settled() {
    local before="${1:-}" last="$artefacts/.last.rgb" now="$artefacts/.now.rgb" was ticks
    grab "$last"
    was=$(cpu_ticks)
    for _ in $(seq 1 $((start_limit * 2))); do
        sleep 0.5
        grab "$now"
        ticks=$(cpu_ticks)
        if [ "$ticks" = "$was" ] && cmp -s "$last" "$now" && ! { [ -n "$before" ] && cmp -s "$before" "$now"; }; then
            return 0
        fi
        mv "$now" "$last"
        was=$ticks
    done
    [ -n "$before" ] && cmp -s "$before" "$last" && fail "the picture did not change"
    fail "the picture did not settle"
}

# mean_level FILE GEOMETRY: the mean brightness (0..1) of a region of a screenshot.
mean_level() {
    convert "$1" -crop "$2" +repage -format "%[fx:mean]" info:
}

# press KEY: focuses the window and sends the key.
press() {
    local window="$1" key="$2"
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --window "$window" "$key"
}

# wait_exit: waits up to $start_limit s for the program to end and sets $exit_code to its
# exit code.
wait_exit() {
    for _ in $(seq 1 $((start_limit * 2))); do
        if ! kill -0 "$app_pid" 2>/dev/null; then
            exit_code=0
            wait "$app_pid" || exit_code=$?
            app_pid=""
            return 0
        fi
        sleep 0.5
    done
    fail "the program did not end"
}

# hex FILE: the file's bytes as space-separated upper-case hex.
hex() {
    od -An -tx1 -v "$1" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//' | tr 'a-f' 'A-F'
}

# desktop_background: paints the desktop with a blue gradient (as a desktop picture would be)
# and keeps it as $artefacts/desktop.png, so that what the program draws can be told from it.
desktop_background() {
    convert -size "$(xdpyinfo | sed -n 's/.*dimensions: *\([0-9]*x[0-9]*\).*/\1/p')" \
        gradient:'#2f5f95-#a9c9e6' "$artefacts/desktop.png"
    hsetroot -full "$artefacts/desktop.png" >/dev/null
    shows_desktop || fail "the desktop picture was not set"
}

# shows_desktop: the screen shows the desktop picture (checked in a patch at its middle).
shows_desktop() {
    local f
    screenshot "$artefacts/desktop-shown.png"
    f=$(changed_fraction "$artefacts/desktop-shown.png" 64x64+600+400)
    awk -v f="$f" 'BEGIN { exit !(f < 0.01) }'
}

# window_geometry ID: prints "x y width height" of an X window.
window_geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$X $Y $WIDTH $HEIGHT"
}

# changed_fraction FILE GEOMETRY: the share (0..1) of the region's pixels that differ from the
# desktop background by more than a little.
changed_fraction() {
    convert "$1" "$artefacts/desktop.png" -compose difference -composite -crop "$2" +repage \
        -colorspace gray -threshold 4% -format "%[fx:mean]" info:
}

# glasses_point FILE GEOMETRY: prints "x y", a screen point on the glasses that the region
# shows: the middle of the left lens (a quarter across the part that differs from the desktop,
# halfway down).
glasses_point() {
    local box x0 y0
    read -r x0 y0 <<<"$(sed 's/.*+\([0-9]*\)+\([0-9]*\)$/\1 \2/' <<<"$2")"
    box=$(convert "$1" "$artefacts/desktop.png" -compose difference -composite -crop "$2" +repage \
        -colorspace gray -threshold 4% -format "%@" info:)
    local w h x y
    read -r w h x y <<<"$(tr 'x+' '  ' <<<"$box")"
    echo $((x0 + x + w / 4)) $((y0 + y + h / 2))
}

# menu_windows WINDOW: the ids of the program's open menus (visible untitled windows other
# than the floating window).
menu_windows() {
    local id
    for id in $(xdotool search --onlyvisible --classname "$(basename "$exe")" 2>/dev/null); do
        [ "$id" != "$1" ] && [ -z "$(xdotool getwindowname "$id" 2>/dev/null)" ] && echo "$id"
    done
    return 0
}

# open_menu WINDOW X Y: right-clicks at (X, Y) and waits until the context menu is open. The
# program opens it only once it is back in its message loop, so this also waits for whatever
# it was doing (a model load) to end.
open_menu() {
    xdotool mousemove "$2" "$3" click 3
    for _ in $(seq 1 $((start_limit * 2))); do
        [ -n "$(menu_windows "$1")" ] && { wait_settled; return 0; }
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
        sleep 0.5
    done
    fail "no context menu opened"
}

# close_menus WINDOW: closes the open menus with Escape, one level at a time, each key only
# after the previous one took effect (a key too many would reach the floating window and end
# the program).
close_menus() {
    local open now
    open=$(menu_windows "$1" | wc -l)
    while [ "$open" -gt 0 ]; do
        xdotool key Escape
        for _ in $(seq 1 $((start_limit * 2))); do
            now=$(menu_windows "$1" | wc -l)
            [ "$now" -lt "$open" ] && break
            sleep 0.5
        done
        [ "$now" -lt "$open" ] || fail "the context menu did not close"
        open=$now
    done
}

# open_model_list WINDOW SHOT: right-clicks the glasses (found in SHOT, a screenshot showing
# them in WINDOW) and opens "眼鏡の種類", the menu's second item, at its first entry.
open_model_list() {
    local area px py
    area=$(window_area "$1")
    read -r px py <<<"$(glasses_point "$2" "$area")"
    open_menu "$1" "$px" "$py"
    xdotool key Down Down Right
    for _ in $(seq 1 $((start_limit * 2))); do
        [ "$(menu_windows "$1" | wc -l)" -ge 2 ] && { wait_settled; return 0; }
        sleep 0.5
    done
    fail "the model list did not open"
}

# window_area ID: the window's rectangle as an ImageMagick geometry (WxH+X+Y).
window_area() {
    local x y w h
    read -r x y w h <<<"$(window_geometry "$1")"
    echo "${w}x${h}+${x}+${y}"
}

# grey_desktop: paints the desktop mid-grey, so that whatever the window leaves out shows as
# #808080.
grey_desktop() {
    xsetroot -solid "#808080"
    wait_settled
}

# opaque_point FILE X Y W H: prints "x y", the point of the screen area X,Y,W,H nearest its
# middle that lies at least two pixels inside what the window shows over the grey desktop:
# a point where a mouse press reaches the window.
opaque_point() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage \
        -fill white +opaque "#808080" -fill black -opaque "#808080" -morphology Erode Square:2 txt:- |
        awk -F'[,: ]+' -v x0="$2" -v y0="$3" -v cx=$(($4 / 2)) -v cy=$(($5 / 2)) '
            NR > 1 && /#FFFFFF/ { d = ($1 - cx) ^ 2 + ($2 - cy) ^ 2; if (best == "" || d < best) { best = d; bx = $1; by = $2 } }
            END { if (best == "") exit 1; print bx + x0, by + y0 }'
}

# changed_pixels FILE1 FILE2 GEOMETRY: how many pixels of the area differ between two
# screenshots (beyond a little noise).
changed_pixels() {
    local a="$artefacts/.a.png" b="$artefacts/.b.png"
    convert "$1" -crop "$3" +repage "$a"
    convert "$2" -crop "$3" +repage "$b"
    compare -fuzz 3% -metric AE "$a" "$b" null: 2>&1 || true
}

# bright_pixels FILE GEOMETRY: how many pixels of the area are near white.
bright_pixels() {
    convert "$1" -crop "$2" +repage -colorspace gray -threshold 80% -format "%[fx:round(mean*w*h)]" info:
}

# drag KEYS X Y DX DY: presses the left button at X,Y with KEYS held (e.g. shift, ctrl+shift,
# or "" for none), moves by DX,DY in steps at a hand's pace and releases; then waits until the
# picture has changed and settled.
drag() {
    local keys="$1" x="$2" y="$3" dx="$4" dy="$5"
    xdotool mousemove "$x" "$y"
    grab "$artefacts/.before-drag.rgb"
    [ -n "$keys" ] && xdotool keydown "$keys"
    xdotool mousedown 1
    for step in 1 2 3 4; do
        xdotool mousemove $((x + dx * step / 4)) $((y + dy * step / 4))
        sleep 0.2
    done
    xdotool mouseup 1
    [ -n "$keys" ] && xdotool keyup "$keys"
    wait_settled "$artefacts/.before-drag.rgb"
}

# visible_window NAME: the id of a visible window whose title is NAME, waiting up to
# $start_limit s.
visible_window() {
    for _ in $(seq 1 $((start_limit * 2))); do
        for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
            echo "$id"
            return 0
        done
        sleep 0.5
    done
    return 1
}

# settings_name: the model name that vellarn.cfg holds (after its 5-byte header).
settings_name() {
    tail -c +6 "$scratch/vellarn.cfg" | iconv -f CP932 -t UTF-8
}

# click_at X Y BUTTON: moves the mouse, lets the window under it see the motion, and clicks;
# then waits until the picture has changed and settled.
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.5
    grab "$artefacts/.before-click.rgb"
    xdotool mousedown "$3"
    sleep 0.3
    xdotool mouseup "$3"
    wait_settled "$artefacts/.before-click.rgb"
}
