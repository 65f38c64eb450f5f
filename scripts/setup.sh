#!/usr/bin/env bash
# Installs, only when missing, every Debian package that building and testing Vellarn needs.
# Safe to run any number of times; does nothing when everything is already there.
set -euo pipefail

packages=(
    cmake make g++
    # make fuzz: clang with libFuzzer (in the compiler runtime package), and llvm-symbolizer
    # for readable sanitizer reports.
    clang libclang-rt-14-dev llvm-14
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 wine32:i386
    xvfb xdotool x11-utils x11-xserver-utils imagemagick
    # make screenshots: a compositing manager, so that layered windows are blended with the
    # desktop picture as on Windows, and a desktop picture it can draw (the tests set it with
    # hsetroot, which names it on the root window as compositing managers look for it).
    xcompmgr hsetroot
    # The Japanese and English locales the end-to-end tests run Wine under (generated below).
    locales
    googletest libgtest-dev libbenchmark-dev
    # Benchmarks only: a reference reader for the .x loading figures; the program never uses it.
    libassimp-dev
    fonts-ipafont-gothic zip unzip python3 qemu-user-static
    # Wine loads these at run time (OpenGL under Direct3D, X extensions, fonts); they are only
    # recommended by the wine packages, so name them to be sure they are there.
    libgl1-mesa-dri:i386 libgl1:i386 libxrender1:i386 libxext6:i386 libfreetype6:i386 libfontconfig1:i386
    libxcursor1:i386 libxi6:i386 libxinerama1:i386 libxrandr2:i386 libxcomposite1:i386
    libgl1-mesa-dri libgl1 libfreetype6 fonts-wine
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -q i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine takes the Windows locale from LANG; a LANG naming a locale the machine lacks garbles
# Wine's file names. Generate the two the tests use, only when missing.
locales_missing=()
for l in ja_JP en_US; do
    locale -a 2>/dev/null | grep -qx "$l.utf8" || locales_missing+=("$l")
done
if [ ${#locales_missing[@]} -gt 0 ]; then
    echo "setup: generating the locales ${locales_missing[*]/%/.UTF-8}"
    for l in "${locales_missing[@]}"; do
        $SUDO sed -i "s/^# *\($l\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    done
    $SUDO locale-gen >/dev/null
fi

# Some virtual machines cannot execute 32-bit x86 code ("Exec format error" for any i386
# program). There Wine's 32-bit loader, and so every 32-bit Windows program, runs through
# qemu's user-mode emulator: slow, but correct. Registered at every run, since a restart
# forgets it.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    mountpoint -q "$binfmt" || ${SUDO:-} mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-i386" ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOC' |
            ${SUDO:-} tee "$binfmt/register" >/dev/null
    fi
    /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "setup: cannot run 32-bit programs" >&2; exit 1; }
fi
