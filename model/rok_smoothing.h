// RokSmoothing: the vertex normals of one batch of .rok faces (the faces of one colour and
// group, each followed by its reversed copy).
//
// The rule, for each face f in batch order and each corner i of f that has not been given a
// normal yet: sum the normals of every face p of the batch (f included, in batch order) that
// lies within the threshold angle of f and still has an unvisited corner at corner i's point,
// taking the first such corner of p; normalise the sum and give it to every corner taken,
// which marks them visited (their index becomes -1). Faces and their reversed copies point
// 180 degrees apart and never share a normal.
//
// The work is close to linear in the number of corners: an index from each point to the
// faces through it replaces the scan of all faces per corner, and each face's visited corners
// at a point are a prefix of its corners there, so a cursor per (point, face) finds the next.
// A batch given as pairs of a face and its reversed copy (RokFacePairs, what the reader
// builds) is indexed pair by pair: the copy's corners at a point follow from the face's, so
// the index is half as large and the copies need no records at all. Only the cosine is
// compared where it decides the threshold angle by a wide margin; the arc cosine settles the
// rest, so that the outcome is the same as with the angle.
//
// Faces that cannot take part keep their own face normal at every corner and are skipped by
// the others: a zero or non-finite normal (a degenerate face, or one with fewer than three
// corners) would otherwise gather the faces of both sides around its points and hand them a
// meaningless sum; a face passing through one point more than kRokMaxPointVisits times is
// left out so that hostile repeats cannot make the work quadratic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/face.h"

// Faces whose normals are less than this many radians apart share vertex normals: 59.5
// degrees, the float with the bit pattern 0x3F84EC9E.
constexpr float kRokSmoothingAngle = 1.0384710f;

// A batch in which every face is directly followed by its reversed copy (its corners in
// reverse order, its normal negated), described pair by pair so that the copies need no
// records of their own: pair p stands for faces 2p and 2p + 1 of the batch.
class RokFacePairs {
public:
    virtual ~RokFacePairs() = default;
    virtual int32_t pairCount() const = 0;
    // The face's corners' point numbers, in corner order.
    virtual std::span<const int32_t> points(int32_t pair) const = 0;
    // Asked only of pairs that have corners (below).
    virtual Vector3 normal(int32_t pair) const = 0;
    // Where the normals of the face's corners (copy 0) or of its reversed copy's (copy 1) go,
    // corner after corner; null for a face that takes no part (it gets no normals).
    virtual MeshVertex* corners(int32_t pair, int copy) const = 0;
};

class RokSmoothing {
public:
    // pointCount: corner indices from 0 to pointCount - 1 name points; any other index (-1
    // included) names none, and such a corner is neither given a normal nor gathered.
    explicit RokSmoothing(int32_t pointCount);

    // Sets the vertex normals of the batch's corners and turns the index of every corner it
    // visits into -1. The scratch memory is kept for the next batch.
    void smooth(Face* faces, int32_t faceCount, float threshold);

    // The same for a batch of face pairs, with the same result as for the faces written out
    // (nothing is marked visited: the pairs hold no corner indices).
    void smooth(const RokFacePairs& pairs, float threshold);

private:
    // Six bytes, not eight: a batch's corners are grouped in a table of these, the largest
    // one the smoothing keeps.
#pragma pack(push, 2)
    struct Corner {
        int32_t face;     // position of the face in the batch (for pairs, of the pair)
        uint16_t corner;  // corner number within the face (faces have at most kRokMaxFaceCorners)
    };
#pragma pack(pop)
    // The corners of one face at one point: entries [cursor, end) of `atPoint` are unvisited.
    struct Run {
        int32_t face;
        size_t cursor;
        size_t end;
        Vector3 normal;  // the face's
    };

    template <typename Batch>
    void smoothBatch(const Batch& batch, float threshold);
    template <typename Batch>
    void markParticipants(const Batch& batch, float threshold);
    template <typename Batch>
    void collectCorners(const Batch& batch);
    template <typename Batch>
    void smoothPoint(const Batch& batch, float threshold);
    int32_t slotOf(int32_t point);
    bool withinVisits(std::span<const int32_t> points);
    template <typename Batch>
    void releaseSlots(const Batch& batch);

    int32_t pointCount;                 // valid point numbers are 0 .. pointCount - 1
    std::vector<int32_t> slotOfPoint;   // per point, its slot in this batch, or -1; all -1 between batches
    int32_t slotCount = 0;              // slots handed out in this batch
    std::vector<uint32_t> slotStart;    // per slot, where its corners begin in `corners`, and the end
                                        // (a batch holds fewer than 2^32 corners: rok_limits.h)
    std::vector<int32_t> repeats;       // scratch of one face: its points, sorted
    std::vector<uint8_t> participates;  // per face (or pair) of the batch, 1 when it takes part
    std::vector<Corner> corners;        // participants' corners grouped by slot, in batch order
    std::vector<Corner> atPoint;        // scratch of one point: its corners in batch order
    std::vector<Run> runs;              // scratch of one point
    std::vector<size_t> live;           // runs with unvisited corners, in face order
    std::vector<size_t> gathered;       // runs taken by the current step
    std::vector<size_t> previous;       // runs taken by the step before, at the same point
};
