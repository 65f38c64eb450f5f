// The World's light list: appending with the next index, clearing.
#include "render/light_list.h"

LightList::~LightList()
{
    clear();
}

Light* LightList::add()
{
    Light* last = &head_;
    while (last->next != nullptr)
        last = last->next;
    Light* light = new Light;
    light->list_ = this;
    light->index = last->index + 1;
    light->prev = last;
    last->next = light;
    return light;
}

void LightList::clear()
{
    // Each destructor unlinks its light, which moves head_.next on.
    while (head_.next != nullptr)
        delete head_.next;
}

size_t LightList::count() const
{
    size_t n = 0;
    for (const Light* l = head_.next; l != nullptr; l = l->next)
        ++n;
    return n;
}
