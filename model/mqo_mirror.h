// The mirror of a Metasequoia object: an object drawn with "mirror 1" (separate) or "mirror 2"
// (connected) shows, besides its own faces, a reflected copy of them for every combination of
// its mirror axes, across the model's axis planes through the origin. This file makes those
// copies; reading the object's lines and building its meshes stay with the reader.
#pragma once

#include <cstdint>
#include <vector>

#include "math/vector3.h"
#include "model/object_faces.h"

// Axis bits of "mirror_axis".
constexpr int32_t kMirrorAxisX = 1;
constexpr int32_t kMirrorAxisY = 2;
constexpr int32_t kMirrorAxisZ = 4;
constexpr int32_t kMirrorAllAxes = kMirrorAxisX | kMirrorAxisY | kMirrorAxisZ;

struct ObjectMirror {
    enum class Mode { none, separate, connected };
    Mode mode = Mode::none;
    int32_t axes = kMirrorAxisX;  // the planes reflected in: axis bits, X when the file names none
    // Connected: a corner this close to a plane, per axis in the model's scaled units, lies on
    // it, and is one vertex with its reflection there.
    Vector3 planeDistance;

    bool active() const { return mode != Mode::none && (axes & kMirrorAllAxes) != 0; }
};

// The reflections an object's mirror asks for, as axis masks in increasing order (one for each
// non-empty combination of the axes: one axis gives one, two give three, three give seven).
std::vector<int32_t> mirrorReflections(const ObjectMirror& mirror);

// The vertex numbers smoothing needs once the copies are made: each reflection's copy of a
// vertex is a vertex of its own, numbered vertexCount * mask + i, except that a connected
// mirror numbers a vertex lying on a plane as its unreflected self across that plane.
int64_t mirroredVertexCount(int32_t vertexCount, const ObjectMirror& mirror);

// Appends to `faces` the reflection by `mask` of its first `faceCount` faces (those read from
// the file, whose corners name `positions`): face normals negated along the mask's axes (the
// copy's positions are reflected when its mesh is filled: reflectedPoint), corner order
// reversed (corner 0 kept first) when the mask reflects in an odd number of planes, so that
// each copy faces outward and, once smoothed, is lit like the original.
void appendReflection(ObjectFaces& faces, const std::vector<ObjectPoint>& positions, int32_t faceCount,
                      const ObjectMirror& mirror, int32_t mask);

// A position reflected by mask.
ObjectPoint reflectedPoint(ObjectPoint p, int32_t mask);
