// The .rok reader: lines, corner order, keys and groups, palettes (also the corpus fragment),
// scale, smoothing (also against the plain per-corner rule on random batches), and damaged or
// hostile text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "model/build_meshes.h"
#include "model/rok_limits.h"
#include "model/rok_reader.h"
#include "model/rok_smoothing.h"

namespace {

struct Point {
    float x, y, z;
};
struct Edge {
    int first, second, group;  // point numbers from 1, as in the file
};
struct FaceRecord {
    int colour;
    std::vector<int> edges;  // edge numbers from 1
};

// .rok text, each line ended by a carriage return.
struct RokText {
    std::string text;

    RokText& line(const std::string& s)
    {
        text += s;
        text += '\r';
        return *this;
    }
    RokText& value(double v)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, " %.9g", v);
        return line(buffer);
    }
    RokText& header()
    {
        line("ROKU4");
        for (int i = 0; i < 14; ++i)
            line(" 0");
        return *this;
    }
    RokText& points(const std::vector<Point>& list)
    {
        line("POINT");
        for (const Point& p : list)
            line(" 1").line(" 0").line(" 0").line(" 0").line(" 0").value(p.x).value(p.y).value(p.z);
        return *this;
    }
    RokText& edges(const std::vector<Edge>& list)
    {
        line("LINE0");
        for (const Edge& e : list)
            value(e.first).value(e.second).value(e.group).line(" 0");
        return *this;
    }
    RokText& faces(const std::vector<FaceRecord>& list)
    {
        line("FACE0");
        for (const FaceRecord& f : list) {
            value(static_cast<double>(f.edges.size())).value(f.colour).line(" 0");
            for (int e : f.edges)
                value(e);
        }
        return line("END00");
    }
};

// A unit square: triangle 1-2-3 is faces' edges {1, 2, 3}; edges 4 and 5 close 3-4-1.
const std::vector<Point> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<Edge> kSquareEdges = {{1, 2, 0}, {2, 3, 0}, {3, 1, 0}, {3, 4, 0}, {4, 1, 0}};

std::string squareModel(const std::vector<FaceRecord>& faces)
{
    return RokText().header().points(kSquare).edges(kSquareEdges).faces(faces).text;
}

bool readText(ModelEntry& entry, const std::string& text, const Vector3& scale = Vector3(1, 1, 1))
{
    entry.text = text;
    return readRokText(entry, scale);
}

void collectMeshes(const Frame& frame, std::vector<const Frame*>& out)
{
    for (const Frame* c = frame.firstChild; c != nullptr; c = c->next) {
        if (c->vertexCount > 0)
            out.push_back(c);
        collectMeshes(*c, out);
    }
}

std::vector<const Frame*> meshesOf(const ModelEntry& entry)
{
    std::vector<const Frame*> out;
    if (entry.root)
        collectMeshes(*entry.root, out);
    return out;
}

int triangles(const ModelEntry& entry)
{
    int n = 0;
    for (const Frame* m : meshesOf(entry))
        n += m->vertexCount / 3;
    return n;
}

bool allFinite(const ModelEntry& entry)
{
    for (const Frame* m : meshesOf(entry))
        for (int32_t i = 0; i < m->vertexCount; ++i)
            for (float f : {m->vertices[i].x, m->vertices[i].y, m->vertices[i].z, m->vertices[i].nx,
                            m->vertices[i].ny, m->vertices[i].nz})
                if (!std::isfinite(f))
                    return false;
    return true;
}

Vector3 positionAt(const Frame& mesh, int i)
{
    return Vector3(mesh.vertices[i].x, mesh.vertices[i].y, mesh.vertices[i].z);
}

Vector3 normalAt(const Frame& mesh, int i)
{
    return Vector3(mesh.vertices[i].nx, mesh.vertices[i].ny, mesh.vertices[i].nz);
}

bool near(const Vector3& a, const Vector3& b)
{
    return a.minus(b).dot(a.minus(b)) < 1e-12f;
}

}  // namespace

TEST(RokReader, LinesEndAtCarriageReturnsLineFeedsOrThePairOfThem)
{
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},           {"a", {"a"}},           {"a\r", {"a"}},    {"a\rb\r\nc\nd", {"a", "b", "c", "d"}},
        {"\r\r", {"", ""}}, {"\r\n\r\n", {"", ""}}, {"\n\r", {"", ""}}};
    for (const auto& c : cases) {
        ModelEntry entry;
        entry.text = c.text;
        std::vector<std::string> got;
        std::string_view line;
        while (readRokLine(entry, line))
            got.emplace_back(line);
        EXPECT_EQ(got, c.lines) << c.text;
        EXPECT_FALSE(readRokLine(entry, line));
    }
}

TEST(RokReader, CornersFollowTheEdgeChainEitherWayAndTakeTheNegatedScale)
{
    // Triangle A, B, C written as (A, B), (B, C), (C, A) and as (B, A), (C, B), (A, C).
    const std::vector<Point> abc = {{1, 2, 3}, {0, 2, 0}, {0, 0, 3}};
    for (const auto& edges : {std::vector<Edge>{{1, 2, 0}, {2, 3, 0}, {3, 1, 0}},
                              std::vector<Edge>{{2, 1, 0}, {3, 2, 0}, {1, 3, 0}}}) {
        ModelEntry entry;
        const std::string text = RokText().points(abc).edges(edges).faces({{0, {1, 2, 3}}}).text;
        ASSERT_TRUE(readText(entry, text, Vector3(0.7f, 0.7f, 0.7f)));
        const auto meshes = meshesOf(entry);
        ASSERT_EQ(meshes.size(), 1u);
        ASSERT_EQ(meshes[0]->vertexCount, 6);  // the face, then its reversed copy C, B, A
        const int expected[] = {0, 1, 2, 2, 1, 0};
        for (int i = 0; i < 6; ++i) {
            const Point& p = abc[static_cast<size_t>(expected[i])];
            EXPECT_TRUE(positionAt(*meshes[0], i).equals(Vector3(p.x * -0.7f, p.y * -0.7f, p.z * -0.7f)));
        }
    }
    ModelEntry quad;
    const std::vector<Edge> ring = {{1, 2, 0}, {2, 3, 0}, {3, 4, 0}, {4, 1, 0}};
    ASSERT_TRUE(readText(quad, RokText().points(kSquare).edges(ring).faces({{0, {1, 2, 3, 4}}}).text));
    EXPECT_EQ(triangles(quad), 4);
}

TEST(RokReader, KeysSortFacesIntoGroupFrames)
{
    // Colour 3 in group 2 (key 35), colours 4 and 0 in group 0, colours 2 and 1 in group 5.
    const std::vector<Edge> edges = {{1, 2, 2}, {2, 3, 0}, {3, 1, 0}, {1, 2, 0}, {1, 2, 5}};
    const std::vector<FaceRecord> faces = {
        {3, {1, 2, 3}}, {4, {4, 2, 3}}, {2, {5, 2, 3}}, {0, {4, 2, 3}}, {1, {5, 2, 3}}};
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, RokText().header().points(kSquare).edges(edges).faces(faces).text));
    ASSERT_NE(entry.root, nullptr);
    EXPECT_EQ(entry.root->lighting, 1);
    std::vector<const Frame*> children;
    for (const Frame* c = entry.root->firstChild; c != nullptr; c = c->next)
        children.push_back(c);
    ASSERT_EQ(children.size(), 4u);  // meshes of colours 0 and 4, then the frames of groups 2 and 5
    EXPECT_EQ(children[0]->material->diffuse.r, 0xE9 / 255.0f);
    EXPECT_EQ(children[1]->material->diffuse.g, 1.0f);
    EXPECT_EQ(children[2]->groupId, 2);
    ASSERT_NE(children[2]->firstChild, nullptr);
    EXPECT_EQ(children[2]->firstChild->material->diffuse.g, 0xAE / 255.0f);  // colour 3
    EXPECT_EQ(children[3]->groupId, 5);
    const Frame* g5 = children[3]->firstChild;
    ASSERT_TRUE(g5 != nullptr && g5->next != nullptr && g5->next->next == nullptr);
    EXPECT_EQ(g5->material->diffuse.g, 1.0f);                 // colour 1: 0x90FFFF
    EXPECT_EQ(g5->next->material->diffuse.g, 0x90 / 255.0f);  // colour 2: 0x9090FF
    EXPECT_TRUE(entry.text.empty());
    EXPECT_EQ(entry.materials.count(), 0);
}

// Group frames and mesh frames together stop at the model's frame limit: one triangle in each
// of many groups makes two frames per group, and the groups past the limit are left out.
TEST(RokReader, FramesStopAtTheLimit)
{
    const int groups = kMaxMeshFrames / 2 + 10;
    std::vector<Edge> edges;
    std::vector<FaceRecord> faces;
    for (int g = 1; g <= groups; ++g) {
        edges.push_back({1, 2, g});
        faces.push_back({0, {static_cast<int>(edges.size()), 2, 3}});
    }
    std::vector<Edge> all = kSquareEdges;
    for (FaceRecord& face : faces)
        face.edges[0] += static_cast<int>(all.size());
    all.insert(all.end(), edges.begin(), edges.end());
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, RokText().header().points(kSquare).edges(all).faces(faces).text));
    int frames = 0;
    for (const Frame* g = entry.root->firstChild; g != nullptr; g = g->next)
        frames += 1 + (g->firstChild != nullptr ? 1 : 0);
    EXPECT_EQ(frames, kMaxMeshFrames);
    EXPECT_EQ(triangles(entry), kMaxMeshFrames);  // each face and its reversed copy
}

TEST(RokReader, BuiltinPaletteHasThirteenColours)
{
    std::vector<FaceRecord> faces;
    for (int colour = 0; colour < 14; ++colour)
        faces.push_back({colour, {1, 2, 3}});
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, squareModel(faces)));
    const auto meshes = meshesOf(entry);
    ASSERT_EQ(meshes.size(), 13u);  // colour 13 has no entry
    const D3DMaterial7Data& black = *meshes[9]->material;
    EXPECT_EQ(black.diffuse.r + black.diffuse.g + black.diffuse.b, 0.0f);
    EXPECT_EQ(black.emissive.r + black.emissive.g + black.emissive.b, 0.0f);
    const D3DMaterial7Data& m = *meshes[6]->material;  // 0xFFFFE8D9, 0x00C06030
    EXPECT_EQ(m.diffuse.r, 1.0f);
    EXPECT_EQ(m.diffuse.g, 0xE8 / 255.0f);
    EXPECT_EQ(m.diffuse.b, 0xD9 / 255.0f);
    EXPECT_EQ(m.diffuse.a, 1.0f);
    EXPECT_EQ(std::memcmp(&m.ambient, &m.diffuse, sizeof(ColourValue)), 0);
    EXPECT_EQ(m.emissive.r, 0xC0 / 255.0f);
    EXPECT_EQ(m.emissive.b, 0x30 / 255.0f);
    EXPECT_EQ(m.emissive.a, 0.0f);
    EXPECT_EQ(m.specular.r + m.specular.g + m.specular.b + m.specular.a + m.power, 0.0f);
    EXPECT_EQ(meshes[6]->alphaBlend, 0);
}

TEST(RokReader, CorpusPaletteFragmentEqualsTheBuiltinPalette)
{
    const std::string path = VELLARN_SOURCE_DIR "/../shared/corpus/rok/rdb2_defpallet.rok";
    std::ifstream in(path, std::ios::binary);
    const std::string fragment((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (fragment.empty())
        GTEST_SKIP() << "corpus not found: " << path;

    ModelEntry alone;  // on its own: read, a root frame, nothing to draw
    ASSERT_TRUE(readRok(alone, path, Vector3(1, 1, 1)));
    ASSERT_NE(alone.root, nullptr);
    EXPECT_EQ(alone.root->firstChild, nullptr);

    std::vector<FaceRecord> faces;
    for (int colour = 0; colour < 13; ++colour)
        faces.push_back({colour, {1, 2, 3}});
    ModelEntry withPalette, builtin;
    ASSERT_TRUE(readText(withPalette, squareModel(faces) + fragment));
    ASSERT_TRUE(readText(builtin, squareModel(faces)));
    const auto read = meshesOf(withPalette), expected = meshesOf(builtin);
    ASSERT_EQ(read.size(), 13u);
    ASSERT_EQ(expected.size(), 13u);
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(std::memcmp(read[i]->material.get(), expected[i]->material.get(), 68), 0) << i;
}

TEST(RokReader, ReadPaletteClampsChannels)
{
    RokText text{squareModel({{1, {1, 2, 3}}, {2, {1, 2, 3}}})};  // colour 2 has no entry
    text.line("PALC0").line(" 2").line(" 0");
    text.line(" 10").line(" 20").line(" 30").line(" 40").line(" 50").line(" 60").line(" 0");
    text.line(" 300").line(" -5").line(" 51").line(" 0").line(" 0").line(" 255").line(" 0").line("ENDP0");
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, text.text));
    const auto meshes = meshesOf(entry);
    ASSERT_EQ(meshes.size(), 1u);
    const D3DMaterial7Data& m = *meshes[0]->material;
    EXPECT_EQ(m.diffuse.r, 1.0f);
    EXPECT_EQ(m.diffuse.g, 0.0f);
    EXPECT_EQ(m.diffuse.b, 0.2f);
    EXPECT_EQ(m.emissive.b, 1.0f);
}

// With more than 16 palette colours, colour 17 of group 0 has the key of colour 1 of group 1:
// one batch, under group 1's frame, smoothed together, with one mesh per colour.
TEST(RokReader, ColoursPastSixteenShareTheirKeyWithTheNextGroup)
{
    const std::vector<Edge> edges = {{1, 2, 0}, {2, 3, 0}, {3, 1, 0}, {1, 2, 1}};
    RokText text{RokText().points(kSquare).edges(edges).faces({{17, {1, 2, 3}}, {1, {4, 2, 3}}}).text};
    text.line("PALC0").line(" 0").line(" 0");
    for (int colour = 0; colour < 18; ++colour)
        text.value(colour).line(" 0").line(" 0").line(" 0").line(" 0").line(" 0").line(" 0");
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, text.line("ENDP0").text));
    const Frame* group = entry.root->firstChild;
    ASSERT_TRUE(group != nullptr && group->next == nullptr);
    EXPECT_EQ(group->groupId, 1);
    const Frame* first = group->firstChild;
    ASSERT_TRUE(first != nullptr && first->next != nullptr && first->next->next == nullptr);
    EXPECT_EQ(first->material->diffuse.r, 17 / 255.0f);
    EXPECT_EQ(first->next->material->diffuse.r, 1 / 255.0f);
    EXPECT_EQ(first->vertexCount + first->next->vertexCount, 12);
    EXPECT_TRUE(normalAt(*first, 1).equals(normalAt(*first->next, 1)));  // the shared corner B
}

TEST(RokReader, SmoothingSharesNormalsBelowTheThreshold)
{
    // Triangles A, B, C and B, D, C folded along B-C by the height of D.
    const std::pair<float, bool> cases[] = {{0.3f, true}, {0.0f, true}, {5.0f, false}};
    for (const auto& [height, shared] : cases) {
        const std::vector<Point> pts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, height}};
        const std::vector<Edge> edges = {{1, 2, 0}, {2, 3, 0}, {3, 1, 0}, {2, 4, 0}, {4, 3, 0}};
        ModelEntry entry;
        const std::string text =
            RokText().points(pts).edges(edges).faces({{0, {1, 2, 3}}, {0, {4, 5, 2}}}).text;
        ASSERT_TRUE(readText(entry, text));
        const auto meshes = meshesOf(entry);
        ASSERT_EQ(meshes.size(), 1u);
        const Frame& m = *meshes[0];
        ASSERT_EQ(m.vertexCount, 12);  // ABC, CBA, BDC, CDB
        const Vector3 n1 = positionAt(m, 0).triangleNormal(positionAt(m, 1), positionAt(m, 2)).normalize();
        const Vector3 n2 = positionAt(m, 6).triangleNormal(positionAt(m, 7), positionAt(m, 8)).normalize();
        EXPECT_TRUE(near(normalAt(m, 0), n1)) << height;  // A and D belong to one face each
        EXPECT_TRUE(near(normalAt(m, 7), n2)) << height;
        const Vector3 atB1 = normalAt(m, 1), atB2 = normalAt(m, 6);
        EXPECT_EQ(shared, atB1.equals(n1.plus(n2).normalize())) << height;
        EXPECT_EQ(shared, atB2.equals(atB1)) << height;
        EXPECT_TRUE(normalAt(m, 4).equals(atB1.negated())) << height;  // the back side at B
    }
}

TEST(RokReader, DegenerateAndExtremeFacesGetUsableNormals)
{
    // A face over three points on a line shares points 1 and 2 with a real face: it keeps a
    // zero normal and leaves the real face's normals alone.
    const std::vector<Point> pts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}};
    const std::vector<Edge> edges = {{1, 2, 0}, {2, 3, 0}, {3, 1, 0}, {2, 4, 0}, {4, 1, 0}};
    ModelEntry entry;
    const std::string text = RokText().points(pts).edges(edges).faces({{0, {4, 5, 1}}, {0, {1, 2, 3}}}).text;
    ASSERT_TRUE(readText(entry, text));
    const Frame& m = *meshesOf(entry).at(0);
    ASSERT_EQ(m.vertexCount, 12);
    EXPECT_TRUE(normalAt(m, 0).equals(Vector3()));
    for (int i = 6; i < 9; ++i)
        EXPECT_TRUE(near(normalAt(m, i), Vector3(0, 0, 1))) << i;

    for (const float size : {1e-20f, 1e18f}) {  // squared normal lengths leave the float range
        const std::vector<Point> tiny = {{0, 0, 0}, {size, 0, 0}, {0, size, 0}};
        ModelEntry far;
        ASSERT_TRUE(readText(far, RokText().points(tiny).edges(edges).faces({{0, {1, 2, 3}}}).text));
        EXPECT_TRUE(near(normalAt(*meshesOf(far).at(0), 0), Vector3(0, 0, 1))) << size;
    }
}

TEST(RokReader, DamagedAndHostileTextLosesOnlyTheDamagedParts)
{
    const std::string good = " 3\r 0\r 0\r 1\r 2\r 3\r";  // triangle 1-2-3, colour 0
    const std::string start =
        RokText().header().points(kSquare).edges(kSquareEdges).line("FACE0").text + good;
    const std::string intact = start + "END00\r";
    // Point 4 carries the coordinate; only the face 1-3-4 uses it.
    const auto withPoint4 = [&](const std::string& z) {
        RokText t;
        t.points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}).line(" 1").line(" 0").line(" 0").line(" 0").line(" 0");
        t.line(" 0").line(" 1").line(z).edges(kSquareEdges);
        return t.faces({{0, {1, 2, 3}}, {0, {3, 4, 5}}}).text;
    };
    const std::string missingPoint = RokText()
                                         .points(kSquare)
                                         .edges({{1, 2, 0}, {2, 3, 0}, {3, 1, 0}, {3, 9, 0}, {9, 1, 0}})
                                         .faces({{0, {1, 2, 3}}, {0, {3, 4, 5}}})
                                         .text;
    std::string crlf, lineFeeds, highBytes = intact;
    std::string overLimit = start + RokText().value(kRokMaxFaceCorners + 1).text + " 0\r 0\r";
    for (char c : intact) {
        crlf += c == '\r' ? std::string("\r\n") : std::string(1, c);
        lineFeeds += c == '\r' ? '\n' : c;
    }
    // Point records whose first line starts with a double-byte character.
    const std::string pointStart = "\r 1\r 0\r";
    const size_t edgesAt = highBytes.find("LINE0");
    for (size_t at = highBytes.find(pointStart); at < edgesAt; at = highBytes.find(pointStart, at + 1))
        highBytes.replace(at + 1, 2, "\x82\xa0");
    for (int i = 0; i <= kRokMaxFaceCorners; ++i)
        overLimit += " 1\r";
    overLimit += good + "END00\r";

    const struct {
        const char* name;
        std::string text;
        int triangles;
    } cases[] = {
        {"intact", intact, 2},
        {"edge number past the list", start + " 3\r 0\r 0\r 1\r 2\r 99\rEND00\r", 2},
        {"edge number 0", start + " 3\r 0\r 0\r 0\r 2\r 3\rEND00\r", 2},
        {"edge number beyond int32", start + " 3\r 0\r 0\r 99999999999999\r 2\r 3\rEND00\r", 2},
        {"point number past the list", missingPoint, 2},
        {"negative colour", start + " 3\r -16\r 0\r 1\r 2\r 3\rEND00\r", 2},
        {"two corners, then a face", start + " 2\r 0\r 0\r 1\r 2\r" + good + "END00\r", 4},
        {"one corner, then a face", start + " 1\r 0\r 0\r 1\r" + good + "END00\r", 4},
        {"negative corner count, then a face", start + " -7\r 0\r 0\r" + good + "END00\r", 4},
        {"corners past the limit, then a face", overLimit, 4},
        {"corner count past the text", start + " 2147483647\r 0\r 0\r 1\r 2\r", 2},
        {"corner count beyond int32", start + " 99999999999\r 0\r 0\r 1\r", 2},
        {"text ends inside a face", start + " 3\r 0\r 0\r 1\r 2", 2},
        {"text ends inside the header", "ROKU4\r 0\r 0", 0},
        {"text ends inside a point", "POINT\r 1\r 0\r 0\r 0\r 0\r 1.0\r 2.0", 0},
        {"text ends inside an edge", RokText().points(kSquare).line("LINE0").line(" 1").text, 0},
        {"text ends inside the palette", intact + "PALC0\r 1\r 0\r 1\r 2", 0},
        {"empty palette", intact + "PALC0\r 1\r 0\rENDP0\r", 0},
        {"carriage return and line feed", crlf, 2},
        {"line feeds", lineFeeds, 2},
        {"point records starting with a high byte", highBytes, 2},
        {"coordinate 1e999", withPoint4(" 1e999"), 2},
        {"coordinate -1e39", withPoint4(" -1e39"), 2},
        {"coordinate nan", withPoint4(" nan"), 2},
        {"coordinate 1e-50", withPoint4(" 1e-50"), 4},
        {"coordinate +2.5E+1", withPoint4(" +2.5E+1"), 4},
        {"coordinate junk", withPoint4(" junk"), 4},
        {"empty text", "", 0},
        {"keywords only", "ROKU4\rPOINT\rLINE0\rFACE0\rEND00\rPALC0\rENDP0\r", 0},
        {"binary junk", std::string("\x01\xff\x80\0\0\r\r\xfe", 8), 0},
    };
    for (const auto& c : cases) {
        ModelEntry entry;
        EXPECT_TRUE(readText(entry, c.text)) << c.name;
        ASSERT_NE(entry.root, nullptr) << c.name;
        EXPECT_EQ(triangles(entry), c.triangles) << c.name;
        EXPECT_TRUE(allFinite(entry)) << c.name;
    }
}

TEST(RokReader, PointNumbersAbove65535)
{
    std::vector<Point> pts(70000, Point{0, 0, 0});
    pts[65536] = {1, 0, 0};
    pts[69999] = {0, 1, 0};
    const std::vector<Edge> edges = {{1, 65537, 0}, {65537, 70000, 0}, {70000, 1, 0}};
    ModelEntry entry;
    ASSERT_TRUE(readText(entry, RokText().points(pts).edges(edges).faces({{0, {1, 2, 3}}}).text));
    const Frame& m = *meshesOf(entry).at(0);
    EXPECT_TRUE(positionAt(m, 1).equals(Vector3(-1, 0, 0)));
    EXPECT_TRUE(positionAt(m, 2).equals(Vector3(0, -1, 0)));
}

TEST(RokReader, TruncatedAndMutatedTextNeverBreaksTheReader)
{
    const std::vector<Edge> ring = {{1, 2, 1}, {2, 3, 1}, {3, 4, 0}, {4, 1, 0}, {3, 1, 3}};
    const std::vector<FaceRecord> faces = {{0, {1, 2, 3, 4}}, {5, {5, 3, 4}}, {2, {1, 2, 5}}};
    const std::string model = RokText().header().points(kSquare).edges(ring).faces(faces).text +
                              "PALC0\r 1\r 0\r 1\r 2\r 3\r 4\r 5\r 6\r 0\rENDP0\r";
    for (size_t cut = 0; cut <= model.size(); ++cut) {
        ModelEntry entry;
        EXPECT_TRUE(readText(entry, model.substr(0, cut))) << cut;
        EXPECT_TRUE(allFinite(entry)) << cut;
    }
    std::mt19937 random(20240611);
    const char bytes[] = {'\r', '\n', ' ', '0', '9', '-', 'e', 'P', '\0', '\x80', '\xff'};
    for (int round = 0; round < 3000; ++round) {
        std::string text = model;
        for (unsigned k = 0, changes = 1 + random() % 4; k < changes; ++k)
            text[random() % text.size()] = bytes[random() % sizeof(bytes)];
        ModelEntry entry;
        EXPECT_TRUE(readText(entry, text)) << round;
        EXPECT_TRUE(allFinite(entry)) << round;
    }
}

TEST(RokReader, FilesOpenUnderTheirNameOrInTheModelDirectory)
{
    namespace fs = std::filesystem;
    const std::string unique = "vellarn_rok_" + std::to_string(std::random_device()());
    const fs::path dir = fs::temp_directory_path() / unique;
    fs::create_directories(dir / "data" / "model");
    const std::string model = squareModel({{0, {1, 2, 3}}});
    std::ofstream(dir / "direct.rok", std::ios::binary) << model;
    std::ofstream(dir / "data" / "model" / "fallback.rok", std::ios::binary) << model;
    std::ofstream(dir / "big.rok", std::ios::binary) << model;
    // Sparse; where the file system will not grow it that far (emulated 32-bit Wine, now and
    // then), only the size cap goes untested.
    std::error_code grown;
    fs::resize_file(dir / "big.rok", kRokMaxFileBytes + 1, grown);

    ModelEntry direct, fallback, missing, big;
    EXPECT_TRUE(readRok(direct, (dir / "direct.rok").string(), Vector3(1, 1, 1)));
    EXPECT_EQ(triangles(direct), 2);
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    EXPECT_TRUE(readRok(fallback, "c:\\elsewhere\\fallback.rok", Vector3(1, 1, 1)));
    EXPECT_EQ(triangles(fallback), 2);
    EXPECT_FALSE(readRok(missing, "nowhere.rok", Vector3(1, 1, 1)));
    EXPECT_TRUE(grown || !readRok(big, "big.rok", Vector3(1, 1, 1)));
    EXPECT_TRUE(missing.root == nullptr && big.root == nullptr);
    fs::current_path(before);
    fs::remove_all(dir);
}

namespace {

// A batch of faces with random normals (some zero or NaN) over a few points, some faces
// followed by their reversed copies, some passing through one point at or past the limit.
struct Batch {
    std::vector<std::vector<MeshVertex>> vertices;
    std::vector<std::vector<int32_t>> indices;
    std::vector<Face> faces;

    void add(const Vector3& normal, const std::vector<int32_t>& corners)
    {
        vertices.emplace_back(corners.size());
        indices.push_back(corners);
        faces.emplace_back().normal = normal;
    }
    void link()
    {
        for (size_t i = 0; i < faces.size(); ++i) {
            faces[i].vertexCount = static_cast<int32_t>(indices[i].size());
            faces[i].vertices = vertices[i].data();
            faces[i].indices = indices[i].data();
        }
    }
};

Batch randomBatch(std::mt19937& random)
{
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const auto randomVector = [&] { return Vector3(unit(random), unit(random), unit(random)); };
    const Vector3 directions[] = {randomVector().normalize(), randomVector().normalize(),
                                  randomVector().normalize(), randomVector().normalize()};
    const unsigned pointCount = 3 + random() % 8;
    Batch batch;
    for (unsigned f = 0, faceCount = 1 + random() % 40; f < faceCount; ++f) {
        Vector3 normal = directions[random() % 4];
        const unsigned kind = random() % 20;
        if (kind == 0)
            normal = Vector3();
        else if (kind == 1)
            normal = Vector3(NAN, 0, 0);
        else if (kind < 8)
            normal = normal.plus(randomVector().scale(0.6f)).normalize();
        std::vector<int32_t> corners(3 + random() % 5);
        for (int32_t& c : corners)
            c = static_cast<int32_t>(random() % pointCount);
        if (random() % 15 == 0) {
            // A point at the most corners a face may pass through, or one more, among others.
            const int32_t repeated = corners[0];
            corners.assign(kRokMaxPointVisits + random() % 2, repeated);
            for (unsigned others = random() % 3; others > 0; --others)
                corners.insert(corners.begin() + random() % corners.size(),
                               static_cast<int32_t>(random() % pointCount));
        }
        batch.add(normal, corners);
        if (random() % 2 == 0)
            batch.add(normal.negated(), std::vector<int32_t>(corners.rbegin(), corners.rend()));
    }
    batch.link();
    return batch;
}

bool takesPart(const Face& f, float threshold)
{
    const Vector3& n = f.normal;
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z) || n.dot(n) < kEpsilon ||
        !(n.angleBetween(n) < threshold))
        return false;
    for (int32_t k = 0; k < f.vertexCount; ++k)
        if (std::count(f.indices, f.indices + f.vertexCount, f.indices[k]) > kRokMaxPointVisits)
            return false;
    return true;
}

void setNormal(MeshVertex& v, const Vector3& n)
{
    v.nx = n.x;
    v.ny = n.y;
    v.nz = n.z;
}

// The rule as written, one scan of all faces per corner; faces that cannot take part keep
// their own normal.
void smoothPlainly(std::vector<Face>& faces, float threshold)
{
    std::vector<bool> part;
    for (Face& f : faces) {
        part.push_back(takesPart(f, threshold));
        for (int32_t k = 0; k < f.vertexCount && !part.back(); ++k)
            setNormal(f.vertices[k], f.normal);
    }
    for (size_t fi = 0; fi < faces.size(); ++fi) {
        for (int32_t i = 0; part[fi] && i < faces[fi].vertexCount; ++i) {
            const int32_t point = faces[fi].indices[i];
            if (point == -1)
                continue;
            Vector3 sum(0, 0, 0);
            std::vector<std::pair<size_t, int32_t>> taken;
            for (size_t pi = 0; pi < faces.size(); ++pi) {
                const Face& p = faces[pi];
                if (!part[pi] || !(faces[fi].normal.angleBetween(p.normal) < threshold))
                    continue;
                const int32_t* k = std::find(p.indices, p.indices + p.vertexCount, point);
                if (k != p.indices + p.vertexCount) {
                    sum.add(p.normal);
                    taken.emplace_back(pi, static_cast<int32_t>(k - p.indices));
                }
            }
            sum.normalize();
            for (const auto& [pi, k] : taken) {
                setNormal(faces[pi].vertices[k], sum);
                faces[pi].indices[k] = -1;
            }
        }
    }
}

}  // namespace

TEST(RokSmoothing, EqualsThePlainRuleOnRandomBatches)
{
    std::mt19937 random(7);
    RokSmoothing smoothing(11);  // one instance for all batches: its scratch must come back clean
    for (int round = 0; round < 1000; ++round) {
        Batch fast = randomBatch(random);
        Batch plain = fast;
        plain.link();
        smoothing.smooth(fast.faces.data(), static_cast<int32_t>(fast.faces.size()), kRokSmoothingAngle);
        smoothPlainly(plain.faces, kRokSmoothingAngle);
        for (size_t f = 0; f < fast.faces.size(); ++f) {
            ASSERT_EQ(fast.indices[f], plain.indices[f]) << round << " face " << f;
            ASSERT_EQ(std::memcmp(fast.vertices[f].data(), plain.vertices[f].data(),
                                  fast.vertices[f].size() * sizeof(MeshVertex)),
                      0)
                << round << " face " << f;
        }
    }
}

namespace {

// Faces given as pairs of a face and its reversed copy, each with its own corner normals.
struct Pairs : RokFacePairs {
    std::vector<std::vector<int32_t>> points_;
    std::vector<Vector3> normals;
    std::vector<std::vector<MeshVertex>> vertices[2];

    int32_t pairCount() const override { return static_cast<int32_t>(points_.size()); }
    std::span<const int32_t> points(int32_t p) const override { return points_[static_cast<size_t>(p)]; }
    Vector3 normal(int32_t p) const override { return normals[static_cast<size_t>(p)]; }
    MeshVertex* corners(int32_t p, int copy) const override
    {
        auto& v = const_cast<std::vector<MeshVertex>&>(vertices[copy][static_cast<size_t>(p)]);
        return points_[static_cast<size_t>(p)].size() < 3 ? nullptr : v.data();
    }
};

}  // namespace

// The pairs give every corner, the reversed copies' included, the normal that the same faces
// written out get.
TEST(RokSmoothing, PairsEqualTheFacesWrittenOut)
{
    std::mt19937 random(11);
    RokSmoothing smoothing(11);
    for (int round = 0; round < 1000; ++round) {
        const Batch drawn = randomBatch(random);
        Pairs pairs;
        Batch written;
        for (size_t f = 0; f < drawn.faces.size(); ++f) {
            std::vector<int32_t> corners = drawn.indices[f];
            if (random() % 10 == 0)
                corners.resize(random() % 3);  // faces of fewer than three corners take no part
            const Vector3 n = drawn.faces[f].normal;
            pairs.points_.push_back(corners);
            pairs.normals.push_back(n);
            for (auto& v : pairs.vertices)
                v.emplace_back(corners.size());
            written.add(n, corners);
            written.add(Vector3(-n.x, -n.y, -n.z), std::vector<int32_t>(corners.rbegin(), corners.rend()));
        }
        written.link();
        for (size_t f = 0; f < written.faces.size(); ++f) {
            if (written.indices[f].size() < 3)
                written.faces[f].vertices = nullptr;
        }
        smoothing.smooth(pairs, kRokSmoothingAngle);
        smoothing.smooth(written.faces.data(), static_cast<int32_t>(written.faces.size()),
                         kRokSmoothingAngle);
        for (size_t f = 0; f < written.faces.size(); ++f) {
            const std::vector<MeshVertex>& got = pairs.vertices[f % 2][f / 2];
            const std::vector<MeshVertex>& expected = written.vertices[f];
            ASSERT_EQ(got.size(), expected.size());
            ASSERT_TRUE(got.empty() ||
                        std::memcmp(got.data(), expected.data(), got.size() * sizeof(MeshVertex)) == 0)
                << round << " face " << f;
        }
    }
}
