// RokBatchBuilder: turns a batch of .rok faces (those of one key, colour + 16 * group, in file
// order) into mesh frames: each face followed by its reversed copy, smoothed together, and one
// mesh per palette colour of the batch (a key holds several colours only where the palette
// has more than 16). Each face's corners are written where its triangles go in its mesh,
// smoothed there and then spread into the triangles, so that the meshes are the only copy of
// the vertices. Until the smoothing is done, the room of a face's reversed copy holds the
// face's normal, so that no table of normals is needed beside the meshes.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/build_meshes.h"
#include "model/named_material.h"
#include "model/rok_smoothing.h"

// A face's batch key is its colour + 16 * its group.
constexpr uint32_t kRokKeysPerGroup = 16;

// A point, already scaled by the negated caller scale. One whose coordinates could not all be
// read as finite floats is unusable and holds NaN in x: a flag beside the coordinates would
// make the table a third larger.
struct RokPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    bool usable() const { return !std::isnan(x); }
};

// One face as read; its normal and its reversed copy are made when the batch is built. Kept
// small: a model holds a million of them while its meshes are built.
struct RokFace {
    uint32_t firstCorner = 0;  // where its corners' point numbers start in the corner list
    int32_t cornerCount = 0;
    uint16_t colour = 0;  // palette index from 0, below kRokMaxPaletteEntries
    uint16_t group = 0;   // group of the face's first edge

    // Faces of one key make one batch (several colours share a key only where the palette has
    // more than 16).
    uint32_t key() const { return colour + kRokKeysPerGroup * uint32_t{group}; }
};

// What the reader read: the faces, their corners' point numbers face after face, the points.
struct RokRecords {
    std::vector<RokPoint> points;  // in file order, numbered from 0
    std::vector<int32_t> corners;  // every corner names a usable point
    std::vector<RokFace> faces;    // in file order; sorted into batches once the palette is known
};

// A batch: faces of one key, in file order.
using RokBatch = std::span<const RokFace>;

class RokBatchBuilder {
public:
    RokBatchBuilder(RokRecords& records, MaterialList& materials, FrameBudget& frames);

    // Adds the batch's meshes under parent, each taking a frame from the budget; the faces of a
    // colour for which none is left are counted as dropped there. The points are needed only
    // to place faces: once the last batch of the records is placed, they are freed before it
    // is smoothed, where the meshes' memory is at its largest.
    void build(RokBatch batch, Frame* parent);

private:
    struct ColourMesh;
    class BatchPairs;

    void planMeshes(RokBatch batch, std::vector<ColourMesh>& meshes);
    void placeFaces(RokBatch batch, std::vector<ColourMesh>& meshes, std::vector<uint32_t>& fans);

    RokRecords& records;
    MaterialList& materials;
    FrameBudget& frames;
    RokSmoothing smoothing;
    std::vector<int32_t> meshOfColour;  // per palette colour, its mesh in the batch, or -1
};
