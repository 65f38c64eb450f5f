// readRok: the .rok model reader. A .rok file is text cut into lines by carriage returns (or,
// saved elsewhere, by carriage return and line feed pairs or line feeds): after an optional
// "ROKU4" header come numbered points ("POINT"), edges between two points with a group number
// ("LINE0"), faces given as closed chains of edges with a palette colour ("FACE0") and a
// palette ("PALC0"); without a palette the 13 built-in colours apply. Each face is kept twice,
// as written and reversed, so that it shows from both sides; the faces are sorted by colour
// and group, smoothed batch by batch and written into their meshes (model/rok_batch.h). .rok
// models carry no textures and no object names. A file is read in chunks as its sections are
// read (model/rok_lines.h), never held whole.
//
// What the reader does with damaged input (limits in model/rok_limits.h): a face whose edge
// numbers, corner points or palette colour do not exist, or whose corner point has a
// coordinate beyond the float range, is left out and the other faces stay; text that ends
// inside a section ends the section there, dropping the unfinished record; numbers too large
// for an int32 read as the nearest int32. A file that opens under neither name, is larger than
// kRokMaxFileBytes or cannot be read, or memory that runs out, makes the reader return false.
#pragma once

#include <string>
#include <string_view>

#include "math/vector3.h"
#include "model/model_entry.h"

// Reads the file (under fileName, or else under modelFallbackPath(fileName)) into the entry:
// a root frame (created when missing, lit), a mesh frame per material of each batch of faces,
// under the root for group 0 and under a child with that groupId for any other group. Points
// are scaled by (-scale.x, -scale.y, -scale.z). entry.materials is empty before and after,
// and entry.text after. On false, a root frame the reader made is removed again.
bool readRok(ModelEntry& entry, const std::string& fileName, const Vector3& scale);

// The same from the whole file already in entry.text, read from its start; the text is
// released afterwards. readRok calls it once the file is read.
bool readRokText(ModelEntry& entry, const Vector3& scale);

// The next line of entry.text: from entry.textPos to the next carriage return or line feed
// (replaced by a NUL byte in the text) or the end of the text, cut to kRokMaxLineBytes; textPos
// moves past the line end, a carriage return and line feed pair counting as one. False, with
// an empty line, when no text is left.
bool readRokLine(ModelEntry& entry, std::string_view& line);
