#!/usr/bin/env bash
# Checks a built vellarn.exe the way a Windows developer would before shipping it:
#   - it imports only DLLs that Windows always takes from its system folder (no MinGW runtime,
#     no C++ library, and no DLL that a file of the same name beside the exe could replace);
#   - it is a GUI program;
#   - a 32-bit exe is large-address-aware (4 GB of address space on 64-bit Windows);
#   - it carries version information with the project's version, the program icon (group 128
#     and its images) and an embedded manifest (Common Controls 6, the same version);
#   - its menus, dialogs and strings are there in Japanese and in English alike.
#   scripts/check-release.sh EXE [VERSION]
# VERSION defaults to the project version in CMakeLists.txt. Prints what it found, including
# the imported DLLs; exits non-zero on the first problem.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$1"
version="${2:-$(sed -n 's/^project(vellarn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}"

fail() {
    echo "release check FAILED: $*" >&2
    exit 1
}

[ -f "$exe" ] || fail "$exe does not exist"

# DLLs that Windows loads only from its system folder, whatever lies beside the exe: its known
# DLLs, and comctl32.dll, which the manifest binds to the system's Common Controls 6. Others
# (ddraw.dll, winmm.dll, version.dll, ...) the program loads itself from the system folder.
system_dlls=(kernel32.dll user32.dll gdi32.dll advapi32.dll comdlg32.dll imm32.dll msvcrt.dll
    ole32.dll oleaut32.dll shell32.dll shlwapi.dll comctl32.dll)

# The machine field of the PE header picks the objdump that reads the file.
pe_offset=$(od -An -tu4 -j 60 -N 4 "$exe" | tr -d ' ')
machine=$(od -An -tx1 -j $((pe_offset + 4)) -N 2 "$exe" | tr -d ' ')
case "$machine" in
    4c01) objdump=i686-w64-mingw32-objdump arch=i386 ;;
    6486) objdump=x86_64-w64-mingw32-objdump arch=x86-64 ;;
    *) fail "not a Windows x86 program (machine $machine)" ;;
esac
headers="$($objdump -p "$exe")"
sections="$($objdump -h "$exe")"

echo "release check: $exe"
subsystem=$(sed -n 's/^Subsystem[[:space:]]*0*\([0-9]*\).*/\1/p' <<<"$headers")
[ "$subsystem" = 2 ] || fail "subsystem $subsystem, expected 2 (Windows GUI)"
echo "  machine $arch, Windows GUI program"

# Imports.
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
for dll in $imports; do
    lower=$(tr 'A-Z' 'a-z' <<<"$dll")
    [[ " ${system_dlls[*]} " == *" $lower "* ]] || fail "imports $dll, which is not a DLL that Windows takes only from its system folder"
done
echo "  imports (all from the system folder):" $imports

if [ "$arch" = i386 ]; then
    grep -q '^[[:space:]]*large address aware' <<<"$headers" ||
        fail "a 32-bit exe that is not large address aware (2 GB of address space)"
    echo "  large address aware"
fi

# Resources: objdump lists the resource tree as type, name and language entries, each
# language entry followed by its leaf (address and size). Collect "type name address size
# language", all as the hexadecimal digits objdump prints (identifiers with six digits; the
# neutral language as 00000000).
resources=$(awk '
    /^The .rsrc Resource Directory section/ { on = 1; next }
    !on { next }
    /Entry: ID:/ {
        match($0, /^[0-9a-f]+ +/); depth = RLENGTH
        id = $0; sub(/.*ID: (0x)?/, "", id); sub(/,.*/, "", id)
        if (depth <= 6) type = id; else if (depth <= 8) name = id; else language = id
        next
    }
    /Leaf: Addr:/ {
        addr = $0; sub(/.*Addr: 0x/, "", addr); sub(/,.*/, "", addr)
        size = $0; sub(/.*Size: 0x/, "", size); sub(/,.*/, "", size)
        print type, name, addr, size, language
    }
    /^ *Resources start at/ { on = 0 }' <<<"$headers")

image_base=$((16#$(sed -n 's/^ImageBase[[:space:]]*\([0-9a-fA-F]*\).*/\1/p' <<<"$headers")))
rsrc_line=$(grep -E '^ +[0-9]+ \.rsrc ' <<<"$sections") ||
    fail "no resources at all: no version information, icon or manifest"
read -r _ _ _ rsrc_vma _ rsrc_file _ <<<"$rsrc_line"

# resource TYPE NAME FILE: writes the resource's bytes to FILE; fails when it is missing.
resource() {
    local line
    line=$(awk -v t="$(printf %06x "$1")" -v n="$(printf %06x "$2")" '$1 == t && $2 == n { print; exit }' <<<"$resources")
    [ -n "$line" ] || return 1
    local addr size
    read -r _ _ addr size _ <<<"$line"
    local offset=$((image_base + 16#$addr - 16#$rsrc_vma + 16#$rsrc_file))
    dd if="$exe" of="$3" iflag=skip_bytes,count_bytes bs=4096 skip=$offset count=$((16#$size)) status=none
}

work="$(mktemp -d /tmp/vellarn-release-check.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# Version information (type 16, name 1): the fixed part starts with the signature FEEF04BD and
# holds the file version as two dwords (major.minor, patch.build); the string table holds
# FileVersion and ProductVersion as UTF-16 text.
resource 16 1 "$work/version" || fail "no version information"
hex=$(od -An -tx1 -v "$work/version" | tr -d ' \n')
fixed=${hex#*bd04effe}
[ "$fixed" != "$hex" ] || fail "version information without its fixed part"
le_word() { echo $((16#${1:2:2}${1:0:2})); }
file_version="$(le_word "${fixed:12:4}").$(le_word "${fixed:8:4}").$(le_word "${fixed:20:4}").$(le_word "${fixed:16:4}")"
[ "$file_version" = "$version.0" ] || fail "file version $file_version, expected $version.0"
strings=$(iconv -c -f UTF-16LE -t UTF-8 "$work/version" | tr -c '[:print:]' '\n' | grep -v '^$')
for key in FileVersion ProductVersion; do
    value=$(grep -A1 -x "$key" <<<"$strings" | tail -1)
    [ "$value" = "$version" ] || fail "$key is '$value', expected '$version'"
done
echo "  version information: $file_version, FileVersion and ProductVersion \"$version\""

# Icon: group 128 (type 14) names its images (type 3), 14 bytes per entry after a 6-byte
# header, the image's resource name in the last two bytes of each entry.
resource 14 128 "$work/icon-group" || fail "no icon group 128"
count=$(od -An -tu2 -j 4 -N 2 "$work/icon-group" | tr -d ' ')
[ "$count" -gt 0 ] || fail "icon group 128 is empty"
for ((i = 0; i < count; i++)); do
    id=$(od -An -tu2 -j $((6 + 14 * i + 12)) -N 2 "$work/icon-group" | tr -d ' ')
    resource 3 "$id" "$work/icon-$id" || fail "icon image $id of group 128 is missing"
done
echo "  icon 128: $count images"

# Manifest (type 24, name 1, which Windows reads when it starts a program).
resource 24 1 "$work/manifest" || fail "no embedded manifest"
grep -q '<assembly ' "$work/manifest" || fail "the manifest is not an assembly manifest"
grep -q "name=\"Vellarn.Vellarn\" version=\"$version.0\"" "$work/manifest" ||
    fail "the manifest does not name version $version.0"
grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$work/manifest" ||
    fail "the manifest does not ask for Common Controls 6"
echo "  manifest: $(wc -c <"$work/manifest") bytes, version $version.0, Common Controls 6"

# Languages: the program shows its menus (type 4), dialogs (5) and strings (6, in blocks of
# sixteen) in Japanese (0411) on a Japanese Windows and in English (0409) on every other, so
# each is there in both under the same names. A language-neutral menu or string block would be
# what the resource loader offers first on any Windows; only the floating window's template,
# which shows no text, is neutral.
names_in() { awk -v t="$1" -v l="$2" '$1 == t && $5 == l { print $2 }' <<<"$resources" | sort -u | paste -sd ' '; }
for kind in 000004:menus 000005:dialogs 000006:"string blocks"; do
    type=${kind%%:*}
    ja=$(names_in "$type" 000411)
    en=$(names_in "$type" 000409)
    [ -n "$ja" ] && [ "$ja" = "$en" ] || fail "${kind#*:} in Japanese: '$ja', in English: '$en'"
    [ "$type" = 000005 ] || [ -z "$(names_in "$type" 00000000)" ] || fail "language-neutral ${kind#*:}: $(names_in "$type" 00000000)"
done
echo "  menus, dialogs and strings in Japanese and English"
echo "release check: ok"
