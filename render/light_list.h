// LightList: the lights of the World, in the order they were added, and the device they are
// applied to.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "render/light.h"

class DrawDevice;

class LightList {
public:
    LightList() = default;
    // Destroys every light (each switches itself off first).
    ~LightList();
    LightList(const LightList&) = delete;
    LightList& operator=(const LightList&) = delete;

    // Appends a new, all-zero light with the next index.
    Light* add();
    // Destroys every light, first to last; the next light added gets index 1 again.
    void clear();

    // The device lights are applied to; null for none.
    void setDevice(DrawDevice* device) { device_ = device; }
    DrawDevice* device() const { return device_; }

    size_t count() const { return lights_.size(); }

private:
    std::vector<std::unique_ptr<Light>> lights_;  // in the order they were added
    DrawDevice* device_ = nullptr;
};
