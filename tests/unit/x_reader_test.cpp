// readX: materials (commas as separators, references, materials written in place, textures),
// faces, normals and texture coordinates, meshes inside frames, blocks passed over, hostile
// files, and the real files of the corpus against their independent counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/build_meshes.h"
#include "model/model_entry.h"
#include "model/texture_source.h"
#include "model/x_reader.h"
#include "model/x_tokens.h"

namespace {

// One scratch file, rewritten by every load and removed at the end of the run.
struct ScratchFile {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("vellarn-x-" + std::to_string(std::random_device()()) + ".x");
    ~ScratchFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

struct Loaded {
    bool ok = false;
    XReadCounts counts;
    ModelEntry entry;

    std::vector<const Frame*> meshes() const
    {
        std::vector<const Frame*> out;
        for (const Frame* f = entry.root ? entry.root->firstChild : nullptr; f != nullptr; f = f->next)
            out.push_back(f);
        return out;
    }
    int64_t triangles() const
    {
        int64_t total = 0;
        for (const Frame* f : meshes())
            total += f->vertexCount / 3;
        return total;
    }
};

std::unique_ptr<Loaded> load(const std::string& text, Vector3 scale = Vector3(1, 1, 1))
{
    static const ScratchFile file;
    std::ofstream(file.path, std::ios::binary | std::ios::trunc) << text;
    auto loaded = std::make_unique<Loaded>();
    loaded->ok = readX(loaded->entry, file.path.string(), scale, loaded->counts);
    return loaded;
}

// A mesh of four vertices (0,0,0) (1,0,0) (1,1,0) (0,1,0) with the given faces and blocks.
std::string quadMesh(const std::string& faces, const std::string& blocks)
{
    return "Mesh {\n 4;\n 0;0;0;,\n 1;0;0;,\n 1;1;0;,\n 0;1;0;;\n" + faces + blocks + "}\n";
}

const std::string kOneTriangle = " 1;\n 3;0,1,2;;\n";

std::string material(const std::string& header, const std::string& colour)
{
    return header + "\n " + colour + "\n 5.0;\n 0.1;0.2;0.3;;\n 0.4;0.5;0.6;;\n}\n";
}

std::string listOf(const std::string& numbers, const std::string& entries, int count = 1)
{
    return " MeshMaterialList {\n " + std::to_string(count) + ";\n" + numbers + entries + " }\n";
}

}  // namespace

TEST(XReader, MaterialLinesTakeCommasOrSemicolons)
{
    for (const char* colour : {"1.0;0.5;0.25;0.75;;", "1.0,0.5,0.25,0.75;;", "1.0, 0.5 ,0.25,0.75,;"}) {
        const auto loaded = load(material("Material Red {", colour) +
                                 quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", " {Red}\n")));
        ASSERT_EQ(loaded->meshes().size(), 1u) << colour;
        const D3DMaterial7Data& m = *loaded->meshes()[0]->material;
        EXPECT_EQ(std::vector<float>({m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a}),
                  std::vector<float>({1.0f, 0.5f, 0.25f, 0.75f}))
            << colour;
        EXPECT_FLOAT_EQ(m.ambient.a, 0.75f);  // ambient equals diffuse
        EXPECT_FLOAT_EQ(m.power, 5.0f);
        EXPECT_FLOAT_EQ(m.specular.b, 0.3f);
        EXPECT_FLOAT_EQ(m.emissive.r, 0.4f);
        EXPECT_FLOAT_EQ(m.specular.a + m.emissive.a, 0.0f);
    }
}

// Materials at the top level stand in reverse file order, so a reference finds the latest of
// its name; references, materials in place and material numbers pick per face.
TEST(XReader, MaterialListsPickMaterialsPerFace)
{
    const std::string top = material("Material A {", "0.1;0;0;1;;") +
                            material("Material B {", "0.2;0;0;1;;") +
                            material("Frame f {\nMaterial A {", "0.3;0;0;1;;") + "}\n";
    const struct {
        const char* name;
        std::string list;
        std::vector<float> reds;  // diffuse red of each mesh frame, in frame order
    } cases[] = {
        {"reference to B", listOf(" 2;\n 0,\n 0;\n", " {B}\n"), {0.2f}},
        {"latest A wins", listOf(" 2;\n 0,\n 0;\n", " {A}\n"), {0.3f}},
        {"spaces in braces", listOf(" 2;\n 0,\n 0;\n", " { B }\n"), {0.2f}},
        {"two materials", listOf(" 2;\n 1,\n 0;\n", " {A}\n {B}\n", 2), {0.2f, 0.3f}},
        {"in place", listOf(" 2;\n 0,\n 0;\n", material(" Material {", "0.7;0;0;1;;")), {0.7f}},
        {"numbers on one line", listOf(" 2;\n 1,0;;\n", " {A}\n {B}\n", 2), {0.2f, 0.3f}},
        // one number for all faces: the faces after it take the last one written
        {"short number list", listOf(" 1;\n 1;;\n", " {A}\n {B}\n", 2), {0.2f}},
        // no material for a face: the default white one
        {"unknown name", listOf(" 2;\n 0,\n 0;\n", " {C}\n"), {1.0f}},
        {"number past list", listOf(" 2;\n 0,\n 5;\n", " {B}\n"), {0.2f, 1.0f}},
        {"no list", "", {1.0f}},
    };
    for (const auto& c : cases) {
        const auto loaded = load(top + quadMesh(" 2;\n 3;0,1,2;,\n 3;0,2,3;;\n", c.list));
        std::vector<float> reds;
        for (const Frame* f : loaded->meshes())
            reds.push_back(f->material->diffuse.r);
        EXPECT_EQ(reds, c.reds) << c.name;
        EXPECT_EQ(loaded->triangles(), 2) << c.name;
    }
    // A material written in place under a name serves the references of later meshes.
    const std::string green = material(" Material G {", "0;1;0;1;;");
    const auto loaded = load(quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", green)) +
                             quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", " {G}\n")));
    ASSERT_EQ(loaded->meshes().size(), 2u);
    EXPECT_FLOAT_EQ(loaded->meshes()[1]->material->diffuse.g, 1.0f);
}

// The texture name as written, folders with either slash, each "\\\\" read as one backslash.
TEST(XReader, TexturesAreRequestedByName)
{
    const struct {
        const char* block;
        const char* name;
    } cases[] = {
        {"TextureFilename {\n \"wood.bmp\";\n }\n", "wood.bmp"},
        {"TextureFileName {\n \"wood.bmp\";\n }\n", "wood.bmp"},
        {"\n TextureFilename Diffuse {\n \"wood.bmp\";\n }\n", "wood.bmp"},
        {"TextureFilename { \"wood.bmp\"; }\n", "wood.bmp"},
        {"TextureFilename { \"tex\\\\wood.bmp\"; } // in a folder\n", "tex\\wood.bmp"},
        {"TextureFilename { \"tex/wood.bmp\"; }\n", "tex/wood.bmp"},
    };
    for (const auto& c : cases) {
        RecordingTextureSource recorder;
        setTextureSource(&recorder);
        const std::string mat =
            " Material {\n 1;1;1;1;;\n 0;\n 0;0;0;;\n 0;0;0;;\n" + std::string(c.block) + " }\n";
        const auto loaded = load(quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", mat)));
        setTextureSource(nullptr);
        ASSERT_EQ(recorder.requests.size(), 1u) << c.block;
        EXPECT_EQ(recorder.requests[0].path, c.name);
        EXPECT_EQ(loaded->triangles(), 1) << c.block;  // the texture block's braces kept count
    }
}

// A triangle and a quadrilateral give three triangles, the quadrilateral a fan around its first
// corner; positions (exponents allowed) go through the matrices of the frames around their mesh,
// innermost first, then the scale per axis; no frame carries a name.
TEST(XReader, FacesBecomeFansPlacedByTheirFrames)
{
    const std::string mesh = "Mesh {\n 4;\n 0;0;0;,\n 1.0E+00;0;0;,\n 1e0; 1.00E+00; 0;,\n 0;+1;0;;\n"
                             " 2;\n 3;0,1,2;,\n 4;3,2,1,0;;\n}\n";
    // Outer moves by (50, 60, 70); Inner turns a quarter about z: (x, y, z) -> (-y, x, z).
    const std::string framed = "Frame Outer {\n FrameTransformMatrix {\n  1,0,0,0,0,1,0,0,0,0,1,0,"
                               "50,60,70,1;;\n }\n Frame Inner {\n  FrameTransformMatrix {\n"
                               "   0,1,0,0,-1,0,0,0,0,0,1,0,0,0,0,1;;\n  }\n" +
                               mesh + " }\n}\n";
    const auto loaded = load(mesh + framed + mesh, Vector3(2, 3, 4));
    ASSERT_EQ(loaded->meshes().size(), 3u);
    const float corners[9][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {1, 1}, {1, 0}, {0, 1}, {1, 0}, {0, 0}};
    for (size_t m = 0; m < 3; ++m) {
        const Frame* frame = loaded->meshes()[m];
        ASSERT_EQ(frame->vertexCount, 9);
        for (int i = 0; i < 9; ++i) {
            const float x = corners[i][0], y = corners[i][1];
            const bool placed = m == 1;  // the mesh after the frames stands where it is written
            EXPECT_FLOAT_EQ(frame->vertices[i].x, placed ? 2 * (50 - y) : 2 * x) << m << " " << i;
            EXPECT_FLOAT_EQ(frame->vertices[i].y, placed ? 3 * (60 + x) : 3 * y) << m << " " << i;
            EXPECT_FLOAT_EQ(frame->vertices[i].z, placed ? 4 * 70.0f : 0.0f) << m << " " << i;
        }
        EXPECT_EQ(frame->name, "");
    }
}

// Every triangle faces the way its corners' normals point, read from the file or made for
// corners without one; a mirroring frame turns the normals and reverses the corner order so that
// this still holds.
TEST(XReader, NormalsAndWindingAgreeAlsoInMirroringFrames)
{
    const std::string normals = " MeshNormals {\n 1;\n 0;0;1;;\n 2;\n 3;0,0,0;,\n 4;0,0,0,0;;\n }\n";
    const std::string faces = " 2;\n 3;0,1,2;,\n 4;0,1,2,3;;\n";
    const std::string mirrorZ =
        "Frame M {\n FrameTransformMatrix {\n 1,0,0,0,0,1,0,0,0,0,-1,0,0,0,0,1;;\n }\n";
    const std::string mirrorXY =
        "Frame M {\n FrameTransformMatrix {\n 0,1,0,0,1,0,0,0,0,0,1,0,0,0,0,1;;\n }\n";
    const struct {
        const char* name;
        std::string text;
        float normalZ;  // of every corner
    } cases[] = {
        {"read", quadMesh(faces, normals), 1},
        {"made", quadMesh(faces, ""), 1},
        {"read, mirrored in z", mirrorZ + quadMesh(faces, normals) + "}\n", -1},
        {"made, mirrored in z", mirrorZ + quadMesh(faces, "") + "}\n", -1},
        // a mirror through the plane x = y, which holds the z axis
        {"read, x and y swapped", mirrorXY + quadMesh(faces, normals) + "}\n", 1},
    };
    for (const auto& c : cases) {
        const auto loaded = load(c.text);
        ASSERT_EQ(loaded->triangles(), 3) << c.name;
        const MeshVertex* v = loaded->meshes()[0]->vertices;
        for (int t = 0; t < 3; ++t) {
            const MeshVertex* k = v + 3 * t;
            const Vector3 facing =
                Vector3(k[0].x, k[0].y, k[0].z)
                    .triangleNormal(Vector3(k[1].x, k[1].y, k[1].z), Vector3(k[2].x, k[2].y, k[2].z));
            EXPECT_GT(facing.z * c.normalZ, 0.0f) << c.name << " triangle " << t;
            for (int i = 0; i < 3; ++i)
                EXPECT_FLOAT_EQ(k[i].nz, c.normalZ) << c.name << " triangle " << t;
        }
    }
}

// Normals come per corner from the face list of the block (a corner whose number names no
// normal gets a made one); texture coordinates per vertex, as many as the mesh has vertices
// whatever count the block writes.
TEST(XReader, NormalsPerCornerAndCoordinatesPerVertex)
{
    const std::string normals = " MeshNormals {\n  2;\n  0;0;1;,\n  0;1;0;;\n  1;\n  3;1,0,7;;\n }\n";
    const std::string coords = " MeshTextureCoords {\n  1;\n  0;0;,\n  0.25;0.5;,\n  0.75;1;,\n  1;1;;\n }\n";
    for (const std::string& blocks : {normals + coords, coords + normals}) {
        const auto loaded = load(quadMesh(" 1;\n 3;3,1,2;;\n", blocks));
        ASSERT_EQ(loaded->meshes().size(), 1u);
        const MeshVertex* v = loaded->meshes()[0]->vertices;
        EXPECT_EQ(std::vector<float>({v[0].ny, v[1].nz, v[2].nx, v[2].ny, std::fabs(v[2].nz)}),
                  std::vector<float>({1, 1, 0, 0, 1}));  // normals 1 and 0, then the face's own
        EXPECT_EQ(std::vector<float>({v[0].u, v[1].u, v[2].v}), std::vector<float>({1, 0.25f, 1}));
    }
}

// The separators and braces decide where values and blocks end, not the line ends: comments
// after values, after braces and on lines of their own, several values on a line, lists split
// anyhow and CR LF line ends all read as the plain layout does.
TEST(XReader, LayoutAndCommentsDoNotChangeWhatIsRead)
{
    const std::string list = listOf(" 2;\n 0,\n 0;\n", " {Red}\n");
    const std::string plain =
        material("Material Red {", "1;0;0;1;;") + quadMesh(" 2;\n 3;0,1,2;,\n 3;0,2,3;;\n", list);
    const std::string laidOut =
        "xof 0303txt 0032\r\n# written by hand\r\nMaterial Red { // a red one\r\n 1.000;0.0;0;1;; 5.0;"
        " 0.1;0.2;0.3;; 0.4;0.5;0.6;;\r\n} // End of Material\r\nstray words 5;\r\nMesh {\r\n 0004; // 4 "
        "vertices\r\n"
        " 0.000;0;0;, 1.0000;0;0;,\r\n // a line of its own\r\n 100e-2;1.00;0;,\r\n 0;\r\n1.0;0;;\r\n 2; "
        "3;0,1,"
        "\r\n2;, 3;0,2,3;; # faces\r\n MeshMaterialList { 1; 2; 0, 0;\r\n {Red} // reference\r\n }\r\n}\r\n";
    const auto expected = load(plain);
    const auto expectSame = [&](const std::string& text, size_t label) {
        const auto got = load(text);
        ASSERT_EQ(got->meshes().size(), 1u) << label;
        ASSERT_EQ(got->triangles(), expected->triangles()) << label;
        const MeshVertex* a = expected->meshes()[0]->vertices;
        const MeshVertex* b = got->meshes()[0]->vertices;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(std::vector<float>({a[i].x, a[i].y, a[i].z, a[i].nz}),
                      std::vector<float>({b[i].x, b[i].y, b[i].z, b[i].nz}))
                << label << " " << i;
        }
        EXPECT_EQ(got->meshes()[0]->material->diffuse.r, 1.0f) << label;  // red applied
        EXPECT_EQ(got->meshes()[0]->material->diffuse.g, 0.0f) << label;
    };
    expectSame(laidOut, 0);
    // The file is read in chunks: a comment before the material moves the first chunk's end
    // across every byte of the rest; a name longer than a chunk is read whole.
    const std::string header = "xof 0303txt 0032\r\n";
    const std::string rest = laidOut.substr(header.size());
    for (size_t at = 0; at <= rest.size(); ++at)
        expectSame(header + "//" + std::string(kXChunkBytes - header.size() - 3 - at, '-') + "\n" + rest, at);
    const std::string longName = std::string(2 * kXChunkBytes + 1, 'R');
    expectSame(
        material("Material " + longName + " {", "1;0;0;1;;") +
            quadMesh(" 2;\n 3;0,1,2;,\n 3;0,2,3;;\n", listOf(" 2;\n 0,\n 0;\n", " {" + longName + "}\n")),
        longName.size());
}

// Blocks the reader does not know are passed over with everything inside them, also when they
// nest, so that the blocks after them still apply and the mesh still ends at its own line.
TEST(XReader, UnknownBlocksInsideMeshArePassedOver)
{
    const std::string blocks[] = {
        " MeshVertexColors {\n  1;\n  0;1;1;1;1;;\n }\n",
        " VertexDuplicationIndices {\n  4;\n  4;\n  0,\n  1,\n  2,\n  3;\n }\n",
        " XSkinMeshHeader {\n  1;\n  2;\n  1;\n }\n SkinWeights {\n  \"Bone\";\n  1;\n  0;\n"
        "  1.0;\n  1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;\n }\n",
        " DeclData {\n  Nested {\n   Deeper { 1; }\n  }\n  {Ref}\n  \"}\";\n }\n",
    };
    for (const std::string& unknown : blocks) {
        const auto loaded = load(material("Material Red {", "1;0;0;1;;") +
                                 quadMesh(kOneTriangle, unknown + listOf(" 1;\n 0;\n", " {Red}\n")) +
                                 quadMesh(kOneTriangle, ""));
        ASSERT_EQ(loaded->meshes().size(), 2u) << unknown;
        EXPECT_FLOAT_EQ(loaded->meshes()[0]->material->diffuse.g, 0.0f) << unknown;  // red applied
    }
}

// Damaged files give a model without the damaged parts (or without anything), never a crash.
TEST(XReader, DamagedPartsAreLeftOut)
{
    const std::string cut = "Mesh {\n 3;\n 0;0;0;,\n 1;0;0;,\n 1;1;0;;\n";
    const struct {
        const char* name;
        std::string text;
        XReadCounts counts;  // meshes, meshes dropped, faces dropped
        int64_t triangles;
    } cases[] = {
        {"index past vertices", quadMesh(" 2;\n 3;0,1,4;,\n 3;0,2,3;;\n", ""), {1, 0, 1}, 1},
        {"negative index", quadMesh(" 2;\n 3;0,-1,2;,\n 3;0,2,3;;\n", ""), {1, 0, 1}, 1},
        {"fewer indices than corners", quadMesh(" 2;\n 4;0,1,2;,\n 3;0,2,3;;\n", ""), {1, 0, 1}, 1},
        {"huge corner count", quadMesh(" 1;\n 2000000000;0,1,2;;\n", ""), {1, 0, 1}, 0},
        {"huge vertex count",
         "Mesh {\n 2147483647;\n 0;0;0;;\n 1;\n 3;0,0,0;;\n}\n" + quadMesh(kOneTriangle, ""),
         {1, 1, 0},
         1},
        {"negative face count", "Mesh {\n 1;\n 0;0;0;;\n -5;\n}\n", {0, 1, 0}, 0},
        {"huge face count", "Mesh {\n 1;\n 0;0;0;;\n 99999999;\n 3;0,0,0;;\n}\n", {0, 1, 0}, 0},
        {"fewer vertices than counted", "Mesh {\n 9;\n 0;0;0;,\n 1;0;0;;\n}\n", {1, 0, 0}, 0},
        {"face list cut by a block",
         cut + " 5;\n 3;0,1,2;;\n MeshNormals {\n 99;\n 0;0;1;;\n }\n}\n",
         {1, 0, 0},
         1},
        {"huge normal count",
         quadMesh(kOneTriangle, " MeshNormals {\n 2000000000;\n 0;0;1;;\n }\n"),
         {1, 0, 0},
         1},
        {"text ends inside mesh", cut + " 1;\n 3;0,1,2;;\n", {0, 1, 0}, 0},
        {"text ends inside list", cut + " 1;\n 3;0,1,2;;\n MeshMaterialList {\n 1;\n 1;\n", {0, 1, 0}, 0},
        {"text ends inside material", "Material M {\n 1;1;", {0, 0, 0}, 0},
        {"empty file", "", {0, 0, 0}, 0},
        {"mesh without counts", "Mesh {\n}\n", {1, 0, 0}, 0},
        {"stray closing lines", "}\n}\n" + quadMesh(kOneTriangle, " }\n"), {1, 0, 0}, 1},
    };
    for (const auto& c : cases) {
        const auto loaded = load(c.text);
        EXPECT_TRUE(loaded->ok) << c.name;
        EXPECT_EQ(loaded->counts.meshes, c.counts.meshes) << c.name;
        EXPECT_EQ(loaded->counts.meshesDropped, c.counts.meshesDropped) << c.name;
        EXPECT_EQ(loaded->counts.facesDropped, c.counts.facesDropped) << c.name;
        EXPECT_EQ(loaded->triangles(), c.triangles) << c.name;
    }
    ModelEntry entry;
    EXPECT_FALSE(readX(entry, "no-such-dir/no-such-model.x", Vector3(1, 1, 1)));
}

// What a hostile file could multiply is bounded: mesh frames per file, materials kept per file
// (later ones read past; faces that name them get the default), and a mesh's material list,
// normals and texture coordinates taken from their first blocks only.
TEST(XReader, LimitsHoldAgainstRepetition)
{
    std::string meshes;
    for (int32_t k = 0; k < kMaxMeshFrames + 2; ++k)
        meshes += quadMesh(kOneTriangle, "");
    const auto many = load(meshes);
    EXPECT_EQ(many->meshes().size(), static_cast<size_t>(kMaxMeshFrames));
    EXPECT_EQ(many->counts.meshes, kMaxMeshFrames + 2);
    EXPECT_EQ(many->counts.facesDropped, 2);

    std::string materials;
    for (int32_t k = 0; k <= kMaxMeshFrames; ++k)
        materials += material("Material M" + std::to_string(k) + " {", "0;1;0;1;;");
    const std::string lastName = "{M" + std::to_string(kMaxMeshFrames) + "}\n";
    const auto past = load(materials + quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", lastName)) +
                           quadMesh(kOneTriangle, listOf(" 1;\n 0;\n", " {M0}\n")));
    ASSERT_EQ(past->meshes().size(), 2u);
    EXPECT_FLOAT_EQ(past->meshes()[0]->material->diffuse.r, 1.0f);  // the default white
    EXPECT_FLOAT_EQ(past->meshes()[1]->material->diffuse.r, 0.0f);

    const std::string red = material("Material Red {", "1;0;0;1;;");
    const std::string blue = material("Material Blue {", "0;0;1;1;;");
    const std::string blocks = listOf(" 1;\n 0;\n", " {Red}\n") + listOf(" 1;\n 0;\n", " {Blue}\n") +
                               " MeshTextureCoords {\n 4;\n 0;0;,\n 1;0;,\n 1;1;,\n 0;1;;\n }\n"
                               " MeshTextureCoords {\n 4;\n 5;5;,\n 5;5;,\n 5;5;,\n 5;5;;\n }\n";
    const auto twice = load(red + blue + quadMesh(kOneTriangle, blocks));
    ASSERT_EQ(twice->meshes().size(), 1u);
    const Frame& mesh = *twice->meshes()[0];
    EXPECT_FLOAT_EQ(mesh.material->diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(mesh.vertices[1].u, 1.0f);
}

// Every prefix of a valid file and random damage to it read without fault (the sanitizer build
// checks the memory side), never giving more triangles than the whole file.
TEST(XReader, TruncatedAndScrambledFilesStayInBounds)
{
    const std::string full =
        material("Material A {", "1;0;0;1;;") + "Frame F {\n" +
        quadMesh(" 2;\n 3;0,1,2;,\n 4;0,1,2,3;;\n",
                 " MeshNormals {\n  1;\n  0;0;1;;\n  2;\n  3;0,0,0;,\n  4;0,0,0,0;;\n }\n"
                 " MeshTextureCoords {\n  4;\n  0;0;,\n  1;0;,\n  1;1;,\n  0;1;;\n }\n"
                 " MeshVertexColors {\n  1;\n  0;1;1;1;1;;\n }\n" +
                     listOf(" 2;\n 0,\n 1;\n", " {A}\n" + material("  Material {", "0;1;0;1;;"), 2)) +
        "}\n";
    ASSERT_EQ(load(full)->triangles(), 3);
    for (size_t cut = 0; cut < full.size(); ++cut)
        ASSERT_LE(load(full.substr(0, cut))->triangles(), 3) << cut;
    std::mt19937 random(7);
    const char noise[] = "0123456789;,{}-e.\n\"x ";
    for (int round = 0; round < 300; ++round) {
        std::string text = full;
        for (int k = 0; k < 4; ++k)
            text[random() % text.size()] = noise[random() % (sizeof(noise) - 1)];
        ASSERT_TRUE(load(text)->ok);
    }
}

// The real files: each loads, with the mesh and triangle counts of an independent importer.
TEST(XReader, CorpusFilesMatchIndependentCounts)
{
    const auto corpus = std::filesystem::path(VELLARN_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (!std::filesystem::is_directory(corpus / "x"))
        GTEST_SKIP() << "no corpus at " << corpus.string();
    std::map<std::string, std::pair<int32_t, int64_t>> stats;  // file -> (meshes, triangles)
    std::ifstream table(corpus / "STATS.tsv");
    for (std::string row; std::getline(table, row);) {
        std::istringstream fields(row);
        std::string file, format;
        std::pair<int32_t, int64_t> counts;
        if (std::getline(fields, file, '\t') && std::getline(fields, format, '\t') && format == "x" &&
            fields >> counts.first >> counts.second)
            stats[std::filesystem::path(file).filename().string()] = counts;
    }
    size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(corpus / "x")) {
        const std::string name = item.path().filename().string();
        ASSERT_TRUE(stats.count(name)) << name << " has no line in STATS.tsv";
        Loaded loaded;
        ASSERT_TRUE(readX(loaded.entry, item.path().string(), Vector3(1, 1, 1), loaded.counts)) << name;
        EXPECT_EQ(loaded.counts.meshes, stats[name].first) << name;
        EXPECT_EQ(loaded.triangles(), stats[name].second) << name;
        EXPECT_EQ(loaded.counts.meshesDropped + loaded.counts.facesDropped, 0) << name;
        ++files;
    }
    EXPECT_EQ(files, stats.size());
}
