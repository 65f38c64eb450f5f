// The object names of the glasses parts that the scene looks up and drives (code page 932
// bytes). The model readers know them too: a part hidden in its file is still read, since the
// scene decides how it shows.
#pragma once

#include <string_view>

inline constexpr char kLensObjectName[] = "\x83\x8C\x83\x93\x83\x59";               // レンズ
inline constexpr char kLeftMaskObjectName[] = "\x8D\xB6\x83\x7D\x83\x58\x83\x4E";   // 左マスク
inline constexpr char kRightMaskObjectName[] = "\x89\x45\x83\x7D\x83\x58\x83\x4E";  // 右マスク

inline bool isScenePartName(std::string_view name)
{
    return name == kLensObjectName || name == kLeftMaskObjectName || name == kRightMaskObjectName;
}
