// ModelEntry: one model file in the model cache: the template frame tree read from it, the
// scale it was read at, and what its reader needs while it runs. Also the model directory
// where a model file is looked for when it is not found under the name given.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "math/vector3.h"
#include "model/frame.h"
#include "model/named_material.h"

// Model files not found under their own name are looked for here (relative to the working
// directory).
inline constexpr std::string_view kModelDirectory = "data\\model\\";

class ModelEntry {
public:
    std::unique_ptr<Frame> root;  // the template tree; null until a reader creates it
    ModelEntry* prev = nullptr;   // cache chain; null at the ends
    ModelEntry* next = nullptr;
    std::string text;        // a whole .rok text handed to readRokText, only while it runs
    size_t textPos = 0;      // read position in text
    MaterialList materials;  // only while the file is read; empty afterwards
    std::string name;        // lower-cased file name as passed to the loader; "" until loaded
    Vector3 scaleKey;        // scale the file was read at; (0, 0, 0) for a new entry

    ModelEntry() = default;
    // Destroys the template tree and the material list and unlinks the entry from the chain.
    ~ModelEntry();

    ModelEntry(const ModelEntry&) = delete;
    ModelEntry& operator=(const ModelEntry&) = delete;
};

// The model directory followed by the file name's base name: the part after its last '\'
// byte, else after its last '/' byte, else the whole name.
std::string modelFallbackPath(std::string_view fileName);
