// Looking up the layered-window functions and setting the layered style.
#include "app/win32/layered_window_api.h"

bool LayeredWindowApi::lookUp()
{
    HMODULE user32 = LoadLibraryA("user32");
    if (!user32)
        return false;
    const bool found =
        lookUp([user32](const char* name) { return reinterpret_cast<void*>(GetProcAddress(user32, name)); });
    // The program's own link to user32 keeps it loaded, so the addresses stay valid.
    FreeLibrary(user32);
    return found;
}

bool LayeredWindowApi::lookUp(const ProcLookup& find)
{
    setLayeredWindowAttributes =
        reinterpret_cast<SetLayeredWindowAttributesFn>(find("SetLayeredWindowAttributes"));
    updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(find("UpdateLayeredWindow"));
    return updateLayeredWindow != nullptr;
}

LONG_PTR LayeredWindowApi::setLayeredStyle(HWND window, bool on) const
{
    if (!setLayeredWindowAttributes)
        return 0;
    LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    style = on ? (style | WS_EX_LAYERED) : (style & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    return SetWindowLongPtrW(window, GWL_EXSTYLE, style);
}

LayeredWindowApi& layeredWindowApi()
{
    static LayeredWindowApi api;
    return api;
}
