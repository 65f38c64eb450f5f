// The Windows-layer tests start as the program does: their pictures are DIB sections.
#include <gtest/gtest.h>

#include "image/pixel_storage.h"
#include "image/win32/dib_section_storage.h"

int main(int argc, char** argv)
{
    installPixelStorage(&dibSectionStorage());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
