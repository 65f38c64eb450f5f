// Lights: the directional light record, applying it to the device, switching it off on the way out.
#include "render/light.h"

#include "render/light_list.h"

namespace {

constexpr float kByteToUnit = 0.003921569f;  // 1 / 255 as a float
// The square root of the largest float: the largest range the device accepts.
constexpr float kMaxLightRange = 1.8446743e19f;

}  // namespace

ColourValue colourFromWord(uint32_t argb)
{
    ColourValue c;
    c.r = static_cast<float>((argb >> 16) & 0xFF) * kByteToUnit;
    c.g = static_cast<float>((argb >> 8) & 0xFF) * kByteToUnit;
    c.b = static_cast<float>(argb & 0xFF) * kByteToUnit;
    c.a = static_cast<float>((argb >> 24) & 0xFF) * kByteToUnit;
    return c;
}

Light::~Light()
{
    if (light.type != 0)
        apply(false);
}

void Light::set(float x, float y, float z, uint32_t diffuse, uint32_t ambient, uint32_t specular)
{
    light.type = kLightDirectional;
    light.direction = {x, y, z};
    light.diffuse = colourFromWord(diffuse);
    light.ambient = colourFromWord(ambient);
    light.specular = colourFromWord(specular);
    light.range = kMaxLightRange;
}

bool Light::apply(bool enable)
{
    DrawDevice* device = list_ != nullptr ? list_->device() : nullptr;
    if (device == nullptr || index < 0)
        return false;
    const auto deviceIndex = static_cast<uint32_t>(index);
    if (device->setLight(deviceIndex, light) != kDrawOk)
        return false;
    device->lightEnable(deviceIndex, enable);
    return true;
}
