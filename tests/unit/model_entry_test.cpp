// ModelEntry: the model directory fallback and the entry's place in the cache chain.
#include <gtest/gtest.h>

#include <string>

#include "model/model_entry.h"

TEST(ModelEntry, FallbackPathTakesTheBaseName)
{
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"c:\\glasses\\oval.mqo", "data\\model\\oval.mqo"},
        {"glasses/sub/oval.mqo", "data\\model\\oval.mqo"},
        {"a/b\\c/oval.mqo", "data\\model\\c/oval.mqo"},  // the last '\' wins over a later '/'
        {"oval.mqo", "data\\model\\oval.mqo"},
        {"dir\\", "data\\model\\"},
        {"", "data\\model\\"},
        // "ソ.mqo": the trail byte 0x5C of ソ splits the name like a '\'.
        {"\x83\x5C.mqo", "data\\model\\.mqo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(modelFallbackPath(c.name), c.path) << c.name;
}

TEST(ModelEntry, DestructionUnlinksItAndFreesItsTree)
{
    ModelEntry head;
    ModelEntry* first = new ModelEntry;
    ModelEntry* second = new ModelEntry;
    head.next = first;
    first->prev = &head;
    first->next = second;
    second->prev = first;
    first->root = std::make_unique<Frame>();
    first->root->addChild(0)->addChild(0);
    first->materials.append()->payload.name = "mat";

    delete first;
    EXPECT_EQ(head.next, second);
    EXPECT_EQ(second->prev, &head);
    delete second;
    EXPECT_EQ(head.next, nullptr);
    EXPECT_TRUE(head.name.empty());
    EXPECT_EQ(head.scaleKey.x, 0.0f);
}
