// The World's light list: appending with the next index, clearing.
#include "render/light_list.h"

#include <utility>

LightList::~LightList()
{
    clear();
}

Light* LightList::add()
{
    auto light = std::make_unique<Light>();
    light->list_ = this;
    light->index = lights_.empty() ? 1 : lights_.back()->index + 1;
    lights_.push_back(std::move(light));
    return lights_.back().get();
}

void LightList::clear()
{
    // One by one, so that the lights are switched off in the order they were added.
    for (std::unique_ptr<Light>& light : lights_)
        light.reset();
    lights_.clear();
}
