// WinMain: sets up the process-wide state in order and runs the application.
#include <windows.h>

#include "app/application.h"
#include "app/win32/win32_services.h"
#include "base/cpu.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    Win32AppServices services(instance);
    Application app(services);
    setApplication(&app);
    initCpuFlags();
    const int32_t exitCode = app.run();
    setApplication(nullptr);
    return exitCode;
}
