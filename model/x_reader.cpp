// readX: the line-oriented .x text reader. Lines come from readContentLine (leading white
// space removed, blank lines skipped) and are scanned with ScanFormat.
//
// How it stays safe on files nobody here wrote:
// - Blocks are followed by counting braces, so a block this reader does not know (vertex
//   colours, duplication indices, skin weights, ...) is passed over with everything it
//   encloses, and a known block is left at its own closing line whatever it held.
// - A data line never holds a brace: a list that is shorter than its count stops at the first
//   brace line, which is then read as structure again.
// - A count is believed only when the rest of the file could hold that many lines; a mesh
//   whose counts cannot be true is passed over as a whole.
// - A face whose corner indices do not all lie in the vertex list is left out; a face without
//   a material (no material list, a number past the list, a reference to no material) gets
//   the default white material.
//
// Limits, so that no file makes the reader allocate or work beyond a fixed multiple of its size:
// - the file: at most kMaxModelFileBytes, lines at most kMaxLineBytes (line_reader.h);
// - materials: kMaxMaterials kept (each may load a texture); later ones are read past, and faces
//   that name them get the default material; references find materials through an index;
// - mesh frames: kMaxMeshFrames for the file (build_meshes.h), later meshes left out;
// - a count is believed only when the rest of the file could hold that many lines;
// - a mesh's material list, normals and texture coordinates are read once, from their first
//   block; further blocks of the same kind (each would walk all the mesh's faces) are passed over.
#include "model/x_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/cp932.h"
#include "model/build_meshes.h"
#include "model/face.h"
#include "model/line_reader.h"
#include "model/scan_format.h"
#include "model/texture_source.h"

namespace {

// A content line takes at least two bytes of the file (one visible byte and its line end), so
// the rest of a file holds at most (bytes left + 1) / 2 lines; no count may exceed that.
constexpr int64_t kMinBytesPerLine = 2;
// A face line takes at least five bytes ("1;0;" and its line end): what the face list reserves
// for a count is held to the face lines the rest of the file could hold.
constexpr size_t kMinFaceLineBytes = 5;

constexpr std::string_view kTextureKeyword = "TextureFilename";

// Materials kept per file: no file needs more than it can make mesh frames.
constexpr int32_t kMaxMaterials = kMaxMeshFrames;

struct Position {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct TexturePair {
    float u = 0.0f;
    float v = 0.0f;
};

size_t findNoCase(std::string_view line, std::string_view word)
{
    if (word.size() > line.size())
        return std::string_view::npos;
    for (size_t at = 0; at <= line.size() - word.size(); ++at) {
        if (startsWithIgnoringAsciiCase(line.substr(at), word))
            return at;
    }
    return std::string_view::npos;
}

// Braces of a line: opening ones minus closing ones, not counting those inside double quotes,
// in a comment ("//" anywhere, "#" at the start), or as the second byte of a double-byte
// character.
struct Braces {
    int64_t opened = 0;
    int64_t closed = 0;
    int64_t balance() const { return opened - closed; }
    bool any() const { return opened != 0 || closed != 0; }
};

bool holdsBraceByte(std::string_view line)
{
    return !line.empty() && (std::memchr(line.data(), '{', line.size()) != nullptr ||
                             std::memchr(line.data(), '}', line.size()) != nullptr);
}

Braces bracesOf(std::string_view line)
{
    Braces braces;
    // Most lines hold no brace byte at all (the lists of numbers); only the others are walked.
    if (!holdsBraceByte(line) || (!line.empty() && line[0] == '#'))
        return braces;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            // inside a string: nothing counts
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        } else if (isCp932LeadByte(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '{') {
            ++braces.opened;
        } else if (c == '}') {
            ++braces.closed;
        }
    }
    return braces;
}

// How deep a block header leaves the reader: at least inside the block it opens.
int64_t openDepth(std::string_view header)
{
    return std::max<int64_t>(1, bracesOf(header).balance());
}

// The integer at pos as atoi reads it (spaces and tabs, one sign, digits), held to the int32
// range so that no value overflows; pos moves past it. False when no digit stands there.
bool readInt(std::string_view text, size_t& pos, int32_t& value)
{
    size_t at = pos;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[at] - '0'), int64_t{INT32_MAX} + 1);
    const int64_t signedValue = negative ? -magnitude : std::min<int64_t>(magnitude, INT32_MAX);
    value = static_cast<int32_t>(signedValue);
    pos = at;
    return true;
}

// Whether a line starts with the keyword as a word of its own ("Material {", "Material x {").
bool isBlockHeader(std::string_view line, std::string_view keyword)
{
    if (!startsWithIgnoringAsciiCase(line, keyword))
        return false;
    if (line.size() == keyword.size())
        return true;
    const char after = line[keyword.size()];
    return after == ' ' || after == '\t' || after == '{';
}

// Whether a line starts like a number (what the lists of numbers are made of).
bool startsWithNumber(std::string_view line)
{
    size_t pos = 0;
    int32_t ignored = 0;
    return readInt(line, pos, ignored);
}

// A block name as ScanFormat left it, cut where a brace or white space begins.
std::string cleanName(std::string name)
{
    const size_t cut = name.find_first_of("{} \t");
    if (cut != std::string::npos)
        name.resize(cut);
    return name;
}

// "n;j0,j1,...;": corner k of a face takes normal jk. A number outside the normals, or a
// list shorter than the corners, leaves those corners' normals zero.
void applyCornerNormals(std::string_view line, const std::vector<Position>& normals, Face& face)
{
    size_t pos = line.find(';');
    for (int32_t k = 0; k < face.vertexCount && pos != std::string_view::npos; ++k) {
        ++pos;  // past the ';' or ',' before this number
        int32_t number = 0;
        if (!readInt(line, pos, number))
            return;
        if (number >= 0 && static_cast<size_t>(number) < normals.size()) {
            const Position& n = normals[static_cast<size_t>(number)];
            face.vertices[k].nx = n.x;
            face.vertices[k].ny = n.y;
            face.vertices[k].nz = n.z;
        }
        pos = line.find(',', pos);
    }
}

// The faces of one mesh, with their corners and vertex numbers in two arrays shared by all
// faces, which the records point into once the face list is complete (link). The records grow
// with the lines actually read, so a count that promises more than the file holds allocates
// no more than the rest of the file could describe.
struct FaceList {
    std::vector<Face> faces;          // in file order; faces left out keep no corners
    std::vector<int32_t> indices;     // the vertex number of every corner, face after face
    std::vector<MeshVertex> corners;  // made by link

    int32_t count() const { return static_cast<int32_t>(faces.size()); }

    // The corners with their positions (normals and texture coordinates zero), and every face
    // pointed at its share of them.
    void link(const std::vector<Position>& positions)
    {
        corners.clear();
        corners.reserve(indices.size());
        for (const int32_t index : indices) {
            const Position& p = positions[static_cast<size_t>(index)];
            MeshVertex& corner = corners.emplace_back();
            corner.x = p.x;
            corner.y = p.y;
            corner.z = p.z;
        }
        size_t first = 0;
        for (Face& face : faces) {
            if (face.vertexCount == 0)
                continue;
            face.vertices = corners.data() + first;
            face.indices = indices.data() + first;
            first += static_cast<size_t>(face.vertexCount);
        }
    }
};

struct MeshData {
    std::vector<Position> positions;  // scaled, in file order; fewer than declared when cut short
    FaceList faces;
    bool materialsRead = false;  // the first of each sub-block has been read
    bool normalsRead = false;
    bool textureCoordsRead = false;
};

// The file's content lines, where the line just read can be handed back to be read again.
class LineSource {
public:
    explicit LineSource(LineReader& lines) : reader(lines) {}

    bool next(std::string_view& line)
    {
        lineStart = reader.position();
        return reader.readContentLine(line);
    }

    // The next call of next() returns the line the last call returned.
    void handBack() { reader.seek(lineStart); }

    // The most lines the rest of the text could still hold.
    int64_t linesLeft() const { return static_cast<int64_t>((reader.remaining() + 1) / kMinBytesPerLine); }

    size_t bytesLeft() const { return reader.remaining(); }

private:
    LineReader& reader;
    size_t lineStart = 0;  // where the line last read began
};

class XReader {
public:
    XReader(ModelEntry& entry_, LineReader& text, const Vector3& scale_, XReadCounts& counts_)
        : entry(entry_), lines(text), scale(scale_), counts(counts_)
    {
        defaultMaterial.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        defaultMaterial.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    }

    void read();

private:
    const Material* keepMaterial(std::string_view header);
    Material readMaterialBody(int64_t depth);
    void readTextureName(std::string_view rest, Material& material, int64_t& depth);

    void readMesh();
    bool readCount(int32_t& count);
    bool readPositions(MeshData& mesh);
    bool readFaces(MeshData& mesh);
    void readFaceLine(std::string_view line, MeshData& mesh);
    void readMeshBlocks(MeshData& mesh, bool keep);
    void finishMesh(MeshData& mesh);

    void readMaterialList(MeshData& mesh, std::string_view header);
    std::vector<int32_t> readFaceMaterialNumbers(int32_t faceCount);
    const Material* findMaterial(std::string_view name);
    void readNormals(MeshData& mesh, std::string_view header);
    void readTextureCoords(MeshData& mesh, std::string_view header);

    void skipBlock(int64_t depth);

    ModelEntry& entry;
    LineSource lines;
    Vector3 scale;
    XReadCounts& counts;
    Material defaultMaterial;   // white, for faces that name no material
    int32_t materialCount = 0;  // materials kept in entry.materials
    std::unordered_map<std::string, const Material*> materialByName;  // the latest of each name
    FrameBudget frames;                                               // mesh frames the file may still make
};

void XReader::read()
{
    std::string_view line;
    while (lines.next(line)) {
        if (startsWithIgnoringAsciiCase(line, "template "))
            continue;
        if (startsWithIgnoringAsciiCase(line, "Material "))
            keepMaterial(line);
        else if (startsWithIgnoringAsciiCase(line, "Mesh "))
            readMesh();
    }
}

// Materials at the top level (also inside frames) and those written inside a material list.
// Reads the material block that header opens into the front of the list, where a reference
// finds the latest material of its name; null, reading past the block, when the file has
// already given kMaxMaterials materials.
const Material* XReader::keepMaterial(std::string_view header)
{
    if (materialCount >= kMaxMaterials) {
        skipBlock(openDepth(header));
        return nullptr;
    }
    std::string name;
    ScanFormat(header, "Material %s {", &name);
    NamedMaterial named;
    named.name = cleanName(std::move(name));
    named.material = readMaterialBody(openDepth(header));
    const MaterialList* node = entry.materials.prepend(std::move(named));
    ++materialCount;
    materialByName[node->payload.name] = &node->payload.material;
    return &node->payload.material;
}

// The four value lines (commas read as semicolons), then the rest of the block up to its
// closing line, where a TextureFilename block names the texture.
Material XReader::readMaterialBody(int64_t depth)
{
    static const char* const kValueFormats[] = {"%f;%f;%f;%f;;", "%f;;", "%f;%f;%f;;", "%f;%f;%f;;"};
    float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    Material material;
    std::string_view line;
    for (int row = 0; row < 4 && lines.next(line); ++row) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        std::string values(line);
        std::replace(values.begin(), values.end(), ',', ';');
        v[0] = v[1] = v[2] = v[3] = 0.0f;
        ScanFormat(values, kValueFormats[row], &v[0], &v[1], &v[2], &v[3]);
        switch (row) {
        case 0:
            material.diffuse = {v[0], v[1], v[2], v[3]};
            material.ambient = material.diffuse;
            break;
        case 1:
            material.power = v[0];
            break;
        case 2:
            material.specular = {v[0], v[1], v[2], 0.0f};
            break;
        default:
            material.emissive = {v[0], v[1], v[2], 0.0f};
            break;
        }
    }
    bool textureSeen = false;
    while (depth > 0 && lines.next(line)) {
        depth += bracesOf(line).balance();
        const size_t at = findNoCase(line, kTextureKeyword);
        if (at == std::string::npos || textureSeen)
            continue;
        textureSeen = true;
        readTextureName(std::string_view(line).substr(at + kTextureKeyword.size()), material, depth);
    }
    return material;
}

// The quoted file name stands after the keyword on the same line or on the next line.
void XReader::readTextureName(std::string_view rest, Material& material, int64_t& depth)
{
    std::string_view nameLine;
    const size_t quote = rest.find('"');
    if (quote != std::string_view::npos) {
        nameLine = rest.substr(quote);
    } else {
        if (!lines.next(nameLine))
            return;
        depth += bracesOf(nameLine).balance();
    }
    std::string name;
    if (ScanFormat(nameLine, "\"%s\"", &name) == 1)
        material.texture = textureSource().findOrLoadTexture(name, nullptr);
}

void XReader::readMesh()
{
    MeshData mesh;
    const bool keep = readPositions(mesh) && readFaces(mesh);
    readMeshBlocks(mesh, keep);
}

// The number on the next content line; a brace line holds no count and is handed back
// (the count is then 0). False at the end of the text.
bool XReader::readCount(int32_t& count)
{
    count = 0;
    std::string_view line;
    if (!lines.next(line))
        return false;
    if (bracesOf(line).any()) {
        lines.handBack();
        return true;
    }
    size_t pos = 0;
    readInt(line, pos, count);
    return true;
}

bool XReader::readPositions(MeshData& mesh)
{
    int32_t count = 0;
    if (!readCount(count) || count < 0 || count > lines.linesLeft())
        return false;
    std::string_view line;
    for (int32_t i = 0; i < count && lines.next(line); ++i) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        Position p;
        ScanFormat(line, "%f;%f;%f;", &p.x, &p.y, &p.z);
        p.x *= scale.x;
        p.y *= scale.y;
        p.z *= scale.z;
        mesh.positions.push_back(p);
    }
    return true;
}

bool XReader::readFaces(MeshData& mesh)
{
    int32_t count = 0;
    if (!readCount(count) || count < 0 || count > lines.linesLeft())
        return false;
    FaceList& list = mesh.faces;
    const size_t room = std::min(static_cast<size_t>(count), lines.bytesLeft() / kMinFaceLineBytes);
    list.faces.reserve(room);
    list.indices.reserve(3 * room);
    std::string_view line;
    for (int32_t i = 0; i < count && lines.next(line); ++i) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        readFaceLine(line, mesh);
    }
    list.link(mesh.positions);
    return true;
}

// "n;i0,i1,...;": n corners taken from the positions. A face whose indices are missing or
// outside the vertex list keeps no corners and so adds nothing to the mesh.
void XReader::readFaceLine(std::string_view line, MeshData& mesh)
{
    FaceList& list = mesh.faces;
    list.faces.emplace_back();
    size_t pos = 0;
    int32_t cornerCount = 0;
    if (!readInt(line, pos, cornerCount) || cornerCount <= 0)
        return;
    const size_t first = list.indices.size();
    const int64_t vertexCount = static_cast<int64_t>(mesh.positions.size());
    pos = line.find(';');
    for (int32_t k = 0; k < cornerCount && pos != std::string_view::npos; ++k) {
        ++pos;  // past the ';' or ',' before this index
        int32_t index = 0;
        if (!readInt(line, pos, index) || index < 0 || index >= vertexCount)
            break;
        list.indices.push_back(index);
        pos = line.find(',', pos);
    }
    if (list.indices.size() - first != static_cast<size_t>(cornerCount)) {
        list.indices.resize(first);
        ++counts.facesDropped;
        return;
    }
    list.faces.back().vertexCount = cornerCount;
}

// The mesh's sub-blocks up to its own closing line, a line that is exactly "}" outside every
// sub-block. A mesh that is not kept (its counts could not be true) is only passed over.
void XReader::readMeshBlocks(MeshData& mesh, bool keep)
{
    int64_t depth = 0;  // sub-blocks open that this reader passes over
    std::string_view line;
    while (lines.next(line)) {
        if (depth == 0) {
            if (line == "}") {
                if (keep)
                    finishMesh(mesh);
                else
                    ++counts.meshesDropped;
                return;
            }
            if (keep && !mesh.materialsRead && startsWithIgnoringAsciiCase(line, "MeshMaterialList ")) {
                mesh.materialsRead = true;
                readMaterialList(mesh, line);
                continue;
            }
            if (keep && !mesh.normalsRead && startsWithIgnoringAsciiCase(line, "MeshNormals ")) {
                mesh.normalsRead = true;
                readNormals(mesh, line);
                continue;
            }
            if (keep && !mesh.textureCoordsRead && startsWithIgnoringAsciiCase(line, "MeshTextureCoords ")) {
                mesh.textureCoordsRead = true;
                readTextureCoords(mesh, line);
                continue;
            }
        }
        depth = std::max<int64_t>(0, depth + bracesOf(line).balance());
    }
    ++counts.meshesDropped;  // the text ended inside the mesh
}

void XReader::finishMesh(MeshData& mesh)
{
    for (Face& face : mesh.faces.faces) {
        if (face.material == nullptr)
            face.material = &defaultMaterial;
    }
    const int32_t droppedBefore = frames.facesDropped;
    buildMeshesByMaterial(entry, mesh.faces.faces.data(), mesh.faces.count(), 0, nullptr, nullptr, frames);
    counts.facesDropped += frames.facesDropped - droppedBefore;
    ++counts.meshes;
}

// Material count (not needed), face index count, one material number per face, then the
// materials: references "{name}" and materials written in place, numbered from 0.
void XReader::readMaterialList(MeshData& mesh, std::string_view header)
{
    int64_t depth = openDepth(header);
    int32_t ignored = 0;
    if (!readCount(ignored))
        return;
    const std::vector<int32_t> numbers = readFaceMaterialNumbers(mesh.faces.count());

    std::vector<const Material*> listed;
    std::string_view line;
    while (depth > 0 && lines.next(line)) {
        const Braces braces = bracesOf(line);
        std::string name;
        if (braces.balance() < 0)
            depth += braces.balance();  // the list's own closing line
        else if (braces.balance() == 0 && braces.any() && ScanFormat(line, "{%s}", &name) == 1)
            listed.push_back(findMaterial(cleanName(std::move(name))));
        else if (isBlockHeader(line, "Material") && braces.balance() > 0)
            listed.push_back(keepMaterial(line));
        else
            skipBlock(braces.balance());  // neither: passed over with what it encloses
    }
    for (size_t j = 0; j < mesh.faces.faces.size(); ++j) {
        const int32_t number = numbers[j];
        const bool known = number >= 0 && static_cast<size_t>(number) < listed.size();
        mesh.faces.faces[j].material = known ? listed[static_cast<size_t>(number)] : nullptr;
    }
}

// The face index count, then that many numbers, one or more to a line. Faces past the numbers
// written take the last one (a list of one number gives every face that material); -1 when
// there is none.
std::vector<int32_t> XReader::readFaceMaterialNumbers(int32_t faceCount)
{
    std::vector<int32_t> numbers;
    numbers.reserve(static_cast<size_t>(faceCount));
    int32_t declared = 0;
    if (!readCount(declared))
        return std::vector<int32_t>(static_cast<size_t>(faceCount), -1);
    std::string_view line;
    int32_t seen = 0;
    while (seen < declared && lines.next(line)) {
        if (!startsWithNumber(line)) {
            lines.handBack();
            break;
        }
        size_t pos = 0;
        int32_t number = 0;
        while (seen < declared && readInt(line, pos, number)) {
            if (numbers.size() < static_cast<size_t>(faceCount))
                numbers.push_back(number);
            ++seen;
            while (pos < line.size() && line[pos] != ',' && line[pos] != ';')
                ++pos;
            if (pos == line.size())
                break;
            while (pos < line.size() && (line[pos] == ',' || line[pos] == ';'))
                ++pos;
        }
    }
    const int32_t fill = numbers.empty() ? -1 : numbers.back();
    numbers.resize(static_cast<size_t>(faceCount), fill);
    return numbers;
}

// The latest material read under that name; null when none has it.
const Material* XReader::findMaterial(std::string_view name)
{
    const auto found = materialByName.find(std::string(name));
    return found == materialByName.end() ? nullptr : found->second;
}

// Normal count, the normals, the face count (the mesh's own is used), then per face the
// normal number of each corner. Numbers outside the normals leave that corner's normal zero.
void XReader::readNormals(MeshData& mesh, std::string_view header)
{
    const int64_t depth = openDepth(header);
    int32_t count = 0;
    if (!readCount(count) || count < 0 || count > lines.linesLeft()) {
        skipBlock(depth);
        return;
    }
    std::vector<Position> normals;
    std::string_view line;
    for (int32_t i = 0; i < count && lines.next(line); ++i) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        Position n;
        ScanFormat(line, "%f;%f;%f;", &n.x, &n.y, &n.z);
        normals.push_back(n);
    }
    int32_t ignored = 0;
    readCount(ignored);
    for (size_t j = 0; j < mesh.faces.faces.size() && lines.next(line); ++j) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        applyCornerNormals(line, normals, mesh.faces.faces[j]);
    }
    skipBlock(depth);
}

// One coordinate pair per vertex of the mesh (the count the block gives is not needed); each
// corner takes the pair of its vertex.
void XReader::readTextureCoords(MeshData& mesh, std::string_view header)
{
    const int64_t depth = openDepth(header);
    int32_t ignored = 0;
    readCount(ignored);
    std::vector<TexturePair> pairs(mesh.positions.size());
    std::string_view line;
    for (size_t i = 0; i < pairs.size() && lines.next(line); ++i) {
        if (bracesOf(line).any()) {
            lines.handBack();
            break;
        }
        ScanFormat(line, "%f;%f;", &pairs[i].u, &pairs[i].v);
    }
    for (Face& face : mesh.faces.faces) {
        for (int32_t k = 0; k < face.vertexCount; ++k) {
            const TexturePair& pair = pairs[static_cast<size_t>(face.indices[k])];
            face.vertices[k].u = pair.u;
            face.vertices[k].v = pair.v;
        }
    }
    skipBlock(depth);
}

// Reads on until the blocks open at depth are closed (or the text ends).
void XReader::skipBlock(int64_t depth)
{
    std::string_view line;
    while (depth > 0 && lines.next(line))
        depth += bracesOf(line).balance();
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
    LineReader text;
    if (!text.openModelFile(fileName))
        return false;
    const ModelFolderScope textureFolder(text.openedName());
    try {
        XReader reader(entry, text, scale, counts);
        reader.read();
    } catch (const std::bad_alloc&) {
        // A file that describes more than memory holds is one that could not be read.
        entry.materials.clear();
        return false;
    }
    entry.materials.clear();
    return true;
}
