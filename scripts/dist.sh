#!/usr/bin/env bash
# Builds the 32-bit release exe if needed and lays out the release folder:
#   dist/vellarn/vellarn.exe           the program (i686, statically linked, stripped)
#   dist/vellarn/*.mqo                 our glasses, where the model menu lists them
#   dist/vellarn/data/model/*.mqo      the same, where a remembered model name is looked for
#   dist/vellarn/data/texture/         where textures named by a model are looked for
#   dist/vellarn/readme-ja.txt, readme-en.txt   the user guide (UTF-8 with BOM, CR LF)
# then checks the exe (scripts/check-release.sh).
#   scripts/dist.sh          the folder only (make run)
#   scripts/dist.sh --zip    and dist/vellarn-<version>-win32.zip holding the folder (make dist)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
version="$(sed -n 's/^project(vellarn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
dist="$root/dist/vellarn"

cd "$root"
cmake --preset win32 >/dev/null
cmake --build build/win32 --target vellarn -j "$(nproc)"

rm -rf "$dist"
mkdir -p "$dist/data/model" "$dist/data/texture"
i686-w64-mingw32-strip -o "$dist/vellarn.exe" build/win32/vellarn.exe
cp data/model/*.mqo "$dist/"
cp data/model/*.mqo "$dist/data/model/"
if [ -d data/texture ]; then
    find data/texture -maxdepth 1 -type f -exec cp {} "$dist/data/texture/" \;
fi
# Notepad on every Windows version reads UTF-8 with a byte-order mark and CR LF line ends.
for lang in ja en; do
    { printf '\xef\xbb\xbf'; sed 's/$/\r/' "docs/readme-$lang.txt"; } >"$dist/readme-$lang.txt"
done

bash scripts/check-release.sh "$dist/vellarn.exe" "$version"

if [ "${1:-}" = --zip ]; then
    zip_file="$root/dist/vellarn-$version-win32.zip"
    rm -f "$zip_file"
    # Python's zip writer marks the Japanese file names as UTF-8 (the flag that the Windows zip
    # folder and every current unzip program read); Info-ZIP's zip stores them unmarked, and
    # Windows would then read them in its own code page.
    (cd "$root/dist" && python3 -m zipfile -c "$zip_file" vellarn)
    echo "release: $zip_file ($(du -k "$zip_file" | cut -f1) KiB)"
fi
echo "release folder: $dist"
