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
        for id in $(xdotool search --onlyvisible --classname "vellarn.exe" 2>/dev/null); do
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
