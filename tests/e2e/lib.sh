# Shared steps of the end-to-end tests. Sourced by each test, which runs inside
# scripts/wine-env.sh (its own Wine prefix and Xvfb display) and gets the exe's path as $1.
set -euo pipefail

exe="$(readlink -f "$1")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
scratch="$(mktemp -d /tmp/vellarn-e2e.XXXXXX)"
# The working directory of a fresh installation: the exe's folder with our glasses in it.
cp "$root"/data/model/*.mqo "$scratch/"
app_pid=""

cleanup_e2e() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup_e2e EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The Wine loader for the exe: 64-bit programs go straight to the 64-bit loader.
machine=$(od -An -tx1 -j $(( $(od -An -tu4 -j 60 -N 4 "$exe") + 4 )) -N 2 "$exe" | tr -d ' ')
case "$machine" in
    6486) loader="$WINE64" start_limit=60 ;;
    *) loader="$WINE32" start_limit=600 ;;
esac

# start_app: starts the exe in the scratch directory, in the background.
start_app() {
    touch "$scratch/.started"
    sleep 1  # so that a settings file written now is newer than the mark
    (cd "$scratch" && exec "$loader" "$exe") &
    app_pid=$!
}

# wait_window: prints the X window id of the floating window (the program's window without a
# title), waiting up to $start_limit s (32-bit programs start slowly where they run under
# emulation).
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
# picture, up to $start_limit s.
wait_started() {
    for _ in $(seq 1 $((start_limit * 2))); do
        [ -s "$scratch/vellarn.cfg" ] && [ "$scratch/vellarn.cfg" -nt "$scratch/.started" ] && { sleep 1; return 0; }
        kill -0 "$app_pid" 2>/dev/null || fail "the program ended during start-up"
        sleep 0.5
    done
    fail "start-up did not finish"
}

# screenshot FILE: the whole screen as a PNG.
screenshot() {
    import -window root "$1"
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

# wait_exit: waits up to 60 s for the program to end and sets $exit_code to its exit code.
wait_exit() {
    for _ in $(seq 1 120); do
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

# grey_desktop: paints the desktop mid-grey, so that whatever the window leaves out shows as
# #808080. Call it once the program runs: Xvfb resets the desktop when its last client leaves.
grey_desktop() {
    xsetroot -solid "#808080"
    sleep 1
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
    local a="$scratch/.a.png" b="$scratch/.b.png"
    convert "$1" -crop "$3" +repage "$a"
    convert "$2" -crop "$3" +repage "$b"
    compare -fuzz 3% -metric AE "$a" "$b" null: 2>&1 || true
}

# bright_pixels FILE GEOMETRY: how many pixels of the area are near white.
bright_pixels() {
    convert "$1" -crop "$2" +repage -colorspace gray -threshold 80% -format "%[fx:round(mean*w*h)]" info:
}

# window_geometry WINDOW: prints "x y width height" of an X window.
window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width/ { w = $NF } /^ *Height/ { h = $NF } END { print x, y, w, h }'
}

# drag KEYS X Y DX DY: presses the left button at X,Y with KEYS held (e.g. shift, ctrl+shift,
# or "" for none), moves by DX,DY in steps and releases; then waits for the picture.
drag() {
    local keys="$1" x="$2" y="$3" dx="$4" dy="$5"
    xdotool mousemove "$x" "$y"
    [ -n "$keys" ] && xdotool keydown "$keys"
    xdotool mousedown 1
    for step in 1 2 3 4; do
        xdotool mousemove $((x + dx * step / 4)) $((y + dy * step / 4))
        sleep 0.2
    done
    xdotool mouseup 1
    [ -n "$keys" ] && xdotool keyup "$keys"
    sleep 1.5
}

# visible_window NAME: the id of a visible window whose title is NAME, waiting up to 30 s.
visible_window() {
    for _ in $(seq 1 60); do
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

# click_at X Y BUTTON: moves the mouse, lets the window under it see the motion, and clicks.
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.5
    xdotool mousedown "$3"
    sleep 0.3
    xdotool mouseup "$3"
    sleep 1
}
