// loadModel and the model cache: keys, reader choice, the model directory, copies of the
// template tree and emptying the cache. Files are written to a scratch working directory.
#include "model/model_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh, empty working directory for one test; the previous one is restored afterwards.
class ScratchWorkingDirectory {
public:
    ScratchWorkingDirectory() : saved_(fs::current_path())
    {
        std::random_device seed;
        dir_ = fs::temp_directory_path() / ("vellarn_model_cache_" + std::to_string(seed()));
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    ~ScratchWorkingDirectory()
    {
        fs::current_path(saved_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    static void write(const fs::path& name, const std::string& text)
    {
        if (name.has_parent_path())
            fs::create_directories(name.parent_path());
        std::ofstream(name, std::ios::binary) << text;
    }

private:
    fs::path saved_;
    fs::path dir_;
};

// A document with two objects (three mesh frames: "a" has faces of two materials).
const char* const kMqo =
    "Metasequoia Document\nFormat Text Ver 1.0\n"
    "Material 2 {\n\"m0\" col(1 0 0 1) dif(1)\n\"m1\" col(0 1 0 1) dif(1)\n}\n"
    "Object \"a\" {\nvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n}\nface 2 {\n3 V(0 1 2) M(0)\n3 V(0 2 1) M(1)\n}\n}\n"
    "Object \"b\" {\nvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n}\nface 1 {\n3 V(0 1 2) M(1)\n}\n}\n";

const char* const kX = "xof 0302txt 0032\n"
                       "Material Red {\n1.0;0.0;0.0;1.0;;\n5.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n"
                       "Mesh {\n3;\n0.0;0.0;0.0;,\n1.0;0.0;0.0;,\n0.0;1.0;0.0;;\n1;\n3;0,1,2;;\n"
                       "MeshMaterialList {\n1;\n1;\n0;;\n{Red}\n}\n}\n";

// A triangle in the .rok layout: lines end with a carriage return alone.
std::string rokTriangle()
{
    std::string t = "ROKU4\r";
    for (int i = 0; i < 14; ++i)
        t += " 0\r";
    t += "POINT\r";
    const char* const points[3][3] = {{"0", "0", "0"}, {"1", "0", "0"}, {"0", "1", "0"}};
    for (const auto& p : points) {
        t += " 1\r 0\r 0\r 0\r 0\r";
        for (const char* c : p)
            t += std::string(" ") + c + "\r";
    }
    t += "LINE0\r 1\r 2\r 0\r 0\r 2\r 3\r 0\r 0\r 3\r 1\r 0\r 0\r";
    t += "FACE0\r 3\r 0\r 0\r 1\r 2\r 3\rEND00\r";
    return t;
}

std::vector<const Frame*> children(const Frame& frame)
{
    std::vector<const Frame*> out;
    for (const Frame* f = frame.firstChild; f != nullptr; f = f->next)
        out.push_back(f);
    return out;
}

// A prefix and a number, built by appending (GCC 12 warns wrongly about prefixing a temporary).
std::string numbered(const char* prefix, int i)
{
    std::string s(prefix);
    s += std::to_string(i);
    return s;
}

int entriesAfter(const ModelEntry& head)
{
    int n = 0;
    for (const ModelEntry* e = head.next; e != nullptr; e = e->next)
        ++n;
    return n;
}

TEST(ModelCache, ExtensionChoosesTheReader)
{
    struct Case {
        const char* name;
        ModelFormat format;
    };
    const Case cases[] = {
        {"model.X", ModelFormat::x},
        {"model.x", ModelFormat::x},
        {"model.Mqo", ModelFormat::metasequoia},
        {"a\\b.MQO", ModelFormat::metasequoia},
        {"model.ROK", ModelFormat::rok},
        {".x", ModelFormat::x},
        {"x", ModelFormat::unknown},
        {"mqo", ModelFormat::unknown},
        {"a.mqo.bak", ModelFormat::unknown},
        {"a.xx", ModelFormat::unknown},
        {"", ModelFormat::unknown},
        {"a.mqo.x", ModelFormat::x},
    };
    for (const Case& c : cases)
        EXPECT_EQ(modelFormatOf(c.name), c.format) << c.name;
}

TEST(ModelCache, EachFormatLoadsThroughItsReader)
{
    ScratchWorkingDirectory scratch;
    scratch.write("m.Mqo", kMqo);
    scratch.write("m.X", kX);
    scratch.write("m.ROK", rokTriangle());
    struct Case {
        const char* name;
        std::size_t meshFrames;
        int32_t vertices;  // in the first mesh frame
    };
    const Case cases[] = {{"m.Mqo", 3, 3}, {"m.X", 1, 3}, {"m.ROK", 1, 6}};
    for (const Case& c : cases) {
        ModelCache cache;
        Frame target;
        ASSERT_NE(cache.load(target, c.name, Vector3(1, 1, 1)), nullptr) << c.name;
        const auto meshes = children(target);
        ASSERT_EQ(meshes.size(), c.meshFrames) << c.name;
        EXPECT_EQ(meshes[0]->vertexCount, c.vertices) << c.name;
    }
    // The same .mqo text under another extension goes to another reader.
    scratch.write("other.x", kMqo);
    ModelCache cache;
    Frame target;
    EXPECT_EQ(cache.load(target, "other.x", Vector3(1, 1, 1)), nullptr);
}

TEST(ModelCache, SameNameAndScaleReadsOnce)
{
    ScratchWorkingDirectory scratch;
    scratch.write("oval.mqo", kMqo);
    ModelCache cache;
    const Vector3 scale(0.7f, 0.7f, 0.7f);
    Frame first;
    ModelEntry* entry = cache.load(first, "Oval.MQO", scale);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, "oval.mqo");
    fs::remove("oval.mqo");  // a second read would fail now

    Frame second;
    EXPECT_EQ(cache.load(second, "oval.mqo", scale), entry);
    EXPECT_EQ(second.name, "oval.mqo");
    EXPECT_EQ(entriesAfter(cache.head), 1);

    // Another scale, however close, is another model: read again (and the file is gone).
    Frame third;
    EXPECT_EQ(cache.load(third, "oval.mqo", Vector3(0.7f, 0.7f, 0.70001f)), nullptr);
    EXPECT_EQ(third.name, "");
    scratch.write("oval.mqo", kMqo);
    ModelEntry* other = cache.load(third, "OVAL.mqo", Vector3(0.7f, 0.7f, 0.70001f));
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, entry);
    // The failed load left an unnamed entry behind, which nothing finds.
    EXPECT_EQ(entriesAfter(cache.head), 3);
    EXPECT_EQ(cache.head.next->next->name, "");
    EXPECT_FALSE(cache.head.next->next->root);
}

TEST(ModelCache, CopiesShareTheTemplateMeshesInTemplateOrder)
{
    ScratchWorkingDirectory scratch;
    scratch.write("m.mqo", kMqo);
    ModelCache cache;
    Frame target;
    ModelEntry* entry = cache.load(target, "m.mqo", Vector3(1, 1, 1));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(target.name, "m.mqo");
    EXPECT_EQ(entry->root->name, "m.mqo");
    const auto copies = children(target);
    const auto originals = children(*entry->root);
    ASSERT_EQ(copies.size(), 3u);
    ASSERT_EQ(originals.size(), 3u);
    const char* const names[] = {"a", "a", "b"};
    for (std::size_t i = 0; i < copies.size(); ++i) {
        EXPECT_EQ(copies[i]->name, names[i]);
        EXPECT_EQ(copies[i]->vertices, originals[i]->vertices);
        EXPECT_EQ(copies[i]->vertexOwnership, Frame::kVerticesBorrowed);
        ASSERT_TRUE(copies[i]->material);
        EXPECT_EQ(copies[i]->material->diffuse.g, originals[i]->material->diffuse.g);
    }
    EXPECT_TRUE(entry->materials.next == nullptr);
}

TEST(ModelCache, CloneKeepsOrderAtEveryLevelWhateverTheKeys)
{
    ModelEntry entry;
    entry.root = std::make_unique<Frame>();
    const float keys[] = {3, 0, 0, -1, -2};
    for (int i = 0; i < 5; ++i) {
        Frame* child = entry.root->addChild(keys[i]);
        child->setName(numbered("c", i));
        if (i == 3) {
            child->addChild(-5)->setName("g0");
            child->addChild(-7)->setName("g1");
        }
    }
    Frame target;
    cloneFrameTree(entry, target, nullptr);
    const auto copies = children(target);
    ASSERT_EQ(copies.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(copies[i]->name, numbered("c", i));
        EXPECT_EQ(copies[i]->sortKey, keys[i]);
    }
    const auto grandchildren = children(*copies[3]);
    ASSERT_EQ(grandchildren.size(), 2u);
    EXPECT_EQ(grandchildren[0]->name, "g0");
    EXPECT_EQ(grandchildren[1]->name, "g1");

    ModelEntry empty;
    Frame untouched;
    untouched.setName("kept");
    cloneFrameTree(empty, untouched, nullptr);
    EXPECT_EQ(untouched.name, "kept");
}

TEST(ModelCache, LooksInTheModelDirectoryByBaseName)
{
    ScratchWorkingDirectory scratch;
    scratch.write(fs::path("data") / "model" / "round.mqo", kMqo);
    const char* const names[] = {"round.mqo", "c:\\glasses\\round.mqo", "elsewhere/ROUND.MQO"};
    for (const char* name : names) {
        ModelCache cache;
        Frame target;
        EXPECT_NE(cache.load(target, name, Vector3(1, 1, 1)), nullptr) << name;
    }
}

TEST(ModelCache, FailuresLeaveTheTargetAsItWas)
{
    ScratchWorkingDirectory scratch;
    scratch.write("empty.mqo", "Metasequoia Document\nFormat Text Ver 1.0\n");
    scratch.write("model.obj", kMqo);
    // Files of no bytes and folders with a model's name.
    scratch.write("zero.mqo", "");
    scratch.write("zero.x", "");
    scratch.write("zero.rok", "");
    for (const char* name : {"folder.mqo", "folder.x", "folder.rok"})
        fs::create_directory(name);
    // Files that read, but whose every face has fewer than three corners: nothing to draw.
    std::string lines = kMqo;
    lines.replace(lines.find("3 V(0 1 2) M(0)"), 15, "2 V(0 1) M(0)");
    for (size_t at = lines.find("3 V("); at != std::string::npos; at = lines.find("3 V(", at))
        lines.replace(at, 10, "2 V(0 1)");
    std::string x = kX, rok = rokTriangle();
    x.replace(x.find("3;0,1,2;;"), 9, "2;0,1;;");
    rok.replace(rok.find("FACE0\r 3"), 9, "FACE0\r 2");
    scratch.write("lines.mqo", lines);
    scratch.write("lines.x", x);
    scratch.write("lines.rok", rok);
    const char* const names[] = {"missing.mqo", "empty.mqo",  "model.obj", "",         "missing.x",
                                 "missing.rok", "zero.mqo",   "zero.x",    "zero.rok", "folder.mqo",
                                 "folder.x",    "folder.rok", "lines.mqo", "lines.x",  "lines.rok"};
    ModelCache cache;
    for (const char* name : names) {
        Frame target;
        target.setName("before");
        EXPECT_EQ(cache.load(target, name, Vector3(1, 1, 1)), nullptr) << name;
        EXPECT_EQ(target.name, "before") << name;
        EXPECT_EQ(target.firstChild, nullptr);
    }
    // Failed entries never match, not even an empty name at scale zero.
    Frame target;
    EXPECT_EQ(cache.load(target, "", Vector3()), nullptr);
}

TEST(ModelCache, ClearingDestroysEveryEntryButTheHead)
{
    ScratchWorkingDirectory scratch;
    scratch.write("m.mqo", kMqo);
    ModelCache cache;
    {
        Frame a, b;
        ASSERT_NE(cache.load(a, "m.mqo", Vector3(1, 1, 1)), nullptr);
        ASSERT_NE(cache.load(b, "m.mqo", Vector3(2, 2, 2)), nullptr);
    }
    EXPECT_EQ(entriesAfter(cache.head), 2);
    cache.clear();
    EXPECT_EQ(cache.head.next, nullptr);
    Frame c;
    ASSERT_NE(cache.load(c, "m.mqo", Vector3(1, 1, 1)), nullptr);  // read again
    EXPECT_EQ(entriesAfter(cache.head), 1);
}

}  // namespace
