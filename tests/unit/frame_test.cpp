// Frame data side: defaults, child order and re-sorting, search by name, copying with each
// vertex ownership, and destruction inside a tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/frame.h"

namespace {

// Child names in list order, checking the back links and parent on the way.
std::string childNames(const Frame& parent)
{
    std::string names;
    const Frame* previous = nullptr;
    for (const Frame* c = parent.firstChild; c != nullptr; c = c->next) {
        EXPECT_EQ(c->prev, previous);
        EXPECT_EQ(c->parent, &parent);
        previous = c;
        names += c->name;
    }
    return names;
}

void addChildren(Frame& parent, const std::vector<float>& keys)
{
    for (size_t i = 0; i < keys.size(); ++i)
        parent.addChild(keys[i])->setName(std::string(1, static_cast<char>('a' + i)));
}

MeshVertex* newVertices(int32_t n)
{
    MeshVertex* v = new MeshVertex[static_cast<size_t>(n)];
    for (int32_t i = 0; i < n; ++i)
        v[i].x = static_cast<float>(i);
    return v;
}

}  // namespace

TEST(Frame, ChildOrderLargestKeyFirstEqualKeysInInsertionOrder)
{
    const struct {
        std::vector<float> keys;
        const char* order;
    } cases[] = {
        {{0, 0, -1, 0}, "abdc"},
        {{-1, 0, 1}, "cba"},
        {{1, 2, 1, 2, 0}, "bdace"},
        {{0.5f, -0.5f, 0.5f, -0.5f}, "acbd"},
    };
    for (const auto& c : cases) {
        Frame root;
        addChildren(root, c.keys);
        EXPECT_EQ(childNames(root), c.order);
    }
}

TEST(Frame, SortChildrenIsStableAndRelinksTheFirstChild)
{
    const struct {
        std::vector<float> before;
        std::vector<float> after;  // keys given to the children a, b, c, ... before re-sorting
        const char* order;
    } cases[] = {
        {{0, 0, 0, 0}, {0, -1, 0, 0}, "acdb"},  // the lens case: one key lowered
        {{0, 0, 0, 0, 0, 0}, {0, 1, 0, 1, -1, 0}, "bdacfe"},
        {{0, 0, 0}, {-1, -1, 5}, "cab"},
        {{0, 0, 0}, {3, 2, 1}, "abc"},
    };
    for (const auto& c : cases) {
        Frame root;
        addChildren(root, c.before);
        size_t i = 0;
        for (Frame* f = root.firstChild; f != nullptr; f = f->next)
            f->sortKey = c.after[i++];
        root.sortChildren();
        EXPECT_EQ(childNames(root), c.order);
    }
}

TEST(Frame, SortTreeSortsEveryLevel)
{
    Frame root;
    Frame* a = root.addChild(0);
    Frame* b = root.addChild(0);
    a->setName("a");
    b->setName("b");
    addChildren(*b, {0, 0});
    a->sortKey = -1;
    b->firstChild->sortKey = -1;
    root.sortTree();
    EXPECT_EQ(childNames(root), "ba");
    EXPECT_EQ(childNames(*b), "ba");
}

TEST(Frame, FindByNameSearchesDescendantsInPostOrder)
{
    Frame root;
    root.setName("x");  // the frame itself is never a match
    Frame* a = root.addChild(0);
    Frame* b = a->addChild(0);
    Frame* c = b->addChild(0);
    Frame* d = root.addChild(0);
    Frame* e = d->addChild(0);
    for (Frame* f : {a, b, c, d})
        f->setName("x");
    e->setName("X");  // byte for byte: other case is another name
    root.addChild(0)->setName("x ");

    PtrArray<Frame*> found;
    root.findByName("x", found);
    ASSERT_EQ(found.count(), 4);
    EXPECT_EQ(found[0], c);
    EXPECT_EQ(found[1], b);
    EXPECT_EQ(found[2], a);
    EXPECT_EQ(found[3], d);

    std::vector<Frame*> upper;
    root.findByName("X", upper);
    EXPECT_EQ(upper, std::vector<Frame*>{e});
}

TEST(Frame, CopyFromFollowsTheVertexOwnership)
{
    const struct {
        int32_t ownership;
        bool ownCopy;
        int32_t copyOwnership;
    } cases[] = {{1, true, 1}, {2, false, 0}, {0, false, 0}};
    for (const auto& c : cases) {
        MeshVertex* data = newVertices(6);
        {
            Frame source;
            source.vertices = data;
            source.vertexCount = 6;
            source.vertexOwnership = c.ownership;
            Frame copy;
            copy.vertices = newVertices(3);  // owned (mode 1): freed by copyFrom
            copy.copyFrom(source);
            EXPECT_EQ(copy.vertexCount, 6);
            EXPECT_EQ(copy.vertexOwnership, c.copyOwnership);
            EXPECT_EQ(copy.vertices != data, c.ownCopy) << c.ownership;
            EXPECT_EQ(copy.vertices[5].x, 5.0f);
        }
        if (c.ownership == 0)
            delete[] data;  // borrowed by both frames
    }
}

TEST(Frame, CopyFromCopiesFieldsButKeepsLinksAndOwnMaterialWhenOtherHasNone)
{
    Frame tree;
    Frame* target = tree.addChild(0);
    tree.addChild(0);
    D3DMaterial7Data red;
    red.diffuse = {1, 0, 0, 1};
    target->setMaterial(red);

    Frame source;
    source.setName("lens");
    source.sortKey = -1;
    source.groupId = 7;
    source.enableAlphaBlend();
    source.localPosition.set(1, 2, 3);
    source.boundsMax.set(4, 5, 6);
    target->copyFrom(source);
    EXPECT_EQ(target->name, "lens");
    EXPECT_EQ(target->groupId, 7);
    EXPECT_EQ(target->sortKey, -1.0f);
    EXPECT_EQ(target->alphaBlend, 1);
    EXPECT_EQ(target->localPosition.z, 3.0f);
    EXPECT_EQ(target->boundsMax.y, 5.0f);
    ASSERT_TRUE(target->material);
    EXPECT_EQ(target->material->diffuse.r, 1.0f);  // kept: the source has no material
    EXPECT_EQ(target->parent, &tree);
    EXPECT_NE(target->next, nullptr);

    D3DMaterial7Data blue;
    blue.diffuse = {0, 0, 1, 0.5f};
    source.setMaterial(blue);
    target->copyFrom(source);
    EXPECT_EQ(target->material->diffuse.b, 1.0f);
    EXPECT_NE(target->material.get(), source.material.get());
}

TEST(Frame, CopyFromCopiesOwnedIndicesAndSharesOthers)
{
    uint16_t* shared = new uint16_t[2]{4, 5};
    Frame owner;
    owner.indicesOwned = 1;
    owner.indices = new uint16_t[3]{1, 2, 3};
    owner.indexCount = 3;
    Frame borrower;
    borrower.indices = shared;
    borrower.indexCount = 2;

    Frame copy;
    copy.copyFrom(owner);
    EXPECT_NE(copy.indices, owner.indices);
    EXPECT_EQ(copy.indices[2], 3);
    copy.copyFrom(borrower);
    EXPECT_EQ(copy.indices, shared);
    EXPECT_EQ(copy.indicesOwned, 0);
    delete[] shared;
}

TEST(Frame, CopyFromItselfChangesNothing)
{
    Frame f;
    f.vertices = newVertices(3);
    f.vertexCount = 3;
    f.copyFrom(f);
    EXPECT_EQ(f.vertices[2].x, 2.0f);
}

TEST(Frame, DestroyingAChildRelinksItsSiblings)
{
    const struct {
        int destroyed;
        const char* left;
    } cases[] = {{0, "bc"}, {1, "ac"}, {2, "ab"}};
    for (const auto& c : cases) {
        Frame root;
        addChildren(root, {0, 0, 0});
        Frame* victim = root.firstChild;
        for (int i = 0; i < c.destroyed; ++i)
            victim = victim->next;
        addChildren(*victim, {0, 0});  // its subtree goes with it
        delete victim;
        EXPECT_EQ(childNames(root), c.left);
    }
}

TEST(Frame, ScalingReachesEveryDescendant)
{
    Frame root;
    Frame* grandchild = root.addChild(0)->addChild(0);
    root.scaleUniform(2.0f);
    root.scaleByVector(Vector3(1.0f, 3.0f, 0.5f));
    EXPECT_EQ(grandchild->localScale.x, 2.0f);
    EXPECT_EQ(grandchild->localScale.y, 6.0f);
    EXPECT_EQ(grandchild->localScale.z, 1.0f);
}
