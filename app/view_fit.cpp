// The fit rule and its application to a loaded model's frames.
#include "app/view_fit.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "model/frame.h"
#include "render/world.h"

namespace {

// Half the width (and height) of what the camera sees in the plane at depth z: the view
// narrows toward the camera.
float visibleHalfAt(float z)
{
    return (kCameraDistance - z) * std::tan(World::kHalfFieldOfView);
}

// The box lies in the view when its face nearest the camera does: the camera looks along the
// z axis, so the view only widens behind that face.
bool inView(const Vector3& boxMin, const Vector3& boxMax)
{
    if (!(boxMax.z < kCameraDistance))
        return false;
    const float half = visibleHalfAt(boxMax.z);
    return boxMin.x >= -half && boxMax.x <= half && boxMin.y >= -half && boxMax.y <= half;
}

// The factor that fits a box of this size, centred on the origin: its front face (at depth
// factor * size.z / 2) fills kFittedShare of the view where it stands, and no extent, depth
// included (the user may turn the model), is more than kFittedShare of the view's width.
float fitFactor(const Vector3& size, float largest)
{
    const float half = viewHalfSize();
    const float across = std::max(size.x, size.y);
    const float slope = std::tan(World::kHalfFieldOfView);
    const float front = kFittedShare * half / (across / 2.0f + kFittedShare * slope * size.z / 2.0f);
    return std::min(front, kFittedShare * 2.0f * half / largest);
}

// (p + offset) * factor.
Vector3 moved(const Vector3& p, const Vector3& offset, float factor)
{
    return p.plus(offset).scale(factor);
}

// Moves a frame's vertices and bounds by offset and then scales them. Arrays already moved
// (a frame that shares another's array) are left as they are.
void moveMesh(Frame& frame, const Vector3& offset, float factor, std::unordered_set<const MeshVertex*>& done)
{
    if (frame.vertices == nullptr)
        return;
    frame.boundsMin = moved(frame.boundsMin, offset, factor);
    frame.boundsMax = moved(frame.boundsMax, offset, factor);
    if (!done.insert(frame.vertices).second)
        return;
    for (int32_t i = 0; i < frame.vertexCount; ++i) {
        MeshVertex& v = frame.vertices[i];
        const Vector3 p = moved(Vector3(v.x, v.y, v.z), offset, factor);
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
    }
}

// A uniform scale commutes with every rotation below it, so scaling each frame's position and
// vertices scales the whole subtree about its parent's origin.
void scaleSubtree(Frame& frame, float factor, std::unordered_set<const MeshVertex*>& done)
{
    frame.localPosition.scale(factor);
    moveMesh(frame, Vector3(), factor, done);
    for (Frame* child = frame.firstChild; child != nullptr; child = child->next)
        scaleSubtree(*child, factor, done);
}

}  // namespace

float viewHalfSize()
{
    return visibleHalfAt(0.0f);
}

ViewFit viewFitFor(const Vector3& boxMin, const Vector3& boxMax)
{
    ViewFit fit;
    const Vector3 size = boxMax.minus(boxMin);
    const float largest = std::max({size.x, size.y, size.z});
    if (!isFinite(boxMin) || !isFinite(boxMax) || !(largest > 0.0f))
        return fit;
    if (inView(boxMin, boxMax) && largest >= kSmallestShare * 2.0f * viewHalfSize())
        return fit;
    fit.fitted = true;
    fit.factor = fitFactor(size, largest);
    fit.centre = boxMin.plus(boxMax).scale(0.5f);
    return fit;
}

void applyViewFit(Frame& model, const ViewFit& fit)
{
    if (!fit.fitted)
        return;
    std::unordered_set<const MeshVertex*> done;
    const Vector3 offset = fit.centre.negated();
    // The model frame keeps its own place; what it holds moves within its space.
    moveMesh(model, offset, fit.factor, done);
    for (Frame* child = model.firstChild; child != nullptr; child = child->next) {
        child->localPosition.add(offset);
        scaleSubtree(*child, fit.factor, done);
    }
}
