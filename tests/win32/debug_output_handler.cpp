// GoogleTest hands every failure and skip to OutputDebugStringA as well as to the console.
// That raises the debugger-output exception, which the system normally catches and unwinds
// from; where 32-bit Windows code runs under user-mode emulation (see scripts/setup.sh) that
// unwinding ends the test program, so one skipped or failed test hides all the others' results.
// A first-chance handler lets the exception go on at once: without a debugger the text went
// nowhere anyway, and a debugger sees the exception before this handler does.
#include <windows.h>

namespace {

LONG CALLBACK continueAfterDebugOutput(EXCEPTION_POINTERS* exception)
{
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    return code == DBG_PRINTEXCEPTION_C ? EXCEPTION_CONTINUE_EXECUTION : EXCEPTION_CONTINUE_SEARCH;
}

// Installed before main runs, for the whole of the test program.
const PVOID handler = AddVectoredExceptionHandler(1, continueAfterDebugOutput);

}  // namespace
