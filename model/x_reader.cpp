// readX: the .x text reader. The text is taken as tokens (x_tokens.h), so the separators ','
// and ';' and the braces decide where values and blocks end, never the line ends: values may
// share a line, lists may be split over lines anyhow, and comments may stand anywhere.
//
// How it stays safe on files nobody here wrote:
// - Blocks are followed by counting braces, so a block this reader does not know (vertex
//   colours, duplication indices, skin weights, ...) is passed over with everything it
//   encloses, and a known block is left at its own closing brace whatever it held.
// - A list that is shorter than its count stops at the first token that is not a number.
// - A count is believed only when the rest of the file could hold that many values; a mesh
//   whose counts cannot be true is passed over as a whole.
// - A face whose corner indices do not all lie in the vertex list, or whose index list ends
//   before its corner count, is left out; a face without a material (no material list, a
//   number past the list, a reference to no material) gets the default white material.
//
// Limits, so that no file makes the reader allocate or work beyond a fixed multiple of its size:
// - the file: at most kMaxModelFileBytes (model_text.h), read in chunks as the tokens are taken
//   (x_tokens.h), so that it is never held whole; a longer token widens the window to hold it;
// - materials: kMaxMaterials kept (each may load a texture); later ones are read past, and faces
//   that name them get the default material; references find materials through an index;
// - mesh frames: kMaxMeshFrames for the file (build_meshes.h), later meshes left out;
// - blocks open around a mesh: kMaxOpenBlocks; blocks deeper than that are passed over;
// - a count is believed only when the rest of the file could hold that many values;
// - a mesh's material list, normals and texture coordinates are read once, from their first
//   block; further blocks of the same kind (each would walk all the mesh's faces) are passed over.
#include "model/x_reader.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/cp932.h"
#include "base/files.h"
#include "math/matrix4.h"
#include "model/build_meshes.h"
#include "model/model_text.h"
#include "model/texture_source.h"
#include "model/x_mesh.h"
#include "model/x_placement.h"
#include "model/x_tokens.h"

namespace {

// A value takes at least two bytes of the file (a digit and a separator), so the rest of a file
// holds at most (bytes left + 1) / 2 values; no count may exceed that.
constexpr int64_t kMinBytesPerValue = 2;
// A position (or a normal) takes at least six bytes ("0;0;0;").
constexpr size_t kMinPositionBytes = 6;
// A face takes at least four bytes ("1;0;"): what the face list reserves for a count is held
// to the faces the rest of the file could hold.
constexpr size_t kMinFaceBytes = 4;

// Materials kept per file: no file needs more than it can make mesh frames.
constexpr int32_t kMaxMaterials = kMaxMeshFrames;

// Frames and other blocks open at once; real files nest a few dozen deep at most, and each
// open block keeps its matrix.
constexpr size_t kMaxOpenBlocks = 256;

// A word that may open a block: not a number (a stray value before a name and a brace).
bool isBlockKeyword(const XToken& token)
{
    if (token.kind != XTokenKind::word)
        return false;
    const char c = token.text.front();
    return !(c >= '0' && c <= '9') && c != '-' && c != '+' && c != '.';
}

bool isKeyword(const XToken& token, std::string_view keyword)
{
    return token.kind == XTokenKind::word && equalsIgnoringAsciiCase(token.text, keyword);
}

// The texture name as the file gives it, with each "\\" read as one backslash (folders may be
// written either way). The second byte of a double-byte character is never taken for one.
std::string unescapeName(std::string_view text)
{
    std::string name;
    name.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        name.push_back(text[i]);
        if (isCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            name.push_back(text[++i]);
        else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\')
            ++i;
    }
    return name;
}

// A block the reader has entered and not yet left (a frame, or a block it does not know but
// looks into for materials and meshes), with the matrix that takes its meshes to model space.
struct OpenBlock {
    bool frame = false;
    Matrix4 toModel;  // the frame's own matrix times those of the blocks around it
};

class XReader {
public:
    XReader(ModelEntry& entry_, XTokens& tokens_, const Vector3& scale_, XReadCounts& counts_)
        : entry(entry_), tokens(tokens_), scale(scale_), counts(counts_)
    {
        defaultMaterial.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        defaultMaterial.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    }

    void read();

private:
    void readBlock(std::string_view keyword, std::string_view name);
    void readFrameMatrix();
    const Matrix4& currentToModel() const;

    const Material* keepMaterial(std::string_view name);
    Material readMaterialBody();
    void readMaterialValues(Material& material);
    void readTextureName(Material& material);

    void readMesh();
    bool readCount(int32_t& count);
    bool believable(int32_t count) const;
    int readTriple(float (&v)[3]);
    bool readPositions(XMesh& mesh, const XPlacement& placement);
    bool readFaces(XMesh& mesh);
    bool readIndexList(int32_t declared, std::vector<int32_t>& values);
    void readFace(XMesh& mesh, int32_t cornerCount);
    void readMeshBlocks(XMesh& mesh, bool keep, const XPlacement& placement);
    void readMeshBlock(XMesh& mesh, std::string_view keyword, const XPlacement& placement);
    void finishMesh(XMesh& mesh, const XPlacement& placement);
    void addOneMaterialMesh(XMesh& mesh);

    void readMaterialList(XMesh& mesh);
    std::vector<int32_t> readFaceMaterialNumbers(int32_t faceCount);
    const Material* readReference();
    const Material* findMaterial(std::string_view name);
    void readNormals(XMesh& mesh, const XPlacement& placement);
    void readTextureCoords(XMesh& mesh);

    ModelEntry& entry;
    XTokens& tokens;
    Vector3 scale;
    XReadCounts& counts;
    std::vector<OpenBlock> open;   // the blocks entered, outermost first
    std::vector<int32_t> scratch;  // the values of one index list
    Material defaultMaterial;      // white, for faces that name no material
    int32_t materialCount = 0;     // materials kept in entry.materials
    std::unordered_map<std::string, const Material*> materialByName;  // the latest of each name
    FrameBudget frames;                                               // mesh frames the file may still make
};

// The file's blocks at any depth: materials and meshes wherever they stand, frames entered
// with their matrices; other tokens (the header, references, stray values) are passed over.
void XReader::read()
{
    tokens.skipHeader();
    for (XToken token = tokens.next(); token.kind != XTokenKind::end; token = tokens.next()) {
        std::string_view name;
        if (token.kind == XTokenKind::close) {
            if (!open.empty())  // a stray closing brace at the top closes nothing
                open.pop_back();
        } else if (token.kind == XTokenKind::open) {
            readBlock({}, {});
        } else if (isBlockKeyword(token) && tokens.openBlock(token, name)) {
            readBlock(token.text, name);
        }
    }
}

// The block keyword opens, just past its opening brace.
void XReader::readBlock(std::string_view keyword, std::string_view name)
{
    if (equalsIgnoringAsciiCase(keyword, "template")) {
        tokens.skipBlock(1);
    } else if (equalsIgnoringAsciiCase(keyword, "Material")) {
        keepMaterial(name);
    } else if (equalsIgnoringAsciiCase(keyword, "Mesh")) {
        readMesh();
    } else if (equalsIgnoringAsciiCase(keyword, "FrameTransformMatrix")) {
        readFrameMatrix();
    } else if (open.size() >= kMaxOpenBlocks) {
        tokens.skipBlock(1);
    } else {
        OpenBlock block;
        block.frame = equalsIgnoringAsciiCase(keyword, "Frame");
        block.toModel = currentToModel();
        open.push_back(std::move(block));
    }
}

const Matrix4& XReader::currentToModel() const
{
    static const Matrix4 identity;
    return open.empty() ? identity : open.back().toModel;
}

// Sixteen values, row by row. They place the meshes of the frame around them (and of its inner
// frames) that follow; a matrix outside a frame, or with fewer values, changes nothing.
void XReader::readFrameMatrix()
{
    Matrix4 local;
    int values = 0;
    for (; values < 16 && tokens.readFloat(local.m[values / 4][values % 4]); ++values)
        tokens.skipSeparators();
    tokens.skipBlock(1);
    if (values < 16 || open.empty() || !open.back().frame)
        return;
    static const Matrix4 identity;
    const Matrix4& outer = open.size() >= 2 ? open[open.size() - 2].toModel : identity;
    open.back().toModel = local.product(outer);
}

// A material block (at any level, or written inside a material list), just past its opening
// brace, read into the front of the list, where a reference finds the latest material of its
// name; null, reading past the block, when the file has already given kMaxMaterials materials.
const Material* XReader::keepMaterial(std::string_view name)
{
    if (materialCount >= kMaxMaterials) {
        tokens.skipBlock(1);
        return nullptr;
    }
    NamedMaterial named;
    named.name = std::string(name);
    named.material = readMaterialBody();
    const MaterialList* node = entry.materials.prepend(std::move(named));
    ++materialCount;
    materialByName[node->payload.name] = &node->payload.material;
    return &node->payload.material;
}

// The values (commas and semicolons alike as separators), then the rest of the block up to
// its closing brace, where the first TextureFilename block names the texture.
Material XReader::readMaterialBody()
{
    Material material;
    readMaterialValues(material);
    bool textureSeen = false;
    for (XToken token = tokens.next(); token.kind != XTokenKind::end; token = tokens.next()) {
        std::string_view name;
        if (token.kind == XTokenKind::close)
            return material;
        if (token.kind == XTokenKind::open) {
            tokens.skipBlock(1);
        } else if (token.kind == XTokenKind::word && tokens.openBlock(token, name)) {
            if (!textureSeen && equalsIgnoringAsciiCase(token.text, "TextureFilename")) {
                textureSeen = true;
                readTextureName(material);
            } else {
                tokens.skipBlock(1);
            }
        }
    }
    return material;
}

// Diffuse red, green, blue and alpha (the ambient colour equal to it), power, specular and
// emissive red, green and blue. Values missing from a short block stay zero.
void XReader::readMaterialValues(Material& material)
{
    float v[11] = {};
    for (float& value : v) {
        if (!tokens.readFloat(value))
            break;
        tokens.skipSeparators();
    }
    material.diffuse = {v[0], v[1], v[2], v[3]};
    material.ambient = material.diffuse;
    material.power = v[4];
    material.specular = {v[5], v[6], v[7], 0.0f};
    material.emissive = {v[8], v[9], v[10], 0.0f};
}

// The first string of the block, up to the block's closing brace.
void XReader::readTextureName(Material& material)
{
    std::string name;
    if (tokens.readBlockFirst(XTokenKind::string, name))
        material.texture = textureSource().findOrLoadTexture(unescapeName(name), nullptr);
}

void XReader::readMesh()
{
    const XPlacement placement(currentToModel(), scale);
    XMesh mesh;
    const bool keep = readPositions(mesh, placement) && readFaces(mesh);
    readMeshBlocks(mesh, keep, placement);
}

// The number that comes next, with its separators; where none stands (a brace, a word) the
// count is 0 and nothing is consumed. False at the end of the text.
bool XReader::readCount(int32_t& count)
{
    count = 0;
    if (tokens.bytesLeft() == 0)
        return false;
    if (tokens.readInt(count))
        tokens.skipSeparators();
    return true;
}

bool XReader::believable(int32_t count) const
{
    return count >= 0 && count <= static_cast<int64_t>((tokens.bytesLeft() + 1) / kMinBytesPerValue);
}

// Up to three values of a position or a normal, each with the separators after it; how many
// there were (a list cut short has fewer).
int XReader::readTriple(float (&v)[3])
{
    int read = 0;
    for (; read < 3 && tokens.readFloat(v[read]); ++read)
        tokens.skipSeparators();
    return read;
}

bool XReader::readPositions(XMesh& mesh, const XPlacement& placement)
{
    int32_t count = 0;
    if (!readCount(count) || !believable(count))
        return false;
    mesh.positions.reserve(std::min(static_cast<size_t>(count), tokens.bytesLeft() / kMinPositionBytes));
    for (int32_t i = 0; i < count; ++i) {
        float v[3] = {};
        const int read = readTriple(v);
        if (read == 0)
            break;
        const Vector3 p = placement.place(v[0], v[1], v[2]);
        mesh.positions.push_back({p.x, p.y, p.z});
        if (read < 3)
            break;
    }
    return true;
}

bool XReader::readFaces(XMesh& mesh)
{
    int32_t count = 0;
    if (!readCount(count) || !believable(count))
        return false;
    XFaceList& list = mesh.faces;
    const size_t room = std::min(static_cast<size_t>(count), tokens.bytesLeft() / kMinFaceBytes);
    list.faces.reserve(room);
    list.indices.reserve(3 * room);
    int32_t cornerCount = 0;
    for (int32_t i = 0; i < count && tokens.readInt(cornerCount); ++i) {
        tokens.skipSeparators();
        readFace(mesh, cornerCount);
    }
    mesh.link();
    return true;
}

// The values of a list "v0,v1,...;" into values: a ',' after a value means another follows, a
// ';' ends the list. values keeps at most declared of them; true when the list held at least
// that many.
bool XReader::readIndexList(int32_t declared, std::vector<int32_t>& values)
{
    values.clear();
    int64_t seen = 0;
    int32_t value = 0;
    while (tokens.readInt(value)) {
        if (seen++ < declared)
            values.push_back(value);
        const XSeparators after = tokens.skipSeparators();
        if (after.semicolons > 0 || after.commas == 0)
            break;
    }
    return seen >= declared;
}

// The index list of a face of cornerCount corners: the face is kept when the list holds that
// many indices, all in the vertex list; otherwise it keeps no corners and is counted as left out.
void XReader::readFace(XMesh& mesh, int32_t cornerCount)
{
    XFaceList& list = mesh.faces;
    list.faces.emplace_back();
    if (cornerCount <= 0)
        return;
    const bool whole = readIndexList(cornerCount, scratch);
    const int64_t vertexCount = static_cast<int64_t>(mesh.positions.size());
    const bool inside = std::all_of(scratch.begin(), scratch.end(),
                                    [&](int32_t index) { return index >= 0 && index < vertexCount; });
    if (!whole || !inside) {
        ++counts.facesDropped;
        return;
    }
    list.indices.insert(list.indices.end(), scratch.begin(), scratch.end());
    list.faces.back().vertexCount = cornerCount;
}

// The mesh's sub-blocks up to its own closing brace. A mesh that is not kept (its counts could
// not be true) is only passed over.
void XReader::readMeshBlocks(XMesh& mesh, bool keep, const XPlacement& placement)
{
    for (XToken token = tokens.next(); token.kind != XTokenKind::end; token = tokens.next()) {
        std::string_view name;
        if (token.kind == XTokenKind::close) {
            if (keep)
                finishMesh(mesh, placement);
            else
                ++counts.meshesDropped;
            return;
        }
        if (token.kind == XTokenKind::open) {
            tokens.skipBlock(1);
        } else if (token.kind == XTokenKind::word && tokens.openBlock(token, name)) {
            if (keep)
                readMeshBlock(mesh, token.text, placement);
            else
                tokens.skipBlock(1);
        }
    }
    ++counts.meshesDropped;  // the text ended inside the mesh
}

// One sub-block of a kept mesh, just past its opening brace, read to its closing brace.
void XReader::readMeshBlock(XMesh& mesh, std::string_view keyword, const XPlacement& placement)
{
    if (!mesh.materialsRead && equalsIgnoringAsciiCase(keyword, "MeshMaterialList")) {
        mesh.materialsRead = true;
        readMaterialList(mesh);
    } else if (!mesh.normalsRead && equalsIgnoringAsciiCase(keyword, "MeshNormals")) {
        mesh.normalsRead = true;
        readNormals(mesh, placement);
    } else if (!mesh.textureCoordsRead && equalsIgnoringAsciiCase(keyword, "MeshTextureCoords")) {
        mesh.textureCoordsRead = true;
        readTextureCoords(mesh);
    }
    tokens.skipBlock(1);
}

// A mirroring placement would turn the faces inside out: their corners are reversed. Corners
// left without a normal get smooth ones; faces without a material the default one.
void XReader::finishMesh(XMesh& mesh, const XPlacement& placement)
{
    if (placement.reflects())
        mesh.reverseCorners();
    mesh.completeNormals();
    for (Face& face : mesh.faces.faces) {
        if (face.material == nullptr)
            face.material = &defaultMaterial;
    }
    const int32_t droppedBefore = frames.facesDropped;
    if (mesh.faces.fanVertices > 0 && mesh.oneMaterial() &&
        mesh.faces.fanVertices <= static_cast<uint64_t>(kMaxMeshVertices))
        addOneMaterialMesh(mesh);
    else
        buildMeshesByMaterial(entry, mesh.faces.faces.data(), mesh.faces.count(), 0, nullptr, nullptr,
                              frames);
    counts.facesDropped += frames.facesDropped - droppedBefore;
    ++counts.meshes;
}

// The mesh frame of a mesh whose faces share one material and make at least one triangle, made
// as buildMeshesByMaterial makes it, but from the corners where they stand: their array becomes
// the frame's vertices. When no frame is left, the faces are left out (the root is still made).
void XReader::addOneMaterialMesh(XMesh& mesh)
{
    Frame* root = buildMeshes(entry, nullptr, 0, 0, nullptr, nullptr);
    if (!frames.take()) {
        frames.facesDropped += mesh.faces.count();
        return;
    }
    Bounds bounds;
    const auto vertexCount = static_cast<int32_t>(mesh.faces.fanVertices);
    const Material* material = mesh.faces.faces.front().material;
    MeshVertex* list = mesh.releaseTriangleList(bounds);
    addMeshFrame(root, material, list, vertexCount, bounds.low, bounds.high, nullptr);
}

// Material count (not needed), one material number per face, then the materials: references
// "{name}" and materials written in place, numbered from 0. Left before its closing brace.
void XReader::readMaterialList(XMesh& mesh)
{
    int32_t ignored = 0;
    if (!readCount(ignored))
        return;
    const std::vector<int32_t> numbers = readFaceMaterialNumbers(mesh.faces.count());

    std::vector<const Material*> listed;
    while (!tokens.atClose()) {
        XToken token = tokens.next();
        std::string_view name;
        if (token.kind == XTokenKind::end)
            break;
        if (token.kind == XTokenKind::open)
            listed.push_back(readReference());
        else if (isKeyword(token, "Material") && tokens.openBlock(token, name))
            listed.push_back(keepMaterial(name));
        else if (token.kind == XTokenKind::word && tokens.openBlock(token, name))
            tokens.skipBlock(1);
    }
    for (size_t j = 0; j < mesh.faces.faces.size(); ++j) {
        const int32_t number = numbers[j];
        const bool known = number >= 0 && static_cast<size_t>(number) < listed.size();
        mesh.faces.faces[j].material = known ? listed[static_cast<size_t>(number)] : nullptr;
    }
}

// The face index count, then that many numbers. Faces past the numbers written take the last
// one (a list of one number gives every face that material); -1 when there is none.
std::vector<int32_t> XReader::readFaceMaterialNumbers(int32_t faceCount)
{
    std::vector<int32_t> numbers;
    numbers.reserve(static_cast<size_t>(faceCount));
    int32_t declared = 0;
    readCount(declared);
    int32_t number = 0;
    for (int32_t seen = 0; seen < declared && tokens.readInt(number); ++seen) {
        if (numbers.size() < static_cast<size_t>(faceCount))
            numbers.push_back(number);
        tokens.skipSeparators();
    }
    const int32_t fill = numbers.empty() ? -1 : numbers.back();
    numbers.resize(static_cast<size_t>(faceCount), fill);
    return numbers;
}

// "{ name }" just past its opening brace, read to its closing brace: the material of that name.
const Material* XReader::readReference()
{
    std::string name;
    return tokens.readBlockFirst(XTokenKind::word, name) ? findMaterial(name) : nullptr;
}

// The latest material read under that name; null when none has it.
const Material* XReader::findMaterial(std::string_view name)
{
    const auto found = materialByName.find(std::string(name));
    return found == materialByName.end() ? nullptr : found->second;
}

// Normal count, the normals, the face count (the mesh's own is used), then per face the normal
// number of each corner. Numbers outside the normals leave those corners without a normal.
// Left before its closing brace.
void XReader::readNormals(XMesh& mesh, const XPlacement& placement)
{
    int32_t count = 0;
    if (!readCount(count) || !believable(count))
        return;
    std::vector<Vector3> normals;
    normals.reserve(std::min(static_cast<size_t>(count), tokens.bytesLeft() / kMinPositionBytes));
    for (int32_t i = 0; i < count; ++i) {
        float v[3] = {};
        const int read = readTriple(v);
        if (read == 0)
            break;
        normals.push_back(placement.turnNormal(v[0], v[1], v[2]));
        if (read < 3)
            break;
    }
    int32_t ignored = 0;
    readCount(ignored);
    int32_t cornerCount = 0;
    for (Face& face : mesh.faces.faces) {
        if (!tokens.readInt(cornerCount))
            break;
        tokens.skipSeparators();
        if (cornerCount <= 0)
            continue;
        readIndexList(cornerCount, scratch);
        const size_t corners = std::min(scratch.size(), static_cast<size_t>(face.vertexCount));
        for (size_t k = 0; k < corners; ++k) {
            if (scratch[k] < 0 || static_cast<size_t>(scratch[k]) >= normals.size())
                continue;
            const Vector3& n = normals[static_cast<size_t>(scratch[k])];
            face.vertices[k].nx = n.x;
            face.vertices[k].ny = n.y;
            face.vertices[k].nz = n.z;
        }
    }
}

// One coordinate pair per vertex of the mesh (the count the block gives is not needed); each
// corner takes the pair of its vertex. Left before its closing brace.
void XReader::readTextureCoords(XMesh& mesh)
{
    int32_t ignored = 0;
    readCount(ignored);
    std::vector<float> pairs(2 * mesh.positions.size());
    for (size_t i = 0; i < pairs.size(); i += 2) {
        int read = 0;
        for (; read < 2 && tokens.readFloat(pairs[i + static_cast<size_t>(read)]); ++read)
            tokens.skipSeparators();
        if (read < 2)
            break;
    }
    for (Face& face : mesh.faces.faces) {
        for (int32_t k = 0; k < face.vertexCount; ++k) {
            const size_t at = 2 * static_cast<size_t>(face.indices[k]);
            face.vertices[k].u = pairs[at];
            face.vertices[k].v = pairs[at + 1];
        }
    }
}

// The model file under fileName, else under modelFallbackPath of it, with the name it opened
// under and its size. A file larger than kMaxModelFileBytes (by the size the system tells) is
// not taken; it is read in chunks as the tokens are taken, and one that proves larger then
// fails the reading.
FileHandle openModelFile(const std::string& fileName, std::string& openedName, uint64_t& fileBytes)
{
    for (const std::string& name : {fileName, modelFallbackPath(fileName)}) {
        FileHandle file = openFile(name, "rb");
        if (!file)
            continue;
        fileBytes = fileSizeTold(file.get());
        if (fileBytes > kMaxModelFileBytes)
            continue;
        openedName = name;
        return file;
    }
    return nullptr;
}

}  // namespace

bool readX(ModelEntry& entry, const std::string& fileName, const Vector3& scale)
{
    XReadCounts counts;
    return readX(entry, fileName, scale, counts);
}

bool readX(ModelEntry& entry, const std::string& fileName, const Vector3& scale, XReadCounts& counts)
{
    counts = XReadCounts{};
    entry.materials.clear();
    std::string openedName;
    uint64_t fileBytes = 0;
    const FileHandle file = openModelFile(fileName, openedName, fileBytes);
    if (!file)
        return false;
    const ModelFolderScope textureFolder(openedName);
    bool intact = false;
    try {
        XTokens tokens(file.get(), fileBytes, kMaxModelFileBytes);
        XReader reader(entry, tokens, scale, counts);
        reader.read();
        intact = tokens.intact();
    } catch (const std::bad_alloc&) {
        // A file that describes more than memory holds is one that could not be read.
        intact = false;
    }
    entry.materials.clear();
    return intact;
}
