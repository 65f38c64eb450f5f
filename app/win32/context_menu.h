// The floating window's context menu (lens colour, the model list, the control dialog, exit)
// and the lens colour chooser.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Builds the menu with the working directory's "*.mqo" files (directories skipped) and shows
// it at the mouse pointer; the chosen command arrives at owner as WM_COMMAND. modelNames
// receives the listed names (code page 932) in item order.
void showContextMenu(HINSTANCE instance, HWND owner, std::vector<std::string>& modelNames);

// Runs the colour chooser from colour (0x00BBGGRR); true and the new colour when confirmed.
// The 16 custom colours are kept for the whole run.
bool chooseLensColour(HWND owner, uint32_t& colour);
