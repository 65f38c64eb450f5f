// ddraw.dll from the system folder (see ddraw_library.h).
#include "render/win32/ddraw_library.h"

#include "base/win32/system_library.h"

namespace {

using DirectDrawCreateExFn = HRESULT(WINAPI*)(GUID* driver, void** object, REFIID iid, IUnknown* outer);

// Looked up once; the library stays loaded for the DirectDraw objects it makes.
DirectDrawCreateExFn directDrawCreateEx()
{
    static const DirectDrawCreateExFn function = [] {
        const HMODULE ddraw = loadSystemLibrary(L"ddraw.dll");
        return ddraw ? procAddress<DirectDrawCreateExFn>(ddraw, "DirectDrawCreateEx") : nullptr;
    }();
    return function;
}

}  // namespace

HRESULT createDirectDraw(REFIID iid, void** object)
{
    *object = nullptr;
    const DirectDrawCreateExFn create = directDrawCreateEx();
    return create ? create(nullptr, object, iid, nullptr) : DDERR_NODIRECTDRAWSUPPORT;
}
