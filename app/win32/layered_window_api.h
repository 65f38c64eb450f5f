// LayeredWindowApi: the two layered-window functions of user32, looked up by name once at
// start-up, since older systems lack them. Whether UpdateLayeredWindow was found decides
// between the per-pixel-alpha picture and the region-shaped window for the whole run.
#pragma once

#include <windows.h>

#include <functional>

class LayeredWindowApi {
public:
    using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                                BLENDFUNCTION*, DWORD);
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    // The address of the named user32 function; null when user32 lacks it.
    using ProcLookup = std::function<void*(const char* name)>;

    // Fills both pointers from "user32"; true when UpdateLayeredWindow was found.
    bool lookUp();
    // The same through the given lookup (tests supply their own).
    bool lookUp(const ProcLookup& find);
    // Sets or clears WS_EX_LAYERED; returns what writing the style returned, or 0 when
    // layered windows are not available and nothing was done.
    LONG_PTR setLayeredStyle(HWND window, bool on) const;

    UpdateLayeredWindowFn updateLayeredWindow = nullptr;
    // Only its presence is used: it gates the layered style.
    SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;
};

// The process-wide instance.
LayeredWindowApi& layeredWindowApi();
