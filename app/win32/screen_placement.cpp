// Moving a remembered window position onto the screen.
#include "app/win32/screen_placement.h"

namespace {

// The start of a span of the given length kept inside [low, high) as far as it fits; at low
// when it is longer.
LONG keepInside(LONG start, LONG length, LONG low, LONG high)
{
    if (start > high - length)
        start = high - length;
    return start < low ? low : start;
}

}  // namespace

POINT visibleTopLeft(POINT topLeft, SIZE size)
{
    const RECT rect = {topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy};
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        return topLeft;
    RECT work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {keepInside(topLeft.x, size.cx, work.left, work.right),
            keepInside(topLeft.y, size.cy, work.top, work.bottom)};
}
