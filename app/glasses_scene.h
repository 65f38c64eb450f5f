// GlassesScene: ties the loaded glasses to the user's settings and makes the picture the
// floating window shows. It loads the model into the World (fitting a model made at another
// scale into the view), finds the parts the user changes by their object names (lenses and
// temple masks), and for every picture turns the glasses, places the light, recolours the
// lenses, stretches the masks, renders over black and over green and derives each pixel's
// alpha from the two.
//
// What it needs of the device, the window and the user goes through SceneHost, so that the
// same scene runs under tests with a recording device.
#pragma once

#include <cstdint>
#include <string>

#include "app/scene_parameters.h"
#include "base/ptr_array.h"
#include "image/image_buffer.h"
#include "model/d3d_material7_data.h"
#include "model/scene_part_names.h"

class Frame;
class Light;
class World;

class SceneHost {
public:
    virtual ~SceneHost() = default;
    // The render device is up and can draw.
    virtual bool deviceReady() const = 0;
    // The render target's size in pixels.
    virtual int32_t targetWidth() const = 0;
    virtual int32_t targetHeight() const = 0;
    // Copies the render target into the image (of the target's size; otherwise nothing).
    virtual void copyTarget(ImageBuffer& image) = 0;
    virtual bool windowMinimised() const = 0;
    // Per-pixel-alpha windows are available; otherwise the window is shaped by a region.
    virtual bool layeredWindows() const = 0;
    // Scans the working directory's image-decoder plug-ins again.
    virtual void reloadPlugins() = 0;
    // Tells the user that the named model could not be opened.
    virtual void showOpenFailure(const std::string& modelName) = 0;
    // Lets the user pick a model file; false when cancelled. path receives the full path.
    virtual bool chooseModelFile(std::string& path) = 0;
};

class GlassesScene {
public:
    // Object names of the parts the scene drives (code page 932, model/scene_part_names.h).
    static constexpr const char* kLensName = kLensObjectName;
    static constexpr const char* kLeftMaskName = kLeftMaskObjectName;
    static constexpr const char* kRightMaskName = kRightMaskObjectName;
    static constexpr float kModelScale = 0.7f;

    GlassesScene(World& world, SceneHost& host) : world_(world), host_(host) {}
    virtual ~GlassesScene() = default;
    GlassesScene(const GlassesScene&) = delete;
    GlassesScene& operator=(const GlassesScene&) = delete;

    // Loads modelFileName (which the open-file dialog may replace with a full path) unless a
    // model is loaded already, in which case only the device state is restored.
    bool load(std::string& modelFileName);
    // After the device was rebuilt: projection, camera, light and images again.
    bool restoreDeviceState();
    // Makes the next picture into blackImage (with alpha in layered mode).
    void render();
    // The picture for a region-shaped window: rendered once over green, lenses see-through.
    void renderForRegion();
    // Forgets the model's parts; the parameters stay.
    void clear();
    // Paints the temple masks opaque white (on) or invisible (off) while temples are dragged.
    void showMasks(bool on);

    SceneParameters params;      // the user's settings; clamped by render
    bool loaded = false;         // a model is loaded and prepared
    ImageBuffer blackImage;      // rendered over black, with alpha; the picture presented
    ImageBuffer greenImage;      // rendered over green (layered mode only)
    ColourValue lensBaseColour;  // diffuse colour of the first lens as loaded
    Light* light = nullptr;      // owned by the World
    Frame* model = nullptr;      // the World's child holding the glasses; owned by the World
    PtrArray<Frame*> lenses;
    PtrArray<ColourValue> lensFileColours;  // each lens's diffuse colour as loaded
    PtrArray<Frame*> leftMasks;
    PtrArray<Frame*> rightMasks;

private:
    bool loadModelFile(std::string& modelFileName);
    // Scales and centres a model made at another scale so that it shows whole (view_fit.h).
    void fitToView();
    void findParts();
    void setUpCamera();
    void createImages();
    bool canRender() const;
    void clampParameters();
    void placeLight();
    void colourLenses();
    void orientAndStretch();

    World& world_;
    SceneHost& host_;
};

// Moves every mask of one side so that its local origin lies on the plane z = m touching the
// side's lowest mask point, keeping the shapes where they are, so that scaling a mask's z
// stretches it from that plane. Also gives the masks sort key 1 and diffuse alpha 0.
void prepareMasks(PtrArray<Frame*>& masks);
