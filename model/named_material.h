// NamedMaterial and MaterialList: the materials a model file declares, by name, while the file
// is read. Faces point at the `material` member of these elements, which stay in place until
// the list is cleared.
#pragma once

#include <string>

#include "model/indexed_list.h"
#include "model/material.h"

struct NamedMaterial {
    std::string name;   // the material's name in the file (code page 932 bytes)
    Material material;  // held by value; faces point here
};

using MaterialList = IndexedList<NamedMaterial>;
