#!/usr/bin/env bash
# Runs one command under Wine in a prefix of its own, on an Xvfb display of its own.
#   scripts/wine-env.sh COMMAND [ARGS...]
#   scripts/wine-env.sh --display COMMAND [ARGS...]   on $DISPLAY instead, when there is one
# The prefix is a fresh copy of a template made once per machine and Wine version (in
# ~/.cache/vellarn); afterwards the copy's wineserver, and so only the processes this run
# started, is ended and the copy removed. Inside COMMAND, $WINEPREFIX and $DISPLAY are set,
# and $WINE32 and $WINE64 name the loaders for 32-bit and 64-bit programs: call the right one
# directly, since the generic `wine` starts the 32-bit loader first, which is slow where
# 32-bit code runs under emulation (see scripts/setup.sh).
set -euo pipefail

on_display=""
if [ "${1:-}" = --display ]; then
    shift
    [ -n "${DISPLAY:-}" ] && on_display=1
fi

export WINEDEBUG=-all
export WINEARCH=win64
export WINE32=/usr/lib/wine/wine
export WINE64=/usr/lib/wine/wine64
# No Mono or Gecko: nothing here needs them and there is no network to fetch them.
export WINEDLLOVERRIDES="mscoree,mshtml="

cache="${XDG_CACHE_HOME:-$HOME/.cache}/vellarn"
template="$cache/wine-template-$("$WINE64" --version | tr -c 'A-Za-z0-9.\n' '_')"

make_template() {
    local tmp="$template.tmp.$$"
    rm -rf "$tmp"
    WINEPREFIX="$tmp" "$WINE64" wineboot -i >/dev/null 2>&1
    # Dialogs and menus ask for Japanese UI fonts; map them to the installed IPA Gothic.
    local reg="$tmp/drive_c/fonts.reg"
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS PGothic" "MS Gothic" "MS UI Gothic"; do
            printf '"%s"="IPAPGothic"\r\n' "$face"
        done
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    WINEPREFIX="$tmp" "$WINE64" regedit /S 'C:\fonts.reg' >/dev/null 2>&1
    rm -f "$reg"
    WINEPREFIX="$tmp" wineserver -w
    mv "$tmp" "$template"
}

mkdir -p "$cache"
(
    flock 9
    [ -d "$template" ] || make_template
) 9>"$cache/wine-template.lock"

prefix="$(mktemp -d /tmp/vellarn-wine.XXXXXX)"
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT
cp -a "$template/." "$prefix/"
export WINEPREFIX="$prefix"

status=0
if [ -n "$on_display" ]; then
    "$@" || status=$?
else
    # -noreset: the display keeps its state (such as a desktop picture) while no client is
    # connected.
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@" || status=$?
fi
exit $status
