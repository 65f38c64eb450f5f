// Where a remembered window position may be used: a monitor that was there when the position was
// remembered may be gone (unplugged, or the desktop laid out anew), and a window placed on no
// monitor could never be reached again.
#pragma once

#include <windows.h>

// topLeft itself when a window of the given size placed there shows on some monitor, even in
// part; otherwise the nearest top-left corner inside the primary monitor's work area.
POINT visibleTopLeft(POINT topLeft, SIZE size);
