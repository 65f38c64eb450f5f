// ddraw.dll, loaded from the system folder at first use instead of being imported, so that a
// ddraw.dll beside the exe is never the one that runs. DirectDrawCreateEx is all the program calls.
#pragma once

#include <windows.h>

#include <ddraw.h>

// DirectDrawCreateEx of the system's ddraw.dll for the primary display driver, making an object
// of interface iid in *object. DDERR_NODIRECTDRAWSUPPORT, *object null, when ddraw.dll or the
// function can't be had.
HRESULT createDirectDraw(REFIID iid, void** object);
