#!/usr/bin/env python3
"""Checks the include graph of the source tree and exits 1, listing each offence, when

- a file of a layer folder includes a header of a layer above its own (the layers, each using
  only those below it: app, render, model, image, math, base), or
- a file outside a win32/ folder includes a Windows or DirectX header, or a header that lives
  in a win32/ folder.

tests/, tools/ and bench/ stand above every layer: they may include any of them, but the
second rule holds for them too. The root to check is the first argument (default: the tree
this script belongs to)."""
import pathlib
import re
import sys

LAYERS = ["base", "math", "image", "model", "render", "app"]  # lowest first
RANK = {name: rank for rank, name in enumerate(LAYERS)}
# Folders outside the layers that a layer may still include from.
ALLOWED_EXTRA = {"app": {"resources"}}
CHECKED = LAYERS + ["tests", "tools", "bench"]

WINDOWS_HEADERS = {
    "windows.h", "windef.h", "winbase.h", "winuser.h", "wingdi.h", "winnt.h", "winerror.h",
    "winternl.h", "windowsx.h", "winreg.h", "psapi.h", "commctrl.h", "commdlg.h", "shellapi.h",
    "shlobj.h", "shlwapi.h", "mmsystem.h", "timeapi.h", "ddraw.h", "d3d.h", "d3dtypes.h",
    "d3dcaps.h", "objbase.h", "ole2.h", "unknwn.h", "io.h", "direct.h", "tchar.h", "dwmapi.h",
    "uxtheme.h", "tlhelp32.h", "dbghelp.h", "winsock2.h", "libloaderapi.h", "processthreadsapi.h",
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".c", ".inc"}


def in_win32_folder(path):
    return "win32" in path.parts[:-1]


def offences(root):
    for top in CHECKED:
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            relative = path.relative_to(root)
            windows_side = in_win32_folder(relative)
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                kind, name = match.groups()
                where = f"{relative}:{number}: {line.strip()}"
                if not windows_side:
                    if kind == "<" and name.lower() in WINDOWS_HEADERS:
                        yield f"{where}: a Windows header outside a win32/ folder"
                    elif kind == '"' and "win32" in pathlib.PurePosixPath(name).parts[:-1]:
                        yield f"{where}: a win32/ header outside a win32/ folder"
                if kind != '"' or top not in RANK:
                    continue
                folder = pathlib.PurePosixPath(name).parts[0]
                if folder in RANK and RANK[folder] > RANK[top]:
                    yield f"{where}: {top}/ includes from {folder}/, a layer above it"
                elif "/" in name and folder not in RANK and folder not in ALLOWED_EXTRA.get(top, ()):
                    yield f"{where}: {top}/ includes from {folder}/, which is not a layer below it"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    found = list(offences(root.resolve()))
    for offence in found:
        print(offence)
    print(f"include graph: {len(found)} offences")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
