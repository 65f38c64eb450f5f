// smoothNormals: the vertex normals of a Metasequoia object. At each vertex, a corner gets
// the normalised sum of the normals of the faces around that vertex that lie within the
// object's facet angle of its own face, so that edges sharper than the facet angle stay sharp.
#pragma once

#include <cstdint>

#include "model/face.h"
#include "model/object_faces.h"

// Faces around one vertex with more distinct normals than this keep their own face normals at
// that vertex: comparing every pair there would make the work grow with the square of the fan.
// Only the poles of very finely divided spheres and cones reach it, where neighbouring faces
// differ by a degree or less.
constexpr int32_t kMaxSmoothedNormalsPerVertex = 256;

// For every vertex index i in 0 .. vertexCount - 1: let S be the faces with at least one
// corner whose index is i, in face order. Each corner of a face f in S whose index is i gets
// the normalised sum of g.normal over the faces g in S with angleBetween(f.normal, g.normal)
// <= facetAngle (radians). A zero sum gives a zero normal. Corners whose index lies outside
// 0 .. vertexCount - 1 keep their normals. The work is close to linear in the number of
// corners: faces are found through an index from vertex to faces, and equal normals around a
// vertex are compared once.
void smoothNormals(Face* faces, int32_t faceCount, int32_t vertexCount, float facetAngle);

// The same for a Metasequoia object's faces, at its facet angle: each corner's normal goes where
// its face's corners are placed (faces without a place are still counted around their vertices).
void smoothNormals(const ObjectFaces& faces, int32_t vertexCount);

// v / |v|, or zero when |v| is zero (where normalize would give NaN).
inline Vector3 normalizedOrZero(const Vector3& v)
{
    const float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(lengthSquared > 0.0f))
        return {};
    Vector3 unit = v;
    return unit.normalize();
}
