// The whole program: the process-wide objects in their order and the application's run.
#pragma once

#include <windows.h>

#include <cstdint>

// Runs the program and returns its exit code. Without layered windows (as on systems whose
// user32 lacks them) the glasses are shown in a window shaped by a colour-key region.
int32_t runProgram(HINSTANCE instance, bool useLayeredWindows);
