#!/usr/bin/env bash
# The processor time the program takes while the user does nothing: the exe is started under
# Wine (inside scripts/wine-env.sh), left alone after its first picture, and the CPU time of its
# process over IDLE_SECONDS (default 10) is printed as a share of that time, as a result row.
#   idle.sh EXE
source "$(dirname "$0")/../tests/e2e/lib.sh"

# cpu_ticks PID: user and system clock ticks the process has used.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

seconds="${IDLE_SECONDS:-10}"
start_app
wait_started
sleep 2  # the first picture's aftermath (the window shown, the settings written)
before=$(cpu_ticks "$app_pid")
sleep "$seconds"
after=$(cpu_ticks "$app_pid")
arch=$([ "$loader" = "${WINE64:-}" ] && echo win64 || echo win32)
awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v a="$arch" \
    'BEGIN { printf "idle/%s/cpu\t%.2f\t%%\t\n", a, 100 * t / hz / s }'
