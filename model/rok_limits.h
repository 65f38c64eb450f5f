// The limits of the .rok reader, kept together. A .rok file declares no counts of its own
// except the corner count of each face, so most of what the reader keeps grows with the lines
// it has actually read; these limits bound what a hostile or damaged file can still make it
// allocate or compute, and say what happens to the parts beyond them.
#pragma once

#include <cstddef>
#include <cstdint>

// A larger file is refused (the reader returns false) before any of it is kept. A model of a
// million triangles takes roughly 100 MB of text.
constexpr size_t kRokMaxFileBytes = size_t{256} << 20;

// Lines longer than this are cut: readRokLine hands out their first kRokMaxLineBytes bytes.
// A .rok line holds one number or keyword.
constexpr size_t kRokMaxLineBytes = 4096;

// Frames: at most kMaxMeshFrames below the root, group frames included (build_meshes.h);
// faces of the colours and groups past that are left out.

// A face record with more corners than this is read past (its edge lines are consumed, so the
// records after it stay in step) and left out of the model. Real faces have a handful.
constexpr int32_t kRokMaxFaceCorners = 65536;

// Palette records after this many are read past and ignored; faces that name them are left
// out like any face whose colour has no palette entry.
constexpr int32_t kRokMaxPaletteEntries = 4096;

// A face that passes through the same point at more than this many of its corners takes no
// part in smoothing: its corners keep the face's own normal. Bounding the repeats keeps the
// smoothing work linear in the number of corners whatever the file holds.
constexpr int32_t kRokMaxPointVisits = 8;

// Every face record takes at least 5 lines (3 + at least 2 edges) and so 5 bytes, and is
// doubled when built: the face count of one batch stays an int32.
static_assert(kRokMaxFileBytes / 5 * 2 < static_cast<size_t>(INT32_MAX), "face counts are int32");
// Corner and face numbers (each takes at least a line) fit in 32 bits, and so do a batch
// entry's key and face number (rok_batch.h).
static_assert(kRokMaxFileBytes < UINT32_MAX, "corner and face numbers are 32-bit");
static_assert(kRokMaxPaletteEntries + 16 * int64_t{UINT16_MAX} < INT32_MAX, "keys are 32-bit");
// A kept face's colour and its corners' numbers within it are 16-bit (rok_batch.h, rok_smoothing.h).
static_assert(kRokMaxPaletteEntries - 1 <= UINT16_MAX && kRokMaxFaceCorners - 1 <= UINT16_MAX,
              "colours and corner numbers are 16-bit");
// A batch's mesh takes at most 6 vertices per corner (its face's fan and its reversed copy's),
// and each corner takes an edge line of at least a digit and a line end: its vertex count
// stays an int32.
static_assert(kRokMaxFileBytes / 2 * 6 < static_cast<size_t>(INT32_MAX), "mesh vertex counts are int32");
