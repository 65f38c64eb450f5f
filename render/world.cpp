// The World: projection and fixed device states, one picture of the frame tree, clearing.
#include "render/world.h"

#include <cmath>

#include "math/matrix4.h"
#include "model/texture_source.h"
#include "render/draw_state_cache.h"
#include "render/frame_drawing.h"

namespace {

// Planes closer than this give no usable projection.
constexpr double kMinPlaneGap = 0.01;
// A field of view whose sine is this small gives no usable projection.
constexpr float kMinSine = 0.01f;

}  // namespace

World::World()
{
    flags = kGroupOnly;
    setTextureSource(&textureCache);
}

World::~World()
{
    clearWorld();
    if (&textureSource() == &textureCache)
        setTextureSource(nullptr);
}

void World::setDevice(DrawDevice* device)
{
    device_ = device;
    textureCache.setDevice(device);
    lights.setDevice(device);
}

void World::setupProjection()
{
    if (device_ == nullptr)
        return;
    const int32_t width = device_->targetWidth();
    const int32_t height = device_->targetHeight();
    if (width <= 0 || height <= 0)
        return;
    const float aspect = static_cast<float>(height) / static_cast<float>(width);
    if (std::fabs(farPlane - nearPlane) < kMinPlaneGap)
        return;
    const float sine = std::sin(kHalfFieldOfView);
    if (std::fabs(sine) < kMinSine)
        return;

    const float cot = std::cos(kHalfFieldOfView) / sine;
    const double depth = farPlane - nearPlane;
    Matrix4 projection;
    projection.m[0][0] = aspect * cot;
    projection.m[1][1] = cot;
    projection.m[2][2] = static_cast<float>(farPlane / depth);
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = static_cast<float>(-nearPlane * farPlane / depth);
    projection.m[3][3] = 0.0f;
    device_->setTransform(TransformState::Projection, projection);

    // A texel's colour and alpha are multiplied with the lit vertex's, whose alpha is the
    // material's diffuse alpha.
    device_->setTextureStageState(0, TextureStageState::ColorOp, kTextureOpModulate);
    device_->setTextureStageState(0, TextureStageState::ColorArg1, kTextureArgTexture);
    device_->setTextureStageState(0, TextureStageState::ColorArg2, kTextureArgDiffuse);
    device_->setTextureStageState(0, TextureStageState::AlphaOp, kTextureOpModulate);
    device_->setTextureStageState(0, TextureStageState::AlphaArg1, kTextureArgTexture);
    device_->setTextureStageState(0, TextureStageState::AlphaArg2, kTextureArgDiffuse);

    device_->setRenderState(RenderState::ShadeMode, kShadeGouraud);
    device_->setRenderState(RenderState::FillMode, kFillSolid);
    device_->setRenderState(RenderState::ZEnable, 1);
    device_->setRenderState(RenderState::ColorKeyEnable, 1);
    device_->setRenderState(RenderState::ColorKeyBlendEnable, 1);
    device_->setRenderState(RenderState::Antialias, kAntialiasSortIndependent);

    DrawViewport viewport;
    viewport.width = static_cast<uint32_t>(width);
    viewport.height = static_cast<uint32_t>(height);
    viewport.minZ = 0.0f;
    viewport.maxZ = 1.0f;
    device_->setViewport(viewport);
}

DrawResult World::renderFrame()
{
    if (device_ == nullptr)
        return kDrawFailed;
    device_->clear(kClearTarget | kClearZBuffer, clearColour, 1.0f, 0);
    device_->beginScene();

    DrawStateCache state(*device_);
    state.begin(currentMaterial);

    // The view is the inverse of the camera's placement: its rotation undone, then its position.
    Matrix4 view;
    view.setRotation(cameraRotation.conjugate());
    view.setTranslation(cameraPosition.negated().transformed(view));
    device_->setTransform(TransformState::View, view);

    drawFrame(*this, state, localRotation, localPosition);
    return device_->endScene();
}

void World::resetWorld()
{
    clearWorld();
    defaultMaterial_ = std::make_unique<D3DMaterial7Data>();
    defaultMaterial_->diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    defaultMaterial_->ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    currentMaterial = defaultMaterial_.get();
    setupProjection();
}

void World::clearWorld()
{
    // The scene's frames borrow the vertex arrays of the model cache's templates, so they go
    // before the cache is emptied.
    while (firstChild != nullptr)
        delete firstChild;
    textureCache.clear();
    lights.clear();
    modelCache.clear();
    currentMaterial = nullptr;
    defaultMaterial_.reset();
}

Light* World::addLight()
{
    return lights.add();
}

Texture* World::findOrLoadTexture(const std::string& path, const std::string* alphaPath)
{
    return textureCache.findOrLoadTexture(path, alphaPath);
}
