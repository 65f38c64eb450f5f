// The settings file "vellarn.cfg": a 4-byte magic and the remembered model file name with a
// length prefix. The byte layout is shared with every earlier copy of the program, so the
// encoder writes exactly the documented form and the decoder accepts every documented form.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr char kSettingsFileName[] = "vellarn.cfg";

// Longest settings file that is read at all. A model file name is a path; nothing near this
// size is a real one, and the cap keeps a hostile file from making us allocate its length.
inline constexpr std::size_t kMaxSettingsFileBytes = 1u << 20;

// The file's bytes for a code-page-932 model name: magic 00 00 00 01, the length prefix
// (1, 3 or 7 bytes), the name without a terminating zero.
std::vector<uint8_t> encodeSettings(const std::string& modelName);

// The model name held by a settings file's bytes, or nothing when the magic is wrong or the
// bytes end inside the length prefix or the name. A UTF-16 name is converted to code page 932.
std::optional<std::string> decodeSettings(std::span<const uint8_t> bytes);

// Reads the named settings file; nothing when it is missing, unreadable or malformed.
std::optional<std::string> readSettingsFile(const std::string& fileName);

// Replaces (or creates) the named settings file with one holding the name, whole or not at
// all: false when it cannot be written, and the file that was there is then kept as it was.
bool writeSettingsFile(const std::string& fileName, const std::string& modelName);
