// The glasses that ship in data/model (made by tools/make_glasses.py) read the way the glasses
// scene needs them: translucent lenses, invisible temple masks round the rear of the temples,
// every other part opaque, every part seen from outside, and the whole filling most of the
// picture at the scene's loading scale. Skipped where the source folder is not reachable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "model/mqo_reader.h"

namespace {

namespace fs = std::filesystem;

const fs::path kModels = fs::path(VELLARN_SOURCE_DIR) / "data" / "model";

// Code page 932 names.
const std::string kLens = "\x83\x8c\x83\x93\x83\x59";               // レンズ
const std::string kLeftMask = "\x8d\xb6\x83\x7d\x83\x58\x83\x4e";   // 左マスク
const std::string kRightMask = "\x89\x45\x83\x7d\x83\x58\x83\x4e";  // 右マスク

struct ShippedFile {
    const char* label;  // test name
    const char* name;   // file name, code page 932
};

const ShippedFile kShipped[] = {
    {"Round", "\x8a\xdb\x83\x81\x83\x4b\x83\x6c.mqo"},               // 丸メガネ.mqo, the default
    {"Square", "\x8a\x70\x83\x81\x83\x4b\x83\x6c.mqo"},              // 角メガネ.mqo
    {"Sunglasses", "\x83\x54\x83\x93\x83\x4f\x83\x89\x83\x58.mqo"},  // サングラス.mqo
};

constexpr float kLoadScale = 0.7f;         // the scene loads its model at this scale
constexpr float kPictureHalfHeight = 112;  // 300 * tan(0.359): the picture at the origin

// The shipped model read at the scene's scale; its mesh frames are the root's children.
struct Shipped {
    ModelEntry entry;
    std::vector<const Frame*> frames;
};

bool readShipped(const char* name, Shipped& model)
{
    const std::u8string dir = kModels.generic_u8string();
    const std::string path = utf8ToCp932(std::string(dir.begin(), dir.end())) + "/" + name;
    MqoReadCounts counts;
    if (!readMetasequoia(model.entry, path, Vector3(kLoadScale, kLoadScale, kLoadScale), counts) ||
        counts.facesDropped != 0 || model.entry.root == nullptr)
        return false;
    for (const Frame* f = model.entry.root->firstChild; f != nullptr; f = f->next)
        model.frames.push_back(f);
    return true;
}

// Positive when the triangles run so that the program sees the solids from outside.
double signedVolume(const Frame& f)
{
    double sum = 0;
    for (int32_t i = 0; i + 2 < f.vertexCount; i += 3) {
        const MeshVertex& a = f.vertices[i];
        const MeshVertex& b = f.vertices[i + 1];
        const MeshVertex& c = f.vertices[i + 2];
        sum += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) +
               double(a.y) * (double(b.z) * c.x - double(b.x) * c.z) +
               double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    return sum / 6;
}

bool isMask(const Frame& f)
{
    return f.name == kLeftMask || f.name == kRightMask;
}

class ShippedGlasses : public testing::TestWithParam<ShippedFile> {
protected:
    void SetUp() override
    {
        if (!fs::is_directory(kModels))
            GTEST_SKIP() << "no models at " << kModels.string();
        ASSERT_TRUE(readShipped(GetParam().name, model));
    }
    Shipped model;
};

TEST_P(ShippedGlasses, LensesAreTranslucentMasksInvisibleAndTheRestOpaque)
{
    int lenses = 0, leftMasks = 0, rightMasks = 0;
    for (const Frame* f : model.frames) {
        ASSERT_NE(f->material, nullptr);
        const float alpha = f->material->diffuse.a;
        if (f->name == kLens) {
            ++lenses;
            EXPECT_EQ(f->alphaBlend, 1);
            // The scene first draws a lens at twice its alpha; it should still be see-through.
            EXPECT_GT(alpha, 0.0f);
            EXPECT_LT(alpha, 0.5f);
        } else if (isMask(*f)) {
            (f->name == kLeftMask ? leftMasks : rightMasks)++;
            EXPECT_EQ(f->alphaBlend, 1);
            EXPECT_EQ(alpha, 0.0f);
        } else {
            EXPECT_EQ(f->alphaBlend, 0) << f->name << " would be drawn see-through";
        }
    }
    EXPECT_GE(lenses, 1);
    EXPECT_EQ(leftMasks, 1);
    EXPECT_EQ(rightMasks, 1);
}

TEST_P(ShippedGlasses, EveryPartIsSeenFromOutside)
{
    for (const Frame* f : model.frames)
        EXPECT_GT(signedVolume(*f), 0.0) << f->name;
}

TEST_P(ShippedGlasses, FillsMostOfThePictureFromTheFront)
{
    Vector3 lo(FLT_MAX, FLT_MAX, FLT_MAX), hi(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (const Frame* f : model.frames) {
        if (isMask(*f))
            continue;
        lo = Vector3(std::min(lo.x, f->boundsMin.x), std::min(lo.y, f->boundsMin.y),
                     std::min(lo.z, f->boundsMin.z));
        hi = Vector3(std::max(hi.x, f->boundsMax.x), std::max(hi.y, f->boundsMax.y),
                     std::max(hi.z, f->boundsMax.z));
    }
    EXPECT_GT(hi.x - lo.x, 1.6f * kPictureHalfHeight);
    EXPECT_LT(hi.x - lo.x, 1.95f * kPictureHalfHeight);
    EXPECT_NEAR(hi.x + lo.x, 0.0f, 1.0f);
    EXPECT_LT(std::max(hi.y, -lo.y), 0.8f * kPictureHalfHeight);
    EXPECT_LT(hi.z, 10.0f);  // the front stands at the origin and the temples run back
    EXPECT_LT(lo.z, -100.0f);
}

// At full temple length a mask must hide everything of its side behind its front face, and it
// must stand behind the rims so that stretching it never hides them. The left mask is the
// temple on the left of the picture, which the mirrored reading puts at +x.
TEST_P(ShippedGlasses, MasksCoverTheRearOfTheirTemples)
{
    for (const Frame* mask : model.frames) {
        if (!isMask(*mask))
            continue;
        const float side = mask->name == kLeftMask ? 1.0f : -1.0f;
        EXPECT_GT(side * mask->boundsMin.x, 0.0f) << mask->name;
        EXPECT_LT(mask->boundsMax.z, -10.0f) << mask->name;
        int covered = 0, missed = 0;
        for (const Frame* f : model.frames) {
            if (isMask(*f))
                continue;
            for (int32_t i = 0; i < f->vertexCount; ++i) {
                const MeshVertex& v = f->vertices[i];
                if (side * v.x <= 0 || v.z >= mask->boundsMax.z)
                    continue;
                const bool inside = v.x > mask->boundsMin.x && v.x < mask->boundsMax.x &&
                                    v.y > mask->boundsMin.y && v.y < mask->boundsMax.y &&
                                    v.z > mask->boundsMin.z;
                ++(inside ? covered : missed);
            }
        }
        EXPECT_GT(covered, 0) << "the mask covers no temple";
        EXPECT_EQ(missed, 0) << "corners behind the mask's front but outside it";
    }
}

INSTANTIATE_TEST_SUITE_P(DataModel, ShippedGlasses, testing::ValuesIn(kShipped),
                         [](const testing::TestParamInfo<ShippedFile>& info) { return info.param.label; });

}  // namespace
