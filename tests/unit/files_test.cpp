// The file layer's checks (files_cases.h) in native builds. Windows builds link the file layer
// into win32_tests only, which runs the same checks from tests/win32/files_test.cpp.
#ifndef _WIN32
#include "files_cases.h"
#endif
