// Opening a model file the user names: the open-file dialog for model files, and a file dropped
// on the glasses. Both give a code-page-932 name that opens exactly the chosen file (see
// app/model_path.h); a file without such a name, or a dropped file of another kind, is refused
// with a message and nothing is loaded or remembered.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <optional>
#include <string>

// Runs the open-file dialog for model files, owned by owner, starting in startFolder (code page
// 932, relative to the working directory; empty for the working directory itself) or, without
// one, where the system chooses. True with the chosen file's name; false when cancelled. A file
// the program cannot name is refused with a message and the dialog comes again.
bool askForModelFile(HWND owner, const std::optional<std::string>& startFolder, std::string& chosen);

// The model file of a drop (the first file when several are dropped), and lets go of the drop.
// True with its name; false, after a message owned by owner, for a file of another kind or
// one the program cannot name.
bool modelFromDrop(HWND owner, HDROP drop, std::string& name);
