// World: the root frame of the 3D scene and the object through which the program renders. It
// holds the camera, the clear colour, the near and far planes, the lights, the texture cache,
// the model cache and the default material, and draws its frame tree through a DrawDevice.
// One process-wide instance lives for the whole run; tests make their own.
//
// The device is installed with setDevice and must be taken away (setDevice(nullptr)) before
// it is destroyed. Everything that draws without a device does nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "math/quaternion.h"
#include "math/vector3.h"
#include "model/d3d_material7_data.h"
#include "model/frame.h"
#include "model/model_cache.h"
#include "render/draw_device.h"
#include "render/light_list.h"
#include "render/texture_cache.h"

class World : public Frame {
public:
    // Half the vertical field of view (about 41.14 degrees across).
    static constexpr float kHalfFieldOfView = 0.35903916f;  // radians

    uint32_t clearColour = 0x00008000;  // 0xAARRGGBB the target is cleared to for each picture
    double nearPlane = 5.0;             // near clipping distance
    double farPlane = 1000.0;           // far clipping distance
    Quaternion cameraRotation;          // camera orientation in world space; identity
    Vector3 cameraPosition;             // camera position in world space; (0, 0, 0)
    TextureCache textureCache;          // the textures of the loaded models
    LightList lights;                   // the scene's lights, indices from 1
    ModelCache modelCache;              // the template trees of the models read since the last clearing

    // A pure group (flags bit 0) without material until resetWorld; its texture cache becomes
    // the texture source of the model readers.
    World();
    // Clears the world (frames, textures, lights, model cache, default material, in that order)
    // and stops being the texture source.
    ~World() override;

    // The device to draw on, make texture surfaces on and apply lights to; null for none. A new
    // device gets new surfaces for every loaded texture, made from the pictures the textures
    // keep, so that the models stay textured after the device was rebuilt.
    void setDevice(DrawDevice* device);
    DrawDevice* device() const { return device_; }

    // Puts the projection, the texture-stage states, the fixed render states and the viewport
    // on the device. Nothing changes when the planes are closer than 0.01.
    void setupProjection();

    // Clears the target to clearColour, draws the tree from the camera, and returns the result
    // of ending the scene (kDrawFailed without a device).
    DrawResult renderFrame();

    // clearWorld, a new default material (white diffuse and ambient), setupProjection.
    void resetWorld();

    // Destroys, in this order: the child frames, the textures, the lights (each switched off on
    // the device), the model cache's entries; then frees the default material.
    void clearWorld();

    // Appends a new, all-zero light (index 1 for the first after a clearing).
    Light* addLight();

    // The texture cache's lookup (for the model readers).
    Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath);

    // The default material; null before resetWorld and after clearWorld.
    const D3DMaterial7Data* defaultMaterial() const { return defaultMaterial_.get(); }

private:
    DrawDevice* device_ = nullptr;                       // not owned; null when none is installed
    std::unique_ptr<D3DMaterial7Data> defaultMaterial_;  // the material frames without one use
};
