// winmm.dll's timer-resolution calls from the system folder (see timer_resolution.h).
#include "render/win32/timer_resolution.h"

#include <mmsystem.h>

#include "base/win32/system_library.h"

namespace {

using TimePeriodFn = MMRESULT(WINAPI*)(UINT milliseconds);

struct WinmmCalls {
    TimePeriodFn timeBeginPeriod = nullptr;
    TimePeriodFn timeEndPeriod = nullptr;
};

// Looked up once; the library stays loaded for the life of the process.
const WinmmCalls& winmm()
{
    static const WinmmCalls calls = [] {
        WinmmCalls found;
        if (const HMODULE module = loadSystemLibrary(L"winmm.dll")) {
            found.timeBeginPeriod = procAddress<TimePeriodFn>(module, "timeBeginPeriod");
            found.timeEndPeriod = procAddress<TimePeriodFn>(module, "timeEndPeriod");
        }
        return found;
    }();
    return calls;
}

}  // namespace

bool beginTimerPeriod(UINT milliseconds)
{
    const WinmmCalls& calls = winmm();
    // Without the matching end call a resolution once set could not be given back.
    return calls.timeBeginPeriod && calls.timeEndPeriod &&
           calls.timeBeginPeriod(milliseconds) == TIMERR_NOERROR;
}

void endTimerPeriod(UINT milliseconds)
{
    if (winmm().timeEndPeriod)
        winmm().timeEndPeriod(milliseconds);
}
