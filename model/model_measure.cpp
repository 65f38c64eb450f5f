// Measuring a model: triangle and corner counts and the box around its corners.
#include "model/model_measure.h"

#include <algorithm>

#include "math/matrix4.h"
#include "math/quaternion.h"

namespace {

// Where a frame stands in the root's space: its rotation and the position of its origin,
// composed as drawing composes them.
struct Placement {
    Quaternion rotation;
    Vector3 position;
};

class Measurer {
public:
    void visit(const Frame& frame, const Placement& parent, bool isRoot)
    {
        Placement placement = parent;
        if (!isRoot) {
            placement.rotation = parent.rotation.product(frame.localRotation);
            placement.position = parent.position.plus(frame.localPosition.rotated(parent.rotation));
        }
        if (drawsTriangles(frame))
            addCorners(frame, isRoot ? Matrix4() : cornerMatrix(frame, placement));
        for (const Frame* child = frame.firstChild; child != nullptr; child = child->next)
            visit(*child, placement, false);
    }

    ModelMeasure result;

private:
    static Matrix4 cornerMatrix(const Frame& frame, const Placement& placement)
    {
        Matrix4 matrix;
        matrix.setScale(frame.localScale);
        matrix = matrix.productRotation(placement.rotation);
        matrix.setTranslation(placement.position);
        return matrix;
    }

    void addCorners(const Frame& frame, const Matrix4& matrix)
    {
        result.triangles += frame.vertexCount / 3;
        result.corners += frame.vertexCount;
        for (int32_t i = 0; i < frame.vertexCount; ++i) {
            const MeshVertex& v = frame.vertices[i];
            if (v.nx == 0.0f && v.ny == 0.0f && v.nz == 0.0f)
                ++result.zeroNormals;
            widen(Vector3(v.x, v.y, v.z).transformed(matrix));
        }
    }

    void widen(const Vector3& p)
    {
        if (!hasCorner_) {
            result.boundsMin = p;
            result.boundsMax = p;
            hasCorner_ = true;
            return;
        }
        result.boundsMin.set(std::min(result.boundsMin.x, p.x), std::min(result.boundsMin.y, p.y),
                             std::min(result.boundsMin.z, p.z));
        result.boundsMax.set(std::max(result.boundsMax.x, p.x), std::max(result.boundsMax.y, p.y),
                             std::max(result.boundsMax.z, p.z));
    }

    bool hasCorner_ = false;
};

}  // namespace

bool drawsTriangles(const Frame& frame)
{
    return (frame.flags & Frame::kGroupOnly) == 0 && frame.primitiveType == Frame::kTriangleList &&
           frame.vertices != nullptr && frame.vertexCount >= 3;
}

bool hasTriangles(const Frame& root)
{
    if (drawsTriangles(root))
        return true;
    for (const Frame* child = root.firstChild; child != nullptr; child = child->next) {
        if (hasTriangles(*child))
            return true;
    }
    return false;
}

ModelMeasure measureModel(const Frame& root)
{
    Measurer measurer;
    measurer.visit(root, Placement{}, true);
    return measurer.result;
}
