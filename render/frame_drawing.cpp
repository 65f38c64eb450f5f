// Drawing a frame tree on the device (the frames' data lives in model/frame.cpp).
#include "render/frame_drawing.h"

#include <cstdint>

#include "math/matrix4.h"
#include "math/quaternion.h"
#include "math/vector3.h"
#include "model/frame.h"
#include "render/draw_state_cache.h"
#include "render/texture.h"

void drawFrame(Frame& frame, DrawStateCache& state, const Quaternion& parentRotation,
               const Vector3& parentPosition)
{
    DrawDevice& device = state.device();
    frame.worldRotation = parentRotation.product(frame.localRotation);
    frame.worldPosition = parentPosition.plus(frame.localPosition.rotated(parentRotation));
    Matrix4 world;
    world.setScale(frame.localScale);
    world = world.productRotation(frame.worldRotation);
    world.setTranslation(frame.worldPosition);
    device.setTransform(TransformState::World, world);

    state.setLighting(static_cast<uint32_t>(frame.lighting));
    state.setAlphaBlend(static_cast<uint32_t>(frame.alphaBlend));
    if (frame.alphaBlend != 0) {
        state.setSrcBlend(static_cast<uint32_t>(frame.srcBlend));
        state.setDestBlend(static_cast<uint32_t>(frame.destBlend));
    }

    // The device already holds the parent's material when this frame has none. A root keeps
    // the material it was given (the World's default material).
    const D3DMaterial7Data* parentMaterial =
        frame.parent != nullptr ? frame.parent->currentMaterial : nullptr;
    if (frame.material) {
        frame.currentMaterial = frame.material.get();
        device.setMaterial(*frame.material);
    } else if (frame.parent != nullptr) {
        frame.currentMaterial = parentMaterial;
    }

    // A texture without a surface draws untextured, as does a frame without texture.
    state.setTexture(frame.texture != nullptr ? frame.texture->surface.get() : nullptr);

    const bool litVertices = frame.vertexFormat == MeshVertex::kFormat;
    device.setRenderState(RenderState::SpecularEnable, litVertices ? 1 : 0);
    device.setRenderState(RenderState::ColorVertex, litVertices ? 0 : 1);

    if ((frame.flags & Frame::kGroupOnly) == 0 && frame.vertices != nullptr && frame.vertexCount > 0) {
        const auto type = static_cast<uint32_t>(frame.primitiveType);
        const auto format = static_cast<uint32_t>(frame.vertexFormat);
        const auto count = static_cast<uint32_t>(frame.vertexCount);
        if (frame.indices != nullptr && frame.indexCount > 0)
            device.drawIndexedPrimitive(type, format, frame.vertices, count, frame.indices,
                                        static_cast<uint32_t>(frame.indexCount), 0);
        else
            device.drawPrimitive(type, format, frame.vertices, count, 0);
    }

    for (Frame* child = frame.firstChild; child != nullptr; child = child->next)
        drawFrame(*child, state, frame.worldRotation, frame.worldPosition);

    if (frame.material && parentMaterial != nullptr)
        device.setMaterial(*parentMaterial);
}
