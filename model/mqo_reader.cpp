// The Metasequoia reader: the top level of the document, the material chunk, objects with their
// vertex, BVertex and face chunks, and the hand-over of each object's faces to
// buildObjectMeshes (mqo_meshes.h).
//
// The reader goes line by line and keeps to what it knows. Every count in the file only bounds
// a loop: lists grow as their lines arrive, and a list ends early at its closing brace or at a
// line that cannot belong to it, so a damaged file loses the damaged part and nothing else.
//
// Limits, so that no file makes the reader allocate or work beyond a fixed multiple of its size:
// - the file: at most kMaxModelFileBytes, read in chunks (mqo_lines.h) and never held whole;
//   lines at most kMaxLineBytes (model_text.h);
// - materials: kMaxMaterials kept, later material lines read past;
// - mesh frames: kMaxMeshFrames for the document (build_meshes.h), later faces left out;
// - face corners: kMaxDocumentCorners for the document, mirror copies included, later mirror
//   copies left out (and copies whose vertices could not be numbered as int32);
// - object names: cut to kMaxObjectNameBytes, since every mesh frame of the object holds a copy;
// - a declared count reserves no more entries than the rest of the file could hold lines for,
//   and a binary block is cut to the bytes the file still holds;
// - an object's last face chunk alone is smoothed, once, when the object ends, so that repeated
//   chunks cost no more than their own lines; smoothing itself is bounded per vertex
//   (kMaxSmoothedNormalsPerVertex, smooth_normals.h).
#include "model/mqo_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "base/cp932.h"
#include "model/build_meshes.h"
#include "model/fast_numbers.h"
#include "model/model_text.h"
#include "model/mqo_lines.h"
#include "model/mqo_meshes.h"
#include "model/mqo_mirror.h"
#include "model/object_faces.h"
#include "model/scan_format.h"
#include "model/scene_part_names.h"
#include "model/smooth_normals.h"
#include "model/texture_source.h"

namespace {

constexpr float kDefaultFacetAngle = std::bit_cast<float>(0x3F83EB41u);  // 59.05 degrees
constexpr float kDegreesToRadians = 0.017453292f;                        // pi / 180 as a float
// Material lines past this many are read but not kept: appending walks the whole list, and no
// document needs more materials than it can make mesh frames.
constexpr int32_t kMaxMaterials = kMaxMeshFrames;
static_assert(kMaxMaterials < UINT16_MAX, "a face's material slot, the fallback's included, fits its record");
// Object names longer than this are cut; names the program looks for are a few bytes long.
constexpr std::size_t kMaxObjectNameBytes = 1024;
constexpr std::size_t kBytesPerBinaryVertex = 12;  // x, y, z as little-endian floats
// The corners a document may make, its faces' and their mirror copies' together: as many as
// the largest file could hold itself (a corner takes at least two bytes of a face line), so
// mirroring never makes a model larger than a file without mirrors could.
constexpr int64_t kMaxDocumentCorners = kMaxModelFileBytes / 2;

bool closesChunk(std::string_view line)
{
    return !line.empty() && line.front() == '}';
}

// A line that opens a sub-chunk ends with '{' (trailing white space aside).
bool opensChunk(std::string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && isTextWhiteSpace(line[end - 1]))
        --end;
    return end > 0 && line[end - 1] == '{';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Vertex and face lines start with a number.
bool startsNumber(std::string_view line)
{
    return !line.empty() && (isDigit(line[0]) || line[0] == '-' || line[0] == '+' || line[0] == '.');
}

// An object that lacks its closing brace ends where the next object or the end mark begins.
bool beginsNextPart(std::string_view line)
{
    return startsWithIgnoringAsciiCase(line, "Object ") || startsWithIgnoringAsciiCase(line, "Eof");
}

// Where a face line's lists begin: the first " V(", " M(" and " UV(" (the position of the
// blank before each, as find gives it, npos for one the line lacks), found in one pass over the
// line's opening parentheses.
struct FaceLists {
    std::size_t vertices = std::string_view::npos;
    std::size_t material = std::string_view::npos;
    std::size_t textureCoordinates = std::string_view::npos;
};

FaceLists findFaceLists(std::string_view line)
{
    constexpr std::size_t npos = std::string_view::npos;
    FaceLists at;
    for (std::size_t j = line.find('('); j != npos; j = line.find('(', j + 1)) {
        if (j >= 2 && line[j - 2] == ' ' && line[j - 1] == 'V' && at.vertices == npos)
            at.vertices = j - 2;
        else if (j >= 2 && line[j - 2] == ' ' && line[j - 1] == 'M' && at.material == npos)
            at.material = j - 2;
        else if (j >= 3 && line.substr(j - 3, 3) == " UV" && at.textureCoordinates == npos)
            at.textureCoordinates = j - 3;
    }
    return at;
}

// A vertex line of three plain numbers apart by blanks (scanPlainFloat), read as
// ScanFormat(line, "%f %f %f") reads it; false for any other line.
bool readPlainPosition(std::string_view line, float& x, float& y, float& z)
{
    std::size_t pos = 0;
    float* values[3] = {&x, &y, &z};
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            const std::size_t start = pos;
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
                ++pos;
            if (pos == start)
                return false;
        }
        if (!scanPlainFloat(line, pos, *values[k]))
            return false;
    }
    return true;
}

bool isKeyCharacter(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

void skipBlanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

// The name cut to kMaxObjectNameBytes at a character boundary.
std::string cutName(std::string name)
{
    if (name.size() <= kMaxObjectNameBytes)
        return name;
    std::size_t end = 0;
    while (end < name.size()) {
        const std::size_t next = end + cp932CharLength(name, end);
        if (next > kMaxObjectNameBytes)
            break;
        end = next;
    }
    name.resize(end);
    return name;
}

Material whiteMaterial()
{
    Material m;
    m.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

float littleEndianFloat(const char* bytes)
{
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return std::bit_cast<float>(bits);
}

// The fields of a material line, with the values Metasequoia writes for a new material where
// the line leaves one out.
struct MaterialFields {
    std::string name;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float dif = 0.8f, amb = 0.6f, emi = 0.0f, spc = 0.0f, power = 5.0f;
    std::string tex, aplane;

    void set(std::string_view key, std::string_view numbers, std::string_view quoted)
    {
        std::size_t pos = 0;
        if (key == "col") {
            for (float& c : colour)
                c = scanFloat(numbers, pos);
        } else if (key == "dif") {
            dif = scanFloat(numbers, pos);
        } else if (key == "amb") {
            amb = scanFloat(numbers, pos);
        } else if (key == "emi") {
            emi = scanFloat(numbers, pos);
        } else if (key == "spc") {
            spc = scanFloat(numbers, pos);
        } else if (key == "power") {
            power = scanFloat(numbers, pos);
        } else if (key == "tex") {
            tex.assign(quoted);
        } else if (key == "aplane") {
            aplane.assign(quoted);
        }
    }
};

// Reads one "key(...)" entry at line[pos]; false when none starts there (pos then stays, or
// moves past a key without arguments). Quoted arguments may hold any byte but '"',
// parentheses included.
bool readMaterialEntry(std::string_view line, std::size_t& pos, MaterialFields& fields)
{
    const std::size_t keyStart = pos;
    while (pos < line.size() && isKeyCharacter(line[pos]))
        ++pos;
    const std::string_view key = line.substr(keyStart, pos - keyStart);
    if (key.empty() || pos >= line.size() || line[pos] != '(')
        return false;
    ++pos;
    std::size_t inside = pos;
    skipBlanks(line, inside);
    std::string_view quoted;
    if (inside < line.size() && line[inside] == '"') {
        std::size_t start = inside + 1;
        skipBlanks(line, start);
        const std::size_t close = std::min(line.find('"', start), line.size());
        quoted = line.substr(start, close - start);
        pos = std::min(close + 1, line.size());
    }
    const std::size_t end = std::min(line.find(')', pos), line.size());
    fields.set(key, line.substr(pos, end - pos), quoted);
    pos = std::min(end + 1, line.size());
    return true;
}

class MqoReader {
public:
    MqoReader(ModelEntry& entry, MqoLines& lines, const Vector3& scale, MqoReadCounts& counts)
        : entry_(entry), lines_(lines), axisScale_(-scale.x, scale.y, scale.z), counts_(counts)
    {}

    void read()
    {
        entry_.materials.clear();
        std::string_view line;
        while (lines_.readContentLine(line)) {
            if (startsWithIgnoringAsciiCase(line, "Material "))
                readMaterialChunk(line);
            else if (startsWithIgnoringAsciiCase(line, "Object "))
                readObject(line);
            else if (startsWithIgnoringAsciiCase(line, "CodePage "))
                readCodePage(line);
            else if (startsWithIgnoringAsciiCase(line, "Vector "))
                readVectorBlock(line, false);  // the binary block of a skipped object
            // The scene chunk, the header, "Eof" and every other chunk are passed over.
        }
        entry_.materials.clear();
    }

private:
    // The object's faces and their mirror copies, smoothed (or flat), as mesh frames under the
    // root (made for every object, even one without faces), while the document has frames left.
    void buildMeshes(const std::string& name)
    {
        const std::vector<ObjectPoint>& positions = facePositions();
        const ObjectMeshSource source{
            positions, materials_, &fallback_, flatShading_, addMirrorCopies(positions), name.c_str()};
        const int32_t droppedBefore = frames_.facesDropped;
        buildObjectMeshes(entry_, faces_, source, frames_);
        counts_.facesDropped += frames_.facesDropped - droppedBefore;
        counts_.meshFrames = frames_.framesMade();
    }

    // The positions the object's faces name: its own, unless they were replaced after the faces.
    const std::vector<ObjectPoint>& facePositions() const
    {
        return faces_.ownPositions.empty() ? positions_ : faces_.ownPositions;
    }

    // The object's positions are about to be replaced: faces read before keep the old ones.
    void keepFacePositions()
    {
        if (!faces_.faces.empty() && faces_.ownPositions.empty())
            faces_.ownPositions = std::move(positions_);
        positions_.clear();
    }

    // Appends the object's mirror copies, each while the document's corner budget holds one
    // more (copies that do not fit are left out and counted); returns the number of vertices
    // smoothing is to tell apart.
    int32_t addMirrorCopies(const std::vector<ObjectPoint>& positions)
    {
        const int32_t fileFaces = faces_.count();
        const auto fileCorners = static_cast<int64_t>(faces_.indices.size());
        cornersLeft_ -= fileCorners;
        const std::vector<int32_t> masks = mirrorReflections(objectMirror_);
        const int64_t vertices = mirroredVertexCount(faces_.vertexCount, objectMirror_);
        if (masks.empty() || fileCorners == 0)
            return faces_.vertexCount;
        const auto wanted = static_cast<int64_t>(masks.size());
        const int64_t copies =
            vertices > INT32_MAX ? 0 : std::clamp<int64_t>(cornersLeft_ / fileCorners, 0, wanted);
        counts_.facesDropped += static_cast<int32_t>((wanted - copies) * fileFaces);
        if (copies == 0)
            return faces_.vertexCount;
        const auto total = static_cast<std::size_t>(copies + 1);
        faces_.faces.reserve(total * faces_.faces.size());
        faces_.uvs.reserve(total * faces_.uvs.size());
        faces_.indices.reserve(total * faces_.indices.size());
        for (int64_t c = 0; c < copies; ++c)
            appendReflection(faces_, positions, fileFaces, objectMirror_, masks[static_cast<std::size_t>(c)]);
        cornersLeft_ -= copies * fileCorners;
        return static_cast<int32_t>(vertices);
    }

    // Names in the file as code page 932 bytes.
    std::string nameText(std::string_view raw) const
    {
        return utf8Names_ ? utf8ToCp932(raw) : std::string(raw);
    }

    void readCodePage(std::string_view line)
    {
        std::size_t pos = 9;
        skipBlanks(line, pos);
        std::size_t end = pos;
        while (end < line.size() && !isTextWhiteSpace(line[end]))
            ++end;
        const std::string_view page = line.substr(pos, end - pos);
        utf8Names_ = equalsIgnoringAsciiCase(page, "utf8") || equalsIgnoringAsciiCase(page, "utf-8");
    }

    void readMaterialChunk(std::string_view header)
    {
        int32_t count = 0;
        ScanFormat(header, "Material %d {", &count);
        std::string_view line;
        for (int32_t k = 0; k < count; ++k) {
            if (!lines_.readContentLine(line) || closesChunk(line))
                return;
            if (beginsNextPart(line) || startsWithIgnoringAsciiCase(line, "Material ")) {
                lines_.unread();
                return;
            }
            if (materialCount_ < kMaxMaterials) {
                entry_.materials.append(parseMaterial(line));
                ++materialCount_;
                materialsChanged_ = true;
            }
        }
        consumeClosingBrace();
    }

    NamedMaterial parseMaterial(std::string_view line) const
    {
        MaterialFields fields;
        std::size_t pos = 0;
        if (!line.empty() && line[0] == '"') {
            std::size_t start = 1;
            skipBlanks(line, start);
            const std::size_t close = std::min(line.find('"', start), line.size());
            fields.name.assign(line.substr(start, close - start));
            pos = std::min(close + 1, line.size());
        }
        while (pos < line.size()) {
            skipBlanks(line, pos);
            const std::size_t before = pos;
            readMaterialEntry(line, pos, fields);
            if (pos == before)
                ++pos;
        }

        NamedMaterial named;
        named.name = nameText(fields.name);
        Material& m = named.material;
        const float* c = fields.colour;
        // dif scales the colour only: the fourth value of col is the material's opacity as the
        // author set it (dif is 0.8 by default, and 0 for purely emissive materials).
        m.diffuse = {c[0] * fields.dif, c[1] * fields.dif, c[2] * fields.dif, c[3]};
        m.ambient = {c[0] * fields.amb, c[1] * fields.amb, c[2] * fields.amb, c[3] * fields.amb};
        m.specular = {c[0] * fields.spc, c[1] * fields.spc, c[2] * fields.spc, 0.0f};
        m.emissive = {c[0] * fields.emi, c[1] * fields.emi, c[2] * fields.emi, 0.0f};
        m.power = fields.power;
        if (!fields.tex.empty()) {
            const std::string alphaPlane = nameText(fields.aplane);
            m.texture = textureSource().findOrLoadTexture(nameText(fields.tex),
                                                          alphaPlane.empty() ? nullptr : &alphaPlane);
        }
        return named;
    }

    void readObject(std::string_view header)
    {
        std::string rawName;
        ScanFormat(header, "Object \"%s\" {", &rawName);
        const std::string name = cutName(nameText(rawName));
        if (startsWithIgnoringAsciiCase(name, "bone") || startsWithIgnoringAsciiCase(name, "anchor")) {
            ++counts_.objectsSkipped;
            return;  // its lines are passed over at the top level
        }
        beginObject();
        int32_t depth = 0;  // sub-chunks open inside the object
        std::string_view line;
        for (;;) {
            if (!lines_.readContentLine(line) || (depth == 0 && line == "}"))
                break;
            if (beginsNextPart(line)) {
                lines_.unread();
                break;
            }
            depth = depth == 0 ? readObjectLine(line) : readNestedLine(line, depth);
        }
        // A hidden object is left out, unless the scene drives it: the scene decides how the
        // glasses' parts show.
        if (hidden_ && !isScenePartName(name)) {
            ++counts_.objectsHidden;
        } else {
            buildMeshes(name);
            ++counts_.objects;
        }
        // The next object starts afresh: what this one held is given back.
        positions_ = {};
        faces_ = {};
    }

    void beginObject()
    {
        if (entry_.materials.next == nullptr) {
            entry_.materials.append(NamedMaterial{"", whiteMaterial()});
            materialsChanged_ = true;
        }
        if (materialsChanged_) {
            materials_.clear();
            for (MaterialList* node = entry_.materials.next; node != nullptr; node = node->next)
                materials_.push_back(&node->payload.material);
            materialsChanged_ = false;
        }
        facetAngle_ = kDefaultFacetAngle;
        hidden_ = false;
        flatShading_ = false;
        objectMirror_ = ObjectMirror();
        positions_.clear();
        faces_.clear();
        binaryPending_ = false;
    }

    // One line directly inside the object; returns the sub-chunk depth after it.
    int32_t readObjectLine(std::string_view line)
    {
        if (startsWithIgnoringAsciiCase(line, "facet ")) {
            facetAngle_ = narrowToFloat(textToDouble(line.substr(6)) * kDegreesToRadians);
        } else if (startsWithIgnoringAsciiCase(line, "visible ")) {
            hidden_ = textToInt(line.substr(8)) == 0;
        } else if (startsWithIgnoringAsciiCase(line, "shading ")) {
            flatShading_ = textToInt(line.substr(8)) == 0;
        } else if (startsWithIgnoringAsciiCase(line, "mirror")) {
            readMirrorLine(line);
        } else if (startsWithIgnoringAsciiCase(line, "vertex ")) {
            readVertexChunk(line);
        } else if (startsWithIgnoringAsciiCase(line, "face ")) {
            readFaceChunk(line);
        } else if (startsWithIgnoringAsciiCase(line, "BVertex ")) {
            binaryPending_ = true;
            return opensChunk(line) ? 1 : 0;
        } else if (startsWithIgnoringAsciiCase(line, "Vector ")) {
            readVectorBlock(line, binaryPending_);
            binaryPending_ = false;
        } else if (opensChunk(line)) {
            return 1;
        }
        // locking, color, depth, scale, rotation, translation and every other attribute: ignored.
        return 0;
    }

    // "mirror 1" (separate) or "mirror 2" (connected), "mirror_axis" bits and "mirror_dis".
    void readMirrorLine(std::string_view line)
    {
        if (startsWithIgnoringAsciiCase(line, "mirror ")) {
            const int32_t mode = textToInt(line.substr(7));
            objectMirror_.mode = mode == 1   ? ObjectMirror::Mode::separate
                                 : mode == 2 ? ObjectMirror::Mode::connected
                                             : ObjectMirror::Mode::none;
        } else if (startsWithIgnoringAsciiCase(line, "mirror_axis ")) {
            objectMirror_.axes = textToInt(line.substr(12)) & kMirrorAllAxes;
        } else if (startsWithIgnoringAsciiCase(line, "mirror_dis ")) {
            // The distance is in the file's units; positions are scaled by now.
            const float distance = narrowToFloat(textToDouble(line.substr(11)));
            objectMirror_.planeDistance.set(distance * std::fabs(axisScale_.x),
                                            distance * std::fabs(axisScale_.y),
                                            distance * std::fabs(axisScale_.z));
        }
    }

    // One line inside a sub-chunk of the object: only nesting and binary blocks matter there.
    int32_t readNestedLine(std::string_view line, int32_t depth)
    {
        if (closesChunk(line)) {
            if (depth == 1)
                binaryPending_ = false;
            return depth - 1;
        }
        if (startsWithIgnoringAsciiCase(line, "Vector ")) {
            readVectorBlock(line, binaryPending_ && depth == 1);
            binaryPending_ = false;
        } else if (opensChunk(line)) {
            return depth + 1;
        }
        return depth;
    }

    // "Vector N [B]" and the B raw bytes after its line: N positions as little-endian floats
    // x, y, z, taken as the object's positions when takePositions is set.
    void readVectorBlock(std::string_view line, bool takePositions)
    {
        int32_t count = 0;
        int32_t bytes = 0;
        if (ScanFormat(line, "Vector %d [%d]", &count, &bytes) != 2 || bytes <= 0)
            return;
        const std::size_t length = std::min(static_cast<std::size_t>(bytes), lines_.remaining());
        if (!takePositions) {
            lines_.readBytes(nullptr, length);
            return;
        }
        const std::size_t n =
            std::min(static_cast<std::size_t>(std::max(count, 0)), length / kBytesPerBinaryVertex);
        keepFacePositions();
        positions_.reserve(n);
        char v[kBytesPerBinaryVertex];
        std::size_t taken = 0;
        for (; taken < n && lines_.readBytes(v, sizeof v) == sizeof v; ++taken) {
            positions_.push_back(
                scaledPosition(littleEndianFloat(v), littleEndianFloat(v + 4), littleEndianFloat(v + 8)));
        }
        lines_.readBytes(nullptr, length - taken * kBytesPerBinaryVertex);
    }

    // A position of the file in model space: the caller's size applied, X mirrored.
    ObjectPoint scaledPosition(float x, float y, float z) const
    {
        return {x * axisScale_.x, y * axisScale_.y, z * axisScale_.z};
    }

    void readVertexChunk(std::string_view header)
    {
        int32_t count = 0;
        ScanFormat(header, "vertex %d {", &count);
        keepFacePositions();
        // Each vertex line takes at least two bytes; a larger count cannot be in the file.
        positions_.reserve(std::min(static_cast<std::size_t>(std::max(count, 0)), lines_.remaining() / 2));
        std::string_view line;
        for (int32_t k = 0; k < count; ++k) {
            if (!lines_.readContentLine(line) || closesChunk(line))
                return;
            if (!startsNumber(line)) {
                lines_.unread();
                return;
            }
            float x = 0.0f, y = 0.0f, z = 0.0f;
            if (!readPlainPosition(line, x, y, z))
                ScanFormat(line, "%f %f %f", &x, &y, &z);
            positions_.push_back(scaledPosition(x, y, z));
        }
        consumeClosingBrace();
    }

    void readFaceChunk(std::string_view header)
    {
        int32_t count = 0;
        ScanFormat(header, "face %d {", &count);
        faces_.clear();
        // A face line takes at least seven bytes ("1 V(0)" and its line feed), and each
        // corner at least two; room for four corners a face (quadrilaterals, or triangles with
        // room to spare) saves growing the corner arrays as they fill.
        const std::size_t room =
            std::min(static_cast<std::size_t>(std::max(count, 0)), lines_.remaining() / 7);
        const std::size_t cornerRoom = std::min(4 * room, lines_.remaining() / 2);
        faces_.faces.reserve(room);
        faces_.uvs.reserve(cornerRoom);
        faces_.indices.reserve(cornerRoom);
        std::string_view line;
        bool closed = false;
        for (int32_t k = 0; k < count; ++k) {
            if (!lines_.readContentLine(line))
                break;
            if (closesChunk(line)) {
                closed = true;
                break;
            }
            if (!startsNumber(line)) {
                lines_.unread();
                closed = true;  // the list broke off; its closing brace is not there to take
                break;
            }
            if (!readFace(line))
                ++counts_.facesDropped;
        }
        if (!closed)
            consumeClosingBrace();
        faces_.vertexCount = static_cast<int32_t>(positions_.size());
        faces_.facetAngle = facetAngle_;
    }

    // One face line; false when it is left out.
    bool readFace(std::string_view line)
    {
        std::size_t start = 0;
        const int32_t n = scanIntFast(line, start);
        const FaceLists lists = findFaceLists(line);
        if (n < 1 || lists.vertices == std::string_view::npos)
            return false;
        const std::size_t first = faces_.indices.size();
        if (!readCornerIndices(line, lists.vertices + 3, n)) {
            faces_.indices.resize(first);
            return false;
        }
        ObjectFace face;
        face.firstCorner = static_cast<uint32_t>(first);
        face.cornerCount = n;
        face.slot = static_cast<uint16_t>(faceMaterialSlot(line, lists.material));
        faces_.uvs.resize(first + static_cast<std::size_t>(n));
        readTextureCoordinates(line, lists.textureCoordinates, first, n);
        if (n >= 3) {
            const int32_t* c = faces_.indices.data() + first;
            const Vector3 p0 = vertexAt(c[0]), p1 = vertexAt(c[1]), p2 = vertexAt(c[2]);
            const Vector3 normal = normalizedOrZero(p0.triangleNormal(p1, p2));
            face.nx = normal.x;
            face.ny = normal.y;
            face.nz = normal.z;
        }
        faces_.faces.push_back(face);
        return true;
    }

    Vector3 vertexAt(int32_t index) const
    {
        const ObjectPoint& p = positions_[static_cast<std::size_t>(index)];
        return {p.x, p.y, p.z};
    }

    // n vertex numbers of the V( list as new corners; false when the list holds fewer or
    // names a vertex the object does not have.
    bool readCornerIndices(std::string_view line, std::size_t pos, int32_t n)
    {
        for (int32_t k = 0; k < n; ++k) {
            skipBlanks(line, pos);
            if (pos >= line.size())
                return false;
            const bool signedDigit =
                (line[pos] == '-' || line[pos] == '+') && pos + 1 < line.size() && isDigit(line[pos + 1]);
            if (!isDigit(line[pos]) && !signedDigit)
                return false;
            const int32_t index = scanIntFast(line, pos);
            if (index < 0 || static_cast<std::size_t>(index) >= positions_.size())
                return false;
            faces_.indices.push_back(index);
        }
        return true;
    }

    // The slot of the face's material: the number given by its M( list (at: where " M(" stands),
    // the last material without one, and the fallback's slot (after the list) for a number the
    // list does not hold.
    std::size_t faceMaterialSlot(std::string_view line, std::size_t at) const
    {
        if (at == std::string_view::npos)
            return materials_.size() - 1;
        std::size_t pos = at + 3;
        const int32_t number = scanIntFast(line, pos);
        if (number < 0 || static_cast<std::size_t>(number) >= materials_.size())
            return materials_.size();
        return static_cast<std::size_t>(number);
    }

    // The pairs of the UV( list (at: where " UV(" stands) into the corners from first on; pairs
    // it lacks stay zero.
    void readTextureCoordinates(std::string_view line, std::size_t at, std::size_t first, int32_t n)
    {
        if (at == std::string_view::npos)
            return;
        std::size_t pos = at + 4;
        for (int32_t k = 0; k < 2 * n; ++k) {
            skipBlanks(line, pos);
            if (pos >= line.size() || !startsNumber(line.substr(pos)))
                return;
            TexturePoint& corner = faces_.uvs[first + static_cast<std::size_t>(k / 2)];
            (k % 2 == 0 ? corner.u : corner.v) = scanFloatFast(line, pos);
        }
    }

    // Takes the next line when it is a closing brace, and leaves any other line to be read.
    void consumeClosingBrace()
    {
        std::string_view line;
        if (lines_.readContentLine(line) && !closesChunk(line))
            lines_.unread();
    }

    ModelEntry& entry_;
    MqoLines& lines_;
    Vector3 axisScale_;  // the caller's scale with X negated
    MqoReadCounts& counts_;
    FrameBudget frames_;                         // mesh frames the document may still make
    int64_t cornersLeft_ = kMaxDocumentCorners;  // face corners the document may still make
    bool utf8Names_ = false;                     // "CodePage utf8": names are UTF-8 in the file
    const Material fallback_ = whiteMaterial();  // for M( numbers outside the list
    // The object being read.
    std::vector<const Material*> materials_;  // entry.materials by number
    bool materialsChanged_ = true;            // materials_ must be made again
    int32_t materialCount_ = 0;               // materials appended from the file
    float facetAngle_ = kDefaultFacetAngle;   // radians
    bool hidden_ = false;                     // "visible 0"
    bool flatShading_ = false;                // "shading 0": corners keep their face's normal
    ObjectMirror objectMirror_;
    std::vector<ObjectPoint> positions_;  // scaled and mirrored
    ObjectFaces faces_;
    bool binaryPending_ = false;  // a BVertex chunk began; its Vector block gives the positions
};

bool readLines(ModelEntry& entry, MqoLines& lines, const Vector3& scale, MqoReadCounts& counts)
{
    try {
        MqoReader reader(entry, lines, scale, counts);
        reader.read();
        return lines.intact();
    } catch (const std::bad_alloc&) {
        // A file that describes more than memory holds is one that could not be read.
        entry.materials.clear();
        return false;
    }
}

}  // namespace

bool readMetasequoiaText(ModelEntry& entry, std::string text, const Vector3& scale, MqoReadCounts& counts)
{
    MqoLines lines(std::move(text));
    return readLines(entry, lines, scale, counts);
}

bool readMetasequoia(ModelEntry& entry, const std::string& fileName, const Vector3& scale,
                     MqoReadCounts& counts)
{
    entry.materials.clear();
    MqoLines lines;
    if (!lines.openModelFile(fileName))
        return false;
    const ModelFolderScope textureFolder(lines.openedName());
    return readLines(entry, lines, scale, counts);
}

bool readMetasequoia(ModelEntry& entry, const std::string& fileName, const Vector3& scale)
{
    MqoReadCounts counts;
    return readMetasequoia(entry, fileName, scale, counts);
}
