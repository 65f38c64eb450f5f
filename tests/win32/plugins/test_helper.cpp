// vtest_helper.dll: a DLL that the with_helper test plug-in imports, as real plug-ins bring DLLs
// of their own; the plug-in loads only where the system finds this DLL beside it.
#include <windows.h>

extern "C" __declspec(dllexport) int vtestHelperAnswer()
{
    return 7;
}
