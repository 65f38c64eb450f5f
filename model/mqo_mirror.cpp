// Mirror copies: which reflections an object gets, how their vertices are numbered for
// smoothing, and the reflected faces themselves.
#include "model/mqo_mirror.h"

#include <bit>
#include <cmath>

namespace {

// The axes along which a corner lies off the planes of a connected mirror (all of them for a
// separate one): reflecting in the others leaves it where it is.
int32_t offPlaneAxes(const ObjectPoint& corner, const ObjectMirror& mirror)
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

}  // namespace

ObjectPoint reflectedPoint(ObjectPoint p, int32_t mask)
{
    p.x = reflected(p.x, mask, kMirrorAxisX);
    p.y = reflected(p.y, mask, kMirrorAxisY);
    p.z = reflected(p.z, mask, kMirrorAxisZ);
    return p;
}

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

void appendReflection(ObjectFaces& faces, const std::vector<ObjectPoint>& positions, int32_t faceCount,
                      const ObjectMirror& mirror, int32_t mask)
{
    const bool reverse = std::popcount(static_cast<uint32_t>(mask)) % 2 == 1;
    const int64_t vertexCount = faces.vertexCount;
    for (int32_t f = 0; f < faceCount; ++f) {
        ObjectFace copy = faces.faces[static_cast<std::size_t>(f)];
        const int32_t n = copy.cornerCount;
        const std::size_t first = copy.firstCorner;
        copy.nx = reflected(copy.nx, mask, kMirrorAxisX);
        copy.ny = reflected(copy.ny, mask, kMirrorAxisY);
        copy.nz = reflected(copy.nz, mask, kMirrorAxisZ);
        copy.firstCorner = static_cast<uint32_t>(faces.indices.size());
        copy.mirrorMask = static_cast<uint8_t>(mask);
        for (int32_t k = 0; k < n; ++k) {
            const std::size_t from = first + static_cast<std::size_t>(reverse && k > 0 ? n - k : k);
            const int32_t index = faces.indices[from];
            const int32_t shared = mask & offPlaneAxes(positions[static_cast<std::size_t>(index)], mirror);
            faces.indices.push_back(static_cast<int32_t>(index + vertexCount * shared));
            const TexturePoint uv = faces.uvs[from];
            faces.uvs.push_back(uv);
        }
        faces.faces.push_back(copy);
    }
}
