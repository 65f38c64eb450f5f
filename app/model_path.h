// How a file that the system names in UTF-16 (the open-file dialog's choice, a file dropped on
// the glasses) becomes a model name of the program, which keeps every name in code page 932
// and writes it to the settings file as such. Code page 932 has no Korean letters, no emoji
// and much else: converted, such a name comes back with '?' in their place and then names
// another file or none. Such a file is reached through its short (8.3) path where the volume
// gives it one, and otherwise not at all, so that no name is ever kept that would read back
// as a different file.
#pragma once

#include <functional>
#include <optional>
#include <string>

// The short (8.3) form of a path, from the system; nothing where it cannot give one. Where a
// part of the path has no short name the system leaves that part as it is.
using ShortPathLookup = std::function<std::optional<std::u16string>(const std::u16string& path)>;

// The code-page-932 name that opens exactly the file at path: the path itself when every
// character survives the conversion there and back, else its short path when that one does;
// nothing when neither does.
std::optional<std::string> cp932NameOf(const std::u16string& path, const ShortPathLookup& shortPath);

// What a file dropped on the glasses leads to.
enum class DropVerdict {
    load,       // a model file by its extension, with a name the program can keep
    notAModel,  // a file of another kind: refused
    unnamable,  // a model file whose name code page 932 cannot hold, nor that of its short path
};

struct DroppedFile {
    DropVerdict verdict = DropVerdict::notAModel;
    std::string name;  // code page 932, the name to load; only with DropVerdict::load
};

// Judges a dropped file by its extension (that of a model reader, whatever the letter case)
// and then by its name.
DroppedFile judgeDroppedFile(const std::u16string& path, const ShortPathLookup& shortPath);

// The folder the open-file dialog starts in for the model named modelFileName: the folder part
// of the name when the file opens under it, else that of the model directory path where the
// loader looks next. Empty for the working directory.
std::string modelFolder(const std::string& modelFileName);
