// Light: one light of the scene, kept in the World's LightList and handed to the device under
// its index there (1 for the first light after each clearing of the World).
#pragma once

#include <cstdint>

#include "render/draw_device.h"

class LightList;

class Light {
public:
    D3DLight7Data light;  // the device's light record; all zero until set
    int32_t index = 0;    // index on the device: the previous light's + 1, 1 for the first

    Light() = default;
    // A light that was set is switched off on the device.
    virtual ~Light();
    Light(const Light&) = delete;
    Light& operator=(const Light&) = delete;

    // A directional light shining along (x, y, z) (world space, taken as it is), with colours
    // given as 0xAARRGGBB words, and the largest range the device accepts.
    void set(float x, float y, float z, uint32_t diffuse, uint32_t ambient, uint32_t specular);

    // Hands the record to the device and, when that succeeded, switches the light on or off.
    // False when there is no device or the device refused the record.
    bool apply(bool enable);

private:
    friend class LightList;
    LightList* list_ = nullptr;  // the list whose device the light is applied to; null for none
};

// 0xAARRGGBB as four floats from 0 to 1.
ColourValue colourFromWord(uint32_t argb);
