// vellarn_region_mode.exe: the program as it runs where user32 has no layered windows, so that
// the end-to-end tests can see the region-shaped window on any system.
#include <windows.h>

#include "app/win32/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return runProgram(instance, false);
}
