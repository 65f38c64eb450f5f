// The Windows-layer tests start as the program does: DLLs are searched for in the system folder
// only, and pictures are DIB sections.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/win32/system_library.h"
#include "image/pixel_storage.h"
#include "image/win32/dib_section_storage.h"

int main(int argc, char** argv)
{
    if (!restrictDllSearchToSystem()) {
        std::fputs("the DLL search could not be limited to the system folder\n", stderr);
        return 1;
    }
    installPixelStorage(&dibSectionStorage());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
