#!/usr/bin/env bash
# The release check passes the given exe and refuses exes that would not run from a bare
# folder or lack what Windows shows about a program: a C++ program linked against the MinGW
# runtime DLLs, a program importing ddraw.dll (which a file beside it could replace), a console
# program, a 32-bit program limited to 2 GB of address space, and
# programs without version information, icon or manifest, and a program whose menu is in
# Japanese only.
#   tests/release/check_release.sh EXE
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
check="$root/scripts/check-release.sh"
work="$(mktemp -d /tmp/vellarn-check-test.XXXXXX)"
trap 'rm -rf "$work"' EXIT

bash "$check" "$1"

# refused WHY EXE [VERSION]: the check must fail on EXE with a message containing WHY.
refused() {
    if bash "$check" "$2" ${3:+"$3"} >"$work/out" 2>&1; then
        echo "FAILED: the check passed $(basename "$2")" >&2
        exit 1
    fi
    grep -q "$1" "$work/out" || { echo "FAILED: expected '$1', got:" >&2; cat "$work/out" >&2; exit 1; }
    echo "refused $(basename "$2"): $(grep FAILED "$work/out")"
}

cxx="i686-w64-mingw32-g++ -Wl,--large-address-aware"
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }\n' >"$work/gui.cpp"
printf '#include <iostream>\nint main() { std::cout << 1; }\n' >"$work/console.cpp"
printf '#include <windows.h>\n#include <ddraw.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return DirectDrawCreateEx(nullptr, nullptr, IID_IDirectDraw7, nullptr); }\n' >"$work/ddraw.cpp"
printf '#include <string>\n#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return static_cast<int>(std::to_string(1).size()); }\n' >"$work/shared.cpp"

# with_resources NAME RC: a static GUI program with the given resource script.
with_resources() {
    printf '#include <windows.h>\n%b' "$2" >"$work/$1.rc"
    i686-w64-mingw32-windres "$work/$1.rc" -O coff -o "$work/$1.res"
    $cxx -mwindows -static "$work/gui.cpp" "$work/$1.res" -o "$work/$1.exe"
}
version='1 VERSIONINFO\nFILEVERSION 1,2,3,0\nBEGIN\nBLOCK "StringFileInfo"\nBEGIN\nBLOCK "041104B0"\nBEGIN\nVALUE "FileVersion", "1.2.3"\nVALUE "ProductVersion", "1.2.3"\nEND\nEND\nEND\n'
icon="128 ICON \"$root/resources/vellarn.ico\"\n"
printf '<assembly manifestVersion="1.0"><assemblyIdentity name="Vellarn.Vellarn" version="1.2.3.0"/><assemblyIdentity name="Microsoft.Windows.Common-Controls" version="6.0.0.0"/></assembly>' >"$work/manifest"
manifest="1 24 \"$work/manifest\"\n"
japanese_menu='130 MENU\nLANGUAGE LANG_JAPANESE, SUBLANG_DEFAULT\nBEGIN\nMENUITEM "x", 1\nEND\n'

$cxx -mwindows "$work/shared.cpp" -o "$work/shared-runtime.exe"
$cxx -static "$work/console.cpp" -o "$work/console.exe"
$cxx -mwindows -static "$work/ddraw.cpp" -lddraw -ldxguid -o "$work/imports-ddraw.exe"
$cxx -mwindows -static "$work/gui.cpp" -o "$work/bare.exe"
i686-w64-mingw32-g++ -mwindows -static "$work/gui.cpp" -o "$work/two-gigabytes.exe"
with_resources version-only "$version"
with_resources no-manifest "$version$icon"
with_resources japanese-only "$version$icon$manifest$japanese_menu"

refused "which is not a DLL that Windows takes only from its system folder" "$work/shared-runtime.exe"
refused "imports ddraw.dll," "$work/imports-ddraw.exe"
refused "expected 2 (Windows GUI)" "$work/console.exe"
refused "not large address aware" "$work/two-gigabytes.exe"
refused "no version information" "$work/bare.exe"
refused "file version 1.2.3.0, expected 0.1.0.0" "$work/version-only.exe" 0.1.0
refused "no icon group 128" "$work/version-only.exe" 1.2.3
refused "no embedded manifest" "$work/no-manifest.exe" 1.2.3
refused "menus in Japanese: '000082', in English: ''" "$work/japanese-only.exe" 1.2.3
echo "check_release: ok"
