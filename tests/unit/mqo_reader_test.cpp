// The Metasequoia reader: materials, objects, chunks, the mended cases and hostile input.
#include "model/mqo_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/texture_source.h"

namespace {

const Vector3 kUnit(1.0f, 1.0f, 1.0f);

// "レンズ" in code page 932 and in UTF-8.
const std::string kLensCp932 = "\x83\x8C\x83\x93\x83\x59";
const std::string kLensUtf8 = "\xE3\x83\xAC\xE3\x83\xB3\xE3\x82\xBA";

// Reads a document and keeps what came of it.
struct Read {
    ModelEntry entry;
    MqoReadCounts counts;
    RecordingTextureSource textures;
    bool ok = false;

    explicit Read(const std::string& text, const Vector3& scale = kUnit)
    {
        setTextureSource(&textures);
        ok = readMetasequoiaText(entry, text, scale, counts);
        setTextureSource(nullptr);
    }

    std::vector<Frame*> meshes() const
    {
        std::vector<Frame*> result;
        if (entry.root) {
            for (Frame* f = entry.root->firstChild; f != nullptr; f = f->next)
                result.push_back(f);
        }
        return result;
    }

    int32_t triangles() const
    {
        int32_t n = 0;
        for (const Frame* f : meshes())
            n += f->vertexCount / 3;
        return n;
    }
};

// A square (vertices 0..3) as one object, with the given lines in place of its face chunk.
std::string squareObject(const std::string& name, const std::string& faceLines, int32_t faceCount = 1)
{
    return "Object \"" + name +
           "\" {\n\tvertex 4 {\n\t\t0 0 0\n\t\t1 0 0\n\t\t1 1 0\n\t\t0 1 0\n\t}\n"
           "\tface " +
           std::to_string(faceCount) + " {\n" + faceLines + "\t}\n}\n";
}

const char* const kTwoMaterials = "Material 2 {\n"
                                  "\t\"red\" col(1 0 0 0.5) dif(0.8) amb(0.6) emi(0) spc(0) power(5)\n"
                                  "\t\"blue\" col(0 0 1 1) dif(1) amb(1) emi(0) spc(0) power(0)\n"
                                  "}\n";

std::string floatBytes(float x)
{
    const auto bits = std::bit_cast<uint32_t>(x);
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

TEST(MqoReader, MaterialColoursFollowColAndItsFactors)
{
    Read r(std::string("Metasequoia Document\nFormat Text Ver 1.0\n\n") + kTwoMaterials +
           squareObject("o", "\t\t4 V(0 1 2 3) M(0)\n"));
    ASSERT_TRUE(r.ok);
    const auto meshes = r.meshes();
    ASSERT_EQ(meshes.size(), 1u);
    const D3DMaterial7Data& m = *meshes[0]->material;
    EXPECT_FLOAT_EQ(m.diffuse.r, 0.8f);
    EXPECT_FLOAT_EQ(m.diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(m.diffuse.a, 0.5f) << "the opacity is col's own, not scaled by dif";
    EXPECT_FLOAT_EQ(m.ambient.r, 0.6f);
    EXPECT_FLOAT_EQ(m.ambient.a, 0.3f);
    EXPECT_EQ(m.specular.a, 0.0f);
    EXPECT_EQ(m.emissive.r, 0.0f);
    EXPECT_EQ(m.emissive.a, 0.0f);
    EXPECT_FLOAT_EQ(m.power, 5.0f);
    EXPECT_EQ(meshes[0]->alphaBlend, 1);
    EXPECT_TRUE(r.entry.materials.next == nullptr) << "materials are emptied after the read";

    // An opaque colour stays opaque whatever dif is, also 0 (a purely emissive material).
    for (const char* dif : {"0.8", "0"}) {
        Read opaque(std::string("Material 1 {\n\"m\" col(0.5 0.5 0.5 1.000) dif(") + dif + ") emi(1)\n}\n" +
                    squareObject("o", "3 V(0 1 2)\n"));
        ASSERT_EQ(opaque.meshes().size(), 1u);
        EXPECT_EQ(opaque.meshes()[0]->material->diffuse.a, 1.0f) << dif;
        EXPECT_EQ(opaque.meshes()[0]->alphaBlend, 0) << dif;
    }
}

TEST(MqoReader, MaterialTexturesAndEntriesInAnyOrder)
{
    struct Case {
        const char* line;
        const char* tex;     // expected request, or null for none
        const char* aplane;  // "" for none
        float diffuseR;
    };
    const Case cases[] = {
        {"\"m\" col(1 1 1 1) dif(0.5) amb(0.6) emi(0) spc(0) power(5)", nullptr, "", 0.5f},
        {"\"m\" col(1 1 1 1) dif(0.5) amb(0.6) emi(0) spc(0) power(5) tex(\"a b.bmp\")", "a b.bmp", "", 0.5f},
        {"\"m\" col(1 1 1 1) dif(0.5) amb(0.6) emi(0) spc(0) power(5) tex(\"t.bmp\") aplane(\"al.bmp\")",
         "t.bmp", "al.bmp", 0.5f},
        {"\"m\" col(1 1 1 1) dif(0.5) tex(\"\")", nullptr, "", 0.5f},
        // Newer documents put further entries before col(; they are passed over.
        {"\"m\" shader(3) vcol(1) uid(7) col(0.5 1 1 1) dif(1) amb(0.6) emi(0) spc(0) power(5) "
         "tex(\"C:\\dir (1)\\t.png\")",
         "C:\\dir (1)\\t.png", "", 0.5f},
        // Entries the line lacks take the values of a new Metasequoia material.
        {"\"m\"", nullptr, "", 0.8f},
    };
    for (const Case& c : cases) {
        Read r(std::string("Material 1 {\n") + c.line + "\n}\n" + squareObject("o", "3 V(0 1 2)\n"));
        ASSERT_TRUE(r.ok);
        if (c.tex == nullptr) {
            EXPECT_TRUE(r.textures.requests.empty()) << c.line;
        } else {
            ASSERT_EQ(r.textures.requests.size(), 1u) << c.line;
            EXPECT_EQ(r.textures.requests[0].path, c.tex);
            EXPECT_EQ(r.textures.requests[0].alphaPath, c.aplane);
        }
        ASSERT_EQ(r.meshes().size(), 1u);
        EXPECT_FLOAT_EQ(r.meshes()[0]->material->diffuse.r, c.diffuseR) << c.line;
    }
}

TEST(MqoReader, PositionsAreScaledAndMirroredInX)
{
    struct Case {
        const char* vertex;
        float x, y, z;  // before scaling
    };
    const Case cases[] = {
        {"1.0 2.0 3.0", 1, 2, 3},
        {"1e2 2 3", 100, 2, 3},  // the exponent is read and passed over
        {"-9.60E-01 +1.5 .5", -0.96f, 1.5f, 0.5f},
    };
    const Vector3 scale(0.7f, 0.7f, 0.7f);
    for (const Case& c : cases) {
        Read r(std::string("Object \"o\" {\nvertex 3 {\n") + c.vertex +
                   "\n0 0 0\n0 1 0\n}\n"
                   "face 1 {\n3 V(0 1 2)\n}\n}\n",
               scale);
        ASSERT_EQ(r.meshes().size(), 1u) << c.vertex;
        const MeshVertex& v = r.meshes()[0]->vertices[0];
        EXPECT_FLOAT_EQ(v.x, c.x * -0.7f) << c.vertex;
        EXPECT_FLOAT_EQ(v.y, c.y * 0.7f) << c.vertex;
        EXPECT_FLOAT_EQ(v.z, c.z * 0.7f) << c.vertex;
    }
}

TEST(MqoReader, SkipsBoneAndAnchorObjects)
{
    const std::string face = "3 V(0 1 2)\n";
    Read r(squareObject("bone1", face) + squareObject("Anchor2", face) + squareObject("BONE", face) +
           squareObject("mybone", face) + squareObject("anchorless", face));
    ASSERT_TRUE(r.ok);
    const auto meshes = r.meshes();
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_EQ(meshes[0]->name, "mybone");
    EXPECT_EQ(r.counts.objects, 1);
    EXPECT_EQ(r.counts.objectsSkipped, 4);
}

// The lists of a face line in any order; the first of each counts, and only after a blank.
TEST(MqoReader, QuadWithMaterialNumberGivesTwoTrianglesOfThatMaterial)
{
    for (const char* face :
         {"4 V(0 1 2 3) M(1) UV(0 0 1 0 1 1 0 1)\n", "4 UV(0 0 1 0 1 1 0 1) M(1) V(0 1 2 3)\n",
          "4 XM(0) COL(1) M(1) XV(3) V(0 1 2 3) XUV(1 1) UV(0 0 1 0 1 1 0 1) M(0) V(3 2 1 0)\n"}) {
        Read r(std::string(kTwoMaterials) + squareObject("o", face));
        const auto meshes = r.meshes();
        ASSERT_EQ(meshes.size(), 1u) << face;
        ASSERT_EQ(meshes[0]->vertexCount, 6);
        EXPECT_FLOAT_EQ(meshes[0]->material->diffuse.b, 1.0f);
        // Corner positions (x mirrored): (0, 1, 2) and (0, 2, 3) of the square.
        const float xs[] = {0, -1, -1, 0, -1, 0};
        const float ys[] = {0, 0, 1, 0, 1, 1};
        const float us[] = {0, 1, 1, 0, 1, 0};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(meshes[0]->vertices[i].x, xs[i]) << face << i;
            EXPECT_EQ(meshes[0]->vertices[i].y, ys[i]) << face << i;
            EXPECT_EQ(meshes[0]->vertices[i].u, us[i]) << face << i;
        }
    }
}

TEST(MqoReader, OneFramePerMaterialInTheOrderMaterialsFirstOccur)
{
    Read r(std::string(kTwoMaterials) +
           squareObject("o", "3 V(0 1 2) M(1)\n3 V(0 2 3) M(0)\n3 V(1 2 3) M(1)\n3 V(0 1 3) M(5)\n", 4));
    const auto meshes = r.meshes();
    ASSERT_EQ(meshes.size(), 3u);
    EXPECT_FLOAT_EQ(meshes[0]->material->diffuse.b, 1.0f);  // "blue", faces 0 and 2 in file order
    ASSERT_EQ(meshes[0]->vertexCount, 6);
    EXPECT_EQ(meshes[0]->vertices[3].x, -1.0f);             // face 2 starts at vertex 1
    EXPECT_FLOAT_EQ(meshes[1]->material->diffuse.r, 0.8f);  // "red"
    EXPECT_FLOAT_EQ(meshes[2]->material->diffuse.g, 1.0f);  // white for the number 5
    for (const Frame* f : meshes)
        EXPECT_EQ(f->name, "o");
}

TEST(MqoReader, FaceMaterialWithoutNumberOrOutsideTheList)
{
    struct Case {
        std::string document;
        float diffuseR, diffuseB;
    };
    const Case cases[] = {
        {std::string(kTwoMaterials) + squareObject("o", "3 V(0 1 2)\n"), 0, 1},       // last material
        {squareObject("o", "3 V(0 1 2)\n"), 1, 1},                                    // default white
        {std::string(kTwoMaterials) + squareObject("o", "3 V(0 1 2) M(2)\n"), 1, 1},  // outside: white
        {std::string(kTwoMaterials) + squareObject("o", "3 V(0 1 2) M(-1)\n"), 1, 1},
    };
    for (const Case& c : cases) {
        Read r(c.document);
        ASSERT_EQ(r.meshes().size(), 1u);
        EXPECT_FLOAT_EQ(r.meshes()[0]->material->diffuse.r, c.diffuseR);
        EXPECT_FLOAT_EQ(r.meshes()[0]->material->diffuse.b, c.diffuseB);
        EXPECT_FLOAT_EQ(r.meshes()[0]->material->diffuse.a, 1.0f);
    }
}

TEST(MqoReader, DropsFacesWhoseCornersAreNotInTheVertexList)
{
    Read r(squareObject("o",
                        "3 V(0 1 2)\n"
                        "3 V(0 1 4)\n"  // vertex 4 does not exist
                        "3 V(0 -1 2)\n"
                        "4 V(0 1 2)\n"  // fewer numbers than corners
                        "3 V(0 1 x)\n"
                        "3 M(0)\n"  // no V( at all
                        "0 V()\n"
                        "2147483647 V(0 1 2)\n"
                        "3 V(1 2 3 0)\n"  // more numbers than corners: the first three
                        "2 V(0 1)\n",     // two corners: kept, but no triangle
                        10));
    EXPECT_EQ(r.counts.facesDropped, 7);
    EXPECT_EQ(r.triangles(), 2);
}

TEST(MqoReader, SmoothsWithinTheFacetAngle)
{
    // Two triangles share vertices 5 and 0; their normals are 30 degrees apart.
    const std::string vertices = "vertex 6 {\n1 0 0\n0 1 0\n0 -0.8660254 0.5\n9 9 9\n9 9 9\n0 0 0\n}\n";
    const std::string faces = "face 2 {\n3 V(5 0 1)\n3 V(5 2 0)\n}\n";
    struct Case {
        const char* facet;
        float angleBetweenCorners;  // degrees between the normals at vertex 5
    };
    const Case cases[] = {{"", 0.0f},
                          {"facet 20\n", 30.0f},
                          {"facet 30.5\n", 0.0f},
                          {"shading 1\n", 0.0f},
                          {"shading 0\nfacet 180\n", 30.0f}};  // flat: each corner its face's normal
    for (const Case& c : cases) {
        Read r("Object \"o\" {\n" + std::string(c.facet) + vertices + faces + "}\n");
        ASSERT_EQ(r.meshes().size(), 1u);
        const MeshVertex* v = r.meshes()[0]->vertices;
        const Vector3 a(v[0].nx, v[0].ny, v[0].nz);  // corner 0 of each triangle is vertex 5
        const Vector3 b(v[3].nx, v[3].ny, v[3].nz);
        EXPECT_NEAR(a.angleBetween(b) * 57.29578f, c.angleBetweenCorners, 0.01f) << c.facet;
        EXPECT_NEAR(a.dot(a), 1.0f, 1e-5f);
        // Vertex 1 belongs to the first triangle only: its own face normal (mirroring X turns
        // the face's +Z normal to -Z).
        const Vector3 own(v[2].nx, v[2].ny, v[2].nz);
        EXPECT_NEAR(own.z, -1.0f, 1e-6f);
    }
}

Vector3 positionOf(const MeshVertex& v)
{
    return {v.x, v.y, v.z};
}

Vector3 normalOf(const MeshVertex& v)
{
    return {v.nx, v.ny, v.nz};
}

// A triangle off every plane, mirrored on the given axes: the original and one copy for each
// combination of the axes, each a reflection of the original that faces outward (its winding
// gives the reflected normal) and is lit like it (corner normals reflected too).
TEST(MqoReader, MirrorCopiesTheFacesOnEveryCombinationOfItsAxes)
{
    const std::string triangle = "vertex 3 {\n1 2 3\n4 2 3\n1 5 4\n}\nface 1 {\n3 V(0 1 2)\n}\n";
    struct Case {
        const char* lines;
        int32_t triangles;
    };
    const Case counts[] = {
        {"mirror 1\n", 2},  // X when mirror_axis is absent
        {"mirror 1\nmirror_axis 4\n", 2},
        {"mirror 2\nmirror_axis 7\n", 8},
        {"mirror 0\nmirror_axis 3\n", 1},
        {"mirror_axis 3\n", 1},
        {"mirror 1\nmirror_axis 0\n", 1},
    };
    for (const Case& c : counts) {
        Read r("Object \"o\" {\n" + std::string(c.lines) + triangle + "}\n");
        EXPECT_EQ(r.triangles(), c.triangles) << c.lines;
    }

    Read r("Object \"o\" {\nmirror 1\nmirror_axis 3\n" + triangle + "}\n", Vector3(2.0f, 1.0f, 1.0f));
    ASSERT_EQ(r.meshes().size(), 1u);
    const Frame& mesh = *r.meshes()[0];
    ASSERT_EQ(mesh.vertexCount, 12);
    const MeshVertex* v = mesh.vertices;
    const Vector3 normal = positionOf(v[0]).triangleNormal(positionOf(v[1]), positionOf(v[2]));
    // Per copy (X, Y, then both), the sign of each axis.
    const Vector3 signs[] = {{-1, 1, 1}, {1, -1, 1}, {-1, -1, 1}};
    for (int copy = 0; copy < 3; ++copy) {
        const Vector3& s = signs[copy];
        const MeshVertex* t = v + 3 * (copy + 1);
        // Corner 0 leads; an odd number of reflections reverses the others.
        const int order[3] = {0, copy == 2 ? 1 : 2, copy == 2 ? 2 : 1};
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& original = v[order[k]];
            EXPECT_EQ(t[k].x, s.x * original.x) << copy << k;
            EXPECT_EQ(t[k].y, s.y * original.y) << copy << k;
            EXPECT_EQ(t[k].z, s.z * original.z) << copy << k;
            EXPECT_EQ(t[k].nx, s.x * original.nx) << copy << k;
            EXPECT_EQ(t[k].ny, s.y * original.ny) << copy << k;
        }
        const Vector3 facing = positionOf(t[0]).triangleNormal(positionOf(t[1]), positionOf(t[2]));
        EXPECT_GT(facing.dot(Vector3(s.x * normal.x, s.y * normal.y, s.z * normal.z)), 0.0f) << copy;
    }
    EXPECT_EQ(mesh.boundsMin.x, -8.0f);
    EXPECT_EQ(mesh.boundsMax.y, 5.0f);
    EXPECT_EQ(mesh.boundsMin.y, -5.0f);
}

// A triangle with two corners on the X plane (or within mirror_dis of it) whose copy leans 28
// degrees the other way: a connected mirror smooths those corners across the plane, so their
// normals lie in it; a separate one, or a corner off the plane, keeps the face normal.
TEST(MqoReader, ConnectedMirrorSmoothsAcrossItsPlane)
{
    struct Case {
        const char* lines;
        const char* x;  // of the two corners near the plane
        bool joined;
        float scale = 1.0f;
    };
    const Case cases[] = {
        {"mirror 2\n", "0", true},
        {"mirror 1\n", "0", false},
        {"mirror 2\n", "0.05", false},
        {"mirror 2\nmirror_dis 0.1\n", "0.05", true},
        {"mirror 2\nmirror_dis 0.1\nshading 0\n", "0.05", false},
        {"mirror 2\nmirror_dis 0.1\n", "0.12", false, 0.5f},  // mirror_dis is in the file's units
    };
    for (const Case& c : cases) {
        const std::string x = c.x;
        Read r("Object \"o\" {\n" + std::string(c.lines) + "vertex 3 {\n" + x + " 0 0\n" + x +
                   " 1 0\n2 0 0.5\n}\nface 1 {\n3 V(0 1 2)\n}\n}\n",
               Vector3(c.scale, c.scale, c.scale));
        ASSERT_EQ(r.meshes().size(), 1u) << c.lines;
        const MeshVertex* v = r.meshes()[0]->vertices;
        ASSERT_EQ(r.meshes()[0]->vertexCount, 6);
        for (int k = 0; k < 2; ++k) {
            const Vector3 n = normalOf(v[k]);
            EXPECT_NEAR(n.dot(n), 1.0f, 1e-5f);
            if (c.joined)
                EXPECT_NEAR(n.x, 0.0f, 1e-6f) << c.lines << c.x;
            else
                EXPECT_GT(std::fabs(n.x), 0.2f) << c.lines << c.x;
        }
        EXPECT_GT(std::fabs(v[2].nx), 0.2f) << "the corner off the plane keeps its face's normal";
    }
}

TEST(MqoReader, HiddenObjectsAreLeftOutButTheScenePartsStay)
{
    const std::string face = "3 V(0 1 2)\n";
    const std::string leftMask = "\x8D\xB6\x83\x7D\x83\x58\x83\x4E";
    auto hidden = [&](const std::string& name, const char* visible) {
        return "Object \"" + name + "\" {\n\tvisible " + visible + "\n" +
               squareObject(name, face).substr(name.size() + 12);
    };
    Read r(hidden("duplicate", "0") + hidden(kLensCp932, "0") + hidden(leftMask, "0") +
           hidden("shown", "15") + squareObject("plain", face));
    ASSERT_TRUE(r.ok);
    std::vector<std::string> names;
    for (const Frame* f : r.meshes())
        names.push_back(f->name);
    EXPECT_EQ(names, (std::vector<std::string>{kLensCp932, leftMask, "shown", "plain"}));
    EXPECT_EQ(r.counts.objects, 4);
    EXPECT_EQ(r.counts.objectsHidden, 1);
    Read onlyHidden(hidden("x", "0"));
    EXPECT_FALSE(onlyHidden.entry.root);
}

// Only an object's last face chunk makes its mesh, smoothed as if it were the only one.
TEST(MqoReader, LastFaceChunkOfAnObjectCounts)
{
    const std::string vertices = "vertex 6 {\n1 0 0\n0 1 0\n0 -0.8660254 0.5\n9 9 9\n9 9 9\n0 0 0\n}\n";
    const std::string faces = "face 2 {\n3 V(5 0 1)\n3 V(5 2 0)\n}\n";
    const std::string earlier = "face 2 {\n3 V(0 1 2)\n3 V(3 4 5)\n}\nface 1 {\n3 V(5 2 0)\n}\n";
    Read alone("Object \"o\" {\n" + vertices + faces + "}\n");
    Read repeated("Object \"o\" {\n" + vertices + earlier + faces + "}\n");
    ASSERT_EQ(alone.meshes().size(), 1u);
    ASSERT_EQ(repeated.meshes().size(), 1u);
    const Frame& a = *alone.meshes()[0];
    const Frame& b = *repeated.meshes()[0];
    ASSERT_EQ(a.vertexCount, 6);
    ASSERT_EQ(b.vertexCount, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(a.vertices[i].x, b.vertices[i].x) << i;
        EXPECT_EQ(a.vertices[i].nx, b.vertices[i].nx) << i;
        EXPECT_EQ(a.vertices[i].nz, b.vertices[i].nz) << i;
    }
}

// Every mesh frame of an object carries its name, so a name longer than the limit is cut, at a
// character boundary.
TEST(MqoReader, LongObjectNamesAreCut)
{
    const std::string longName = "a" + std::string(2000, '\x83');  // "a" and 1000 characters
    Read r(squareObject(longName, "3 V(0 1 2)\n"));
    ASSERT_EQ(r.meshes().size(), 1u);
    EXPECT_EQ(r.meshes()[0]->name, longName.substr(0, 1023));
}

TEST(MqoReader, ObjectEndsOnlyAtItsOwnClosingLine)
{
    // A "} " with a trailing space, and the sub-chunks' own braces, do not end the object.
    const std::string document =
        "Object \"o\" {\n"
        "\tvertex 4 {\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n\t}\n"
        "\tvertexattr {\n\t\tuid {\n\t\t\t1\n\t\t\t2\n\t\t}\n\t\tweit {\n\t\t}\n\t}\n"
        "\tUnknownBlock 3 {\n\t\tNested {\n\t\t}\n\t}\n"
        "} \n"
        "\tface 2 {\n\t\t3 V(0 1 2)\n\t\t3 V(0 2 3)\n\t}\n"
        "}\n"
        "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n";  // after the object: passed over
    Read r(document);
    EXPECT_EQ(r.counts.objects, 1);
    EXPECT_EQ(r.triangles(), 2);
}

TEST(MqoReader, BinaryVertexBlockGivesThePositions)
{
    // Three vertices whose bytes include a line feed, braces and "Object".
    std::string blob = floatBytes(1.0f) + floatBytes(2.0f) + floatBytes(3.0f);
    blob += "\n}\n{Object \"x\" {\n";  // 17 bytes of the second and third vertex...
    blob.resize(36, '\n');
    const std::string document = "Object \"o\" {\n\tBVertex 3 {\n\t\tVector 3 [36]\n" + blob +
                                 "\r\n\t}\n"
                                 "\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\n"
                                 // A bone object with a binary block is passed over whole.
                                 "Object \"bone:1\" {\n\tBVertex 1 {\n\t\tVector 1 [12]\n" +
                                 std::string("\nObject \"}\n") + "\n\t}\n}\n" +
                                 squareObject("after", "3 V(0 1 2)\n");
    Read r(document);
    ASSERT_TRUE(r.ok);
    const auto meshes = r.meshes();
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0]->name, "o");
    EXPECT_EQ(meshes[0]->vertices[0].x, -1.0f);
    EXPECT_EQ(meshes[0]->vertices[0].y, 2.0f);
    EXPECT_EQ(meshes[0]->vertices[0].z, 3.0f);
    EXPECT_EQ(meshes[1]->name, "after");
    EXPECT_EQ(r.counts.objects, 2);
}

TEST(MqoReader, BinaryBlockLongerThanTheFileOrCountIsCut)
{
    const std::string head = "Object \"o\" {\n\tBVertex 1000 {\n\t\tVector 1000 [2000000000]\n";
    Read cut(head + floatBytes(1) + floatBytes(2) + floatBytes(3) + "\n}\nface 1 {\n3 V(0 0 0)\n}\n}\n");
    EXPECT_TRUE(cut.ok);
    EXPECT_EQ(cut.triangles(), 0);  // the faces were inside the claimed bytes
    Read negative("Object \"o\" {\nBVertex 1 {\nVector -5 [-12]\n}\nface 1 {\n3 V(0 0 0)\n}\n}\n");
    EXPECT_EQ(negative.counts.facesDropped, 1);
}

TEST(MqoReader, Utf8CodePageNamesBecomeCodePage932)
{
    const std::string body = "Material 1 {\n\"" + kLensUtf8 + "\" col(1 1 1 1) dif(1) tex(\"" + kLensUtf8 +
                             ".bmp\")\n}\n" + squareObject(kLensUtf8, "3 V(0 1 2)\n");
    struct Case {
        const char* header;
        std::string name;
    };
    const Case cases[] = {
        {"CodePage utf8\n", kLensCp932},
        {"CodePage UTF-8\r\n", kLensCp932},
        {"CodePage 932\n", kLensUtf8},
        {"", kLensUtf8},
    };
    for (const Case& c : cases) {
        Read r(std::string("Metasequoia Document\nFormat Text Ver 1.1\n") + c.header + body);
        ASSERT_EQ(r.meshes().size(), 1u) << c.header;
        EXPECT_EQ(r.meshes()[0]->name, c.name) << c.header;
        ASSERT_EQ(r.textures.requests.size(), 1u);
        EXPECT_EQ(r.textures.requests[0].path, c.name + ".bmp");
    }
}

TEST(MqoReader, MissingClosingBracesEndListsAtTheNextPart)
{
    const std::string document =
        "Material 3 {\n\"a\" col(1 0 0 1) dif(1)\n"              // two materials short and unclosed
        "Object \"first\" {\nvertex 9 {\n0 0 0\n1 0 0\n1 1 0\n"  // 6 vertices short, unclosed
        "face 5 {\n3 V(0 1 2)\n"                                 // unclosed, object unclosed
        "Object \"second\" {\nvertex 3 {\n0 0 0\n1 0 0\n1 1 0\n}\nface 1 {\n3 V(0 1 2)\n}\n}\n"
        "Eof\n";
    Read r(document);
    const auto meshes = r.meshes();
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0]->name, "first");
    EXPECT_EQ(meshes[1]->name, "second");
    EXPECT_FLOAT_EQ(meshes[0]->material->diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(meshes[0]->material->diffuse.g, 0.0f);
}

TEST(MqoReader, HugeCountsReadOnlyWhatIsThere)
{
    const std::string document = "Material 2147483647 {\n\"a\" col(1 1 1 1) dif(1)\n}\n"
                                 "Object \"o\" {\nvertex 2147483647 {\n0 0 0\n1 0 0\n1 1 0\n}\n"
                                 "face 2147483647 {\n3 V(0 1 2)\n}\n}\n"
                                 "Object \"p\" {\nvertex -4 {\n}\nface -1 {\n}\n}\n";
    Read r(document);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.triangles(), 1);
    EXPECT_EQ(r.counts.objects, 2);
}

TEST(MqoReader, MeshFramesStopAtTheLimit)
{
    // One object whose faces use more materials than frames may be made.
    const int32_t materials = kMaxMeshFrames + 3;
    std::string document = "Material " + std::to_string(materials) + " {\n";
    for (int32_t m = 0; m < materials; ++m)
        document += "\"m\" col(1 1 1 1) dif(1)\n";
    document +=
        "}\nObject \"o\" {\nvertex 3 {\n0 0 0\n1 0 0\n0 1 0\n}\nface " + std::to_string(materials) + " {\n";
    for (int32_t m = 0; m < materials; ++m)
        document += "3 V(0 1 2) M(" + std::to_string(m) + ")\n";
    document += "}\n}\n" + squareObject("next", "3 V(0 1 2)\n");
    Read r(document);
    EXPECT_EQ(r.counts.meshFrames, kMaxMeshFrames);
    EXPECT_EQ(r.counts.facesDropped, 4);
    EXPECT_EQ(r.triangles(), kMaxMeshFrames);
}

TEST(MqoReader, DocumentsWithoutObjectsGiveNoRoot)
{
    for (const char* text :
         {"", "Metasequoia Document\n", "\n\n\r\n", "}\n}\n{", "Material 1 {\n\"a\"\n}\n"}) {
        Read r(text);
        EXPECT_TRUE(r.ok);
        EXPECT_FALSE(r.entry.root) << text;
    }
    Read onlyBones(squareObject("bone", "3 V(0 1 2)\n"));
    EXPECT_FALSE(onlyBones.entry.root);
}

TEST(MqoReader, MissingFileFails)
{
    ModelEntry entry;
    EXPECT_FALSE(readMetasequoia(entry, "no such directory\\no such model.mqo", kUnit));
    EXPECT_FALSE(entry.root);
}

// A document with every kind of chunk, cut at every byte and mutated at random: the reader must
// neither crash nor read out of bounds (the sanitizer build checks), and always return true.
std::string richDocument()
{
    std::string blob = floatBytes(0) + floatBytes(0) + floatBytes(0) + floatBytes(1) + floatBytes(0) +
                       floatBytes(0) + floatBytes(1) + floatBytes(1) + floatBytes(0);
    return std::string(
               "Metasequoia Document\r\nFormat Text Ver 1.1\r\nCodePage utf8\r\n"
               "Thumbnail 2 2 24 rgb raw {\r\n\t00FF00\r\n}\r\n"
               "Scene {\r\n\tpos 0 0 1500\r\n\tdirlights 1 {\r\n\t\tlight {\r\n\t\t}\r\n\t}\r\n}\r\n") +
           kTwoMaterials +
           "Object \"o\" {\r\n\tfacet 59.5\r\n\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t1 1 0\r\n"
           "\t\t0 1 0\r\n\t}\r\n\tvertexattr {\r\n\t\tuid {\r\n\t\t\t1\r\n\t\t}\r\n\t}\r\n"
           "\tface 2 {\r\n\t\t3 V(0 1 2) M(0) UV(0 0 1 0 1 1)\r\n\t\t4 V(0 1 2 3) M(1) COL(1 2 3 4)\r\n"
           "\t}\r\n}\r\nObject \"b\" {\r\n\tBVertex 3 {\r\n\t\tVector 3 [36]\r\n" +
           blob + "\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2)\r\n\t}\r\n}\r\nEof\r\n";
}

TEST(MqoReader, SurvivesTruncationAtEveryByte)
{
    const std::string full = richDocument();
    Read whole(full);
    EXPECT_EQ(whole.triangles(), 4);
    for (std::size_t n = 0; n < full.size(); ++n) {
        Read r(full.substr(0, n));
        EXPECT_TRUE(r.ok);
        EXPECT_LE(r.triangles(), 4);
    }
}

// What a read gave, for comparing two reads: per mesh frame its name, vertex positions and
// material colour.
std::vector<std::string> geometryOf(const Read& r)
{
    std::vector<std::string> out;
    for (const Frame* f : r.meshes()) {
        std::string line = f->name;
        for (int32_t v = 0; v < f->vertexCount; ++v)
            line += " " + std::to_string(f->vertices[v].x) + "," + std::to_string(f->vertices[v].y) + "," +
                    std::to_string(f->vertices[v].z);
        if (f->material)
            line += " col " + std::to_string(f->material->diffuse.r) + "," +
                    std::to_string(f->material->diffuse.a);
        out.push_back(line);
    }
    return out;
}

TEST(MqoReader, WhateverTheSkippedChunksHoldTheModelIsTheSame)
{
    // The lines of the thumbnail and scene chunks are passed over whatever bytes they hold: no
    // edit there that keeps the line breaks may change the model.
    const std::string full = richDocument();
    const std::vector<std::string> want = geometryOf(Read(full));
    ASSERT_EQ(want.size(), 3u);
    const std::size_t from = full.find("Thumbnail");
    const std::size_t to = full.find("Material");
    std::mt19937 rng(7);
    const char interesting[] = {'{', '}', ' ', '\t', '"', '(', ')', '-', '9', '\0', '\x1A', '\xFF', '\x81'};
    auto lineBreak = [](char c) { return c == '\r' || c == '\n'; };
    for (int round = 0; round < 2000; ++round) {
        std::string text = full;
        std::size_t end = to;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = from + rng() % (end - from);
            if (lineBreak(text[at]))
                continue;
            char c = rng() % 2 ? interesting[rng() % sizeof interesting] : static_cast<char>(rng());
            if (lineBreak(c))
                c = 'x';
            switch (rng() % 3) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(at, 1, c);
                ++end;
                break;
            default:
                text.erase(at, 1);
                --end;
                break;
            }
        }
        ASSERT_EQ(geometryOf(Read(text)), want) << text.substr(from, end - from);
    }
}

}  // namespace
