// Mirror copies: which reflections an object gets, how their vertices are numbered for
// smoothing, and the reflected faces themselves.
#include "model/mqo_mirror.h"

#include <bit>
#include <cmath>

namespace {

// The axes along which a corner lies off the planes of a connected mirror (all of them for a
// separate one): reflecting in the others leaves it where it is.
int32_t offPlaneAxes(const MeshVertex& corner, const ObjectMirror& mirror)
{
    if (mirror.mode != ObjectMirror::Mode::connected)
        return kMirrorAllAxes;
    int32_t axes = 0;
    if (std::fabs(corner.x) > mirror.planeDistance.x)
        axes |= kMirrorAxisX;
    if (std::fabs(corner.y) > mirror.planeDistance.y)
        axes |= kMirrorAxisY;
    if (std::fabs(corner.z) > mirror.planeDistance.z)
        axes |= kMirrorAxisZ;
    return axes;
}

float reflected(float value, int32_t mask, int32_t axis)
{
    return (mask & axis) != 0 ? -value : value;
}

// The corner's position reflected; its normal comes later, from the reflected face normals.
MeshVertex reflectedCorner(MeshVertex corner, int32_t mask)
{
    corner.x = reflected(corner.x, mask, kMirrorAxisX);
    corner.y = reflected(corner.y, mask, kMirrorAxisY);
    corner.z = reflected(corner.z, mask, kMirrorAxisZ);
    return corner;
}

}  // namespace

std::vector<int32_t> mirrorReflections(const ObjectMirror& mirror)
{
    std::vector<int32_t> masks;
    if (!mirror.active())
        return masks;
    for (int32_t mask = 1; mask <= kMirrorAllAxes; ++mask) {
        if ((mask & ~mirror.axes) == 0)
            masks.push_back(mask);
    }
    return masks;
}

int64_t mirroredVertexCount(int32_t vertexCount, const ObjectMirror& mirror)
{
    if (!mirror.active())
        return vertexCount;
    // Masks are subsets of the axes, so none exceeds them as a number.
    return static_cast<int64_t>(vertexCount) * ((mirror.axes & kMirrorAllAxes) + 1);
}

void appendReflection(ObjectFaces& faces, int32_t faceCount, const ObjectMirror& mirror, int32_t mask)
{
    const bool reverse = std::popcount(static_cast<uint32_t>(mask)) % 2 == 1;
    const int64_t vertexCount = faces.vertexCount;
    std::size_t first = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        Face copy = faces.faces[static_cast<std::size_t>(f)];
        const int32_t n = copy.vertexCount;
        copy.normal.set(reflected(copy.normal.x, mask, kMirrorAxisX),
                        reflected(copy.normal.y, mask, kMirrorAxisY),
                        reflected(copy.normal.z, mask, kMirrorAxisZ));
        for (int32_t k = 0; k < n; ++k) {
            const std::size_t from = first + static_cast<std::size_t>(reverse && k > 0 ? n - k : k);
            const MeshVertex corner = faces.corners[from];
            const int32_t shared = mask & offPlaneAxes(corner, mirror);
            faces.corners.push_back(reflectedCorner(corner, mask));
            faces.indices.push_back(static_cast<int32_t>(faces.indices[from] + vertexCount * shared));
        }
        faces.faces.push_back(copy);
        first += static_cast<std::size_t>(n);
    }
}
