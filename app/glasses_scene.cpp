// Loading the glasses, finding their parts, and making each picture.
#include "app/glasses_scene.h"

#include <algorithm>
#include <cmath>

#include "app/view_fit.h"
#include "model/model_measure.h"
#include "render/difference_matte.h"
#include "render/light.h"
#include "render/world.h"

namespace {

constexpr float kLargestFloat = 3.4028235e38f;
constexpr float kLightDistance = 5.0f;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kGreen = 0x00FF00;

void setDiffuse(Frame& frame, const ColourValue& colour)
{
    if (frame.material)
        frame.material->diffuse = colour;
}

ColourValue diffuseOf(const Frame& frame)
{
    return frame.material ? frame.material->diffuse : ColourValue{};
}

}  // namespace

void prepareMasks(PtrArray<Frame*>& masks)
{
    float m = kLargestFloat;
    for (int32_t i = 0; i < masks.count(); ++i) {
        Frame& f = *masks[i];
        f.sortKey = 1.0f;
        if (f.material)
            f.material->diffuse.a = 0.0f;
        m = std::min(m, f.boundsMin.z + f.localPosition.z);
    }
    for (int32_t i = 0; i < masks.count(); ++i) {
        Frame& f = *masks[i];
        f.localPosition.z += m;
        for (int32_t v = 0; v < f.vertexCount; ++v)
            f.vertices[v].z -= m;
    }
}

bool GlassesScene::load(std::string& modelFileName)
{
    if (loaded)
        return restoreDeviceState();
    clear();
    world_.resetWorld();
    host_.reloadPlugins();
    setUpCamera();
    light = world_.addLight();
    light->set(-3.0f, -4.0f, -2.0f, 0x00FFFFFF, 0, 0x00FFFFFF);
    light->apply(true);
    model = world_.addChild(0.0f);
    if (!loadModelFile(modelFileName))
        return false;
    fitToView();
    findParts();
    model->sortTree();
    createImages();
    loaded = true;
    return true;
}

bool GlassesScene::loadModelFile(std::string& modelFileName)
{
    const Vector3 scale(kModelScale, kModelScale, kModelScale);
    if (world_.modelCache.load(*model, modelFileName, scale))
        return true;
    host_.showOpenFailure(modelFileName);
    std::string chosen;
    if (!host_.chooseModelFile(chosen))
        return false;
    modelFileName = chosen;
    return world_.modelCache.load(*model, modelFileName, scale) != nullptr;
}

void GlassesScene::fitToView()
{
    const ModelMeasure measure = measureModel(*model);
    applyViewFit(*model, viewFitFor(measure.boundsMin, measure.boundsMax));
}

void GlassesScene::findParts()
{
    model->findByName(kLensName, lenses);
    for (int32_t i = 0; i < lenses.count(); ++i) {
        Frame& lens = *lenses[i];
        lens.enableAlphaBlend();
        lens.sortKey = -1.0f;
        lensFileColours.append(diffuseOf(lens));
        if (i == 0)
            lensBaseColour = diffuseOf(lens);
    }
    // The lens colour record is assigned as a whole: colour and transparency offset.
    params.lens = {lensBaseColour.r, lensBaseColour.g, lensBaseColour.b, lensBaseColour.a};

    model->findByName(kLeftMaskName, leftMasks);
    prepareMasks(leftMasks);
    model->findByName(kRightMaskName, rightMasks);
    prepareMasks(rightMasks);
}

void GlassesScene::setUpCamera()
{
    world_.cameraPosition.set(0.0f, 0.0f, kCameraDistance);
    world_.cameraRotation.setLookDirection(Vector3(0.0f, 0.0f, -kCameraDistance), 0.0f, 1.0f, 0.0f);
}

void GlassesScene::createImages()
{
    const int32_t w = host_.targetWidth();
    const int32_t h = host_.targetHeight();
    if (host_.layeredWindows()) {
        blackImage.create(w, h, 32);
        greenImage.create(w, h, 32);
    } else {
        blackImage.create(w, h, 24);
    }
}

bool GlassesScene::restoreDeviceState()
{
    world_.setupProjection();
    setUpCamera();
    if (light)
        light->apply(true);
    createImages();
    return true;
}

bool GlassesScene::canRender() const
{
    return loaded && !host_.windowMinimised() && host_.deviceReady();
}

void GlassesScene::clampParameters()
{
    params.turnX = clampTo(params.turnX, -kHalfPi, kHalfPi);
    params.turnY = clampTo(params.turnY, -kHalfPi, kHalfPi);
    params.tilt = clampTo(params.tilt, -kPi, kPi);
    params.lightPadX = clampTo(params.lightPadX, -1.0f, 1.0f);
    params.lightPadY = clampTo(params.lightPadY, -1.0f, 1.0f);
}

void GlassesScene::placeLight()
{
    const float r = std::sqrt(params.lightPadX * params.lightPadX + params.lightPadY * params.lightPadY);
    const float theta = r * kHalfPi;
    const float phi = std::atan2(params.lightPadY, params.lightPadX);
    Quaternion aroundZ;
    aroundZ.setAxisAngle(0.0f, 0.0f, 1.0f, phi);
    Vector3 direction = Vector3(std::sin(theta), 0.0f, -std::cos(theta)).rotated(aroundZ);
    direction.scale(kLightDistance);
    light->set(direction.x, direction.y, direction.z, 0xFFFFFFFF, 0, 0x00FFFFFF);
    light->apply(true);
}

void GlassesScene::colourLenses()
{
    const LensColourRecord& user = params.lens;
    for (int32_t i = 0; i < lenses.count(); ++i) {
        const ColourValue& o = *lensFileColours.at(i);
        const ColourValue& b = lensBaseColour;
        setDiffuse(*lenses[i], {clamp01(o.r - b.r + user.r), clamp01(o.g - b.g + user.g),
                                clamp01(o.b - b.b + user.b), clamp01(o.a + user.alphaOffset)});
    }
}

void GlassesScene::orientAndStretch()
{
    Quaternion turnY, turnX, tilt;
    turnY.setAxisAngle(0.0f, 1.0f, 0.0f, params.turnY);
    turnX.setAxisAngle(1.0f, 0.0f, 0.0f, params.turnX);
    tilt.setAxisAngle(0.0f, 0.0f, 1.0f, params.tilt);
    model->localRotation = turnY.product(turnX).product(tilt);

    const float left = leftTemple(params);
    const float right = rightTemple(params);
    for (int32_t i = 0; i < leftMasks.count(); ++i)
        leftMasks[i]->localScale.z = left;
    for (int32_t i = 0; i < rightMasks.count(); ++i)
        rightMasks[i]->localScale.z = right;
}

void GlassesScene::render()
{
    if (!canRender())
        return;
    if (!host_.layeredWindows()) {
        renderForRegion();
        return;
    }
    clampParameters();
    placeLight();
    params.lens.alphaOffset = clampTo(params.lens.alphaOffset, -1.0f, 1.0f);
    colourLenses();
    orientAndStretch();

    world_.clearColour = kBlack;
    world_.renderFrame();
    host_.copyTarget(blackImage);
    world_.clearColour = kGreen;
    world_.renderFrame();
    host_.copyTarget(greenImage);
    DifferenceMatte::apply(blackImage, greenImage);
}

void GlassesScene::renderForRegion()
{
    if (!canRender())
        return;
    clampParameters();
    placeLight();
    params.lens.alphaOffset = clampTo(params.lens.alphaOffset, -1.0f, 1.0f);
    // See-through lenses: the green background shows there and the region leaves holes.
    for (int32_t i = 0; i < lenses.count(); ++i)
        if (lenses[i]->material)
            lenses[i]->material->diffuse.a = 0.0f;
    orientAndStretch();
    world_.clearColour = kGreen;
    world_.renderFrame();
    host_.copyTarget(blackImage);
}

void GlassesScene::clear()
{
    loaded = false;
    lensFileColours.clear();
    lenses.clear();
    leftMasks.clear();
    rightMasks.clear();
}

void GlassesScene::showMasks(bool on)
{
    if (!loaded)
        return;
    const ColourValue colour = on ? ColourValue{1.0f, 1.0f, 1.0f, 1.0f} : ColourValue{};
    for (int32_t i = 0; i < leftMasks.count(); ++i)
        setDiffuse(*leftMasks[i], colour);
    for (int32_t i = 0; i < rightMasks.count(); ++i)
        setDiffuse(*rightMasks[i], colour);
}
