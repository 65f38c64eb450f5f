// startup_floor: the least a start-up like the program's can take, for the start-up row of make
// bench (bench/startup.sh). It brings up only what every start of the program needs from the
// system: the floating window from the program's own dialog template, layered and at the
// default size, and the program's Direct3D device at the default render size; no settings, no
// model, no picture. Then it writes its figures into the file that VELLARN_STARTUP_MARK names,
// as the program does (app/win32/startup_mark.h): the moment it was ready, and the "window" and
// "device" steps; and ends.
#include <windows.h>

#include <commctrl.h>

#include "app/application.h"
#include "app/win32/layered_window_api.h"
#include "app/win32/startup_mark.h"
#include "render/win32/render_device.h"
#include "resources/resource_ids.h"

namespace {

INT_PTR CALLBACK floatingWindowProc(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    layeredWindowApi().setLayeredStyle(hwnd, true);
    return TRUE;
}

// The floating window at half the render size, as the program sizes it before the device.
HWND createWindow(HINSTANCE instance)
{
    HWND hwnd =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_FLOATING_WINDOW), nullptr, floatingWindowProc, 0);
    if (hwnd) {
        RECT rect;
        GetWindowRect(hwnd, &rect);
        MoveWindow(hwnd, rect.left, rect.top, renderWidth / 2, renderHeight / 2, TRUE);
    }
    return hwnd;
}

// The device the way the program brings it up.
bool createDevice(HWND hwnd)
{
    RenderDevice& device = renderDevice();
    device.setTargetSize(renderWidth, renderHeight, renderDepth);
    device.setAcceleration(true);
    return device.createSurfaces(hwnd, renderWidth, renderHeight) && device.createDevice();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // The system set-up that the program makes before its window.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    layeredWindowApi().lookUp();

    StartupFigures figures;
    double start = startupClockMs();
    HWND hwnd = createWindow(instance);
    figures.emplace_back("window", startupClockMs() - start);
    start = startupClockMs();
    const bool ready = hwnd && createDevice(hwnd);
    figures.emplace_back("device", startupClockMs() - start);

    const std::wstring path = startupMarkPath();
    const bool written = ready && !path.empty() && writeStartupMark(path, figures);
    renderDevice().shutdown();
    if (hwnd)
        DestroyWindow(hwnd);
    return written ? 0 : 1;
}
