// The system timer resolution through winmm.dll, loaded from the system folder at first use
// instead of being imported, so that a winmm.dll beside the exe is never the one that runs.
// Where winmm.dll or its functions are missing the resolution simply stays as it is.
#pragma once

#include <windows.h>

// timeBeginPeriod(milliseconds); false when it failed or winmm can't be had.
bool beginTimerPeriod(UINT milliseconds);
// timeEndPeriod(milliseconds), for a successful beginTimerPeriod with the same value.
void endTimerPeriod(UINT milliseconds);
