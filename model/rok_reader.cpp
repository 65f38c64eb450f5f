// The .rok reader: lines, the sections, edge chains turned into corners, the palettes, and the
// build of the mesh frames from the faces sorted by colour and group.
#include "model/rok_reader.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "base/files.h"
#include "model/build_meshes.h"
#include "model/rok_batch.h"
#include "model/rok_limits.h"
#include "model/rok_lines.h"

namespace {

// Keywords, each compared with a whole line.
constexpr std::string_view kHeaderKeyword = "ROKU4";
constexpr std::string_view kPointKeyword = "POINT";
constexpr std::string_view kEdgeKeyword = "LINE0";
constexpr std::string_view kFaceKeyword = "FACE0";
constexpr std::string_view kPaletteKeyword = "PALC0";

constexpr int kHeaderLines = 14;         // after "ROKU4", all skipped
constexpr int kPointSkippedLines = 5;    // per point: 5 skipped (the first one read), then x, y, z
constexpr int kEdgeSkippedLines = 1;     // per edge: first point, second point, group, 1 skipped
constexpr int kPaletteHeadLines = 2;     // after "PALC0", skipped
constexpr int kPaletteChannels = 6;      // per colour: red, green, blue, emissive r, g, b,
constexpr int kPaletteSkippedLines = 1;  // then 1 skipped

// The colours used when the file has no palette, as the device's 0xAARRGGBB words.
struct BuiltinColour {
    uint32_t diffuse;  // also the ambient colour
    uint32_t emissive;
};

constexpr BuiltinColour kBuiltinPalette[] = {
    {0xFFE9E9E9u, 0x00696969u}, {0xFF90FFFFu, 0x00107F7Fu}, {0xFF9090FFu, 0x0010107Fu},
    {0xFFFFAEAEu, 0x007F2E2Eu}, {0xFF90FF90u, 0x00107F10u}, {0xFFFFFF5Bu, 0x007F7F00u},
    {0xFFFFE8D9u, 0x00C06030u}, {0xFFC65D35u, 0x00260B00u}, {0xFFFFFFFFu, 0x00FFFFFFu},
    {0xFF000000u, 0x00000000u}, {0xFFE7BB96u, 0x00E7BB96u}, {0xFFFF1212u, 0x00C00000u},
    {0xFFF8F8F8u, 0x00B9B9B9u},
};

// A line ends a section when its first byte, taken as signed, is above 32: a printable ASCII
// character. Empty lines and lines starting with white space or a byte of 128 and above hold
// data.
bool endsSection(std::string_view line)
{
    return !line.empty() && static_cast<signed char>(line[0]) > 32;
}

bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

size_t skipSpace(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    return i;
}

// atoi's reading: white space, a sign, decimal digits, anything after them ignored; 0 when
// there are no digits. Values beyond the int32 range read as its nearest end.
int32_t parseInt(std::string_view text)
{
    size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr int64_t kCap = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kCap);
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// atof's reading in every locale: white space, a sign, then a decimal number with optional
// point and exponent ("inf" and "nan" too); 0 when no number starts there. False when the
// number is no finite float (a point with such a coordinate is unusable).
bool parseCoordinate(std::string_view text, float& value)
{
    value = 0.0f;
    size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return true;  // a second sign: no number
    double number = 0.0;
    const std::errc error = std::from_chars(text.data() + i, text.data() + text.size(), number).ec;
    if (error == std::errc::invalid_argument)
        return true;
    // Out of range covers numbers beyond a double in either direction; both are refused.
    if (error != std::errc() || !std::isfinite(number) || std::fabs(number) > FLT_MAX)
        return false;
    value = static_cast<float>(negative ? -number : number);
    return true;
}

// A channel of a read palette colour: 0 to 255 in the file, 0 to 1 in the material.
float paletteChannel(std::string_view line)
{
    return static_cast<float>(std::clamp(parseInt(line), 0, 255)) / 255.0f;
}

ColourValue colourFromWord(uint32_t word)
{
    const auto channel = [word](int shift) { return static_cast<float>((word >> shift) & 0xFFu) / 255.0f; };
    return ColourValue{channel(16), channel(8), channel(0), channel(24)};
}

Vector3 positionOf(const RokPoint& point)
{
    return Vector3(point.x, point.y, point.z);
}

// Ten bytes, not twelve: a model has more edges than faces, all held while its faces are read.
#pragma pack(push, 2)
struct RokEdge {
    int32_t first = -1;  // point numbers from 0; -1 when the file's number is not a point's
    int32_t second = -1;
    uint16_t group = 0;  // the file's group number as an unsigned 16-bit value
};
#pragma pack(pop)

class RokReader {
public:
    RokReader(ModelEntry& entry_, RokLines& lines_, const Vector3& scale)
        : entry(entry_), lines(lines_), pointScale(-scale.x, -scale.y, -scale.z)
    {}

    void readSections();
    void build();

private:
    bool nextLine(std::string_view& line) { return lines.next(line); }
    bool skipLines(int64_t count);
    bool readPoints(std::string_view& line);
    bool readEdges(std::string_view& line);
    bool readFaces(std::string_view& line);
    bool readFaceEdges(int32_t cornerCount, int32_t colour);
    bool readEdge(std::string_view line, RokEdge& edge) const;
    bool cornersUsable(size_t first) const;
    void addFace(int32_t colour, uint16_t group, size_t first);
    void readPalette();
    void appendBuiltinPalette();
    Frame* batchParent(int64_t group);

    ModelEntry& entry;
    RokLines& lines;
    Vector3 pointScale;                               // (-sx, -sy, -sz)
    RokRecords records;                               // what the sections hold, for the build
    std::vector<RokPoint>& points = records.points;   // in file order, numbered from 0
    std::vector<int32_t>& corners = records.corners;  // the faces' corner point numbers, face after face
    std::vector<RokFace>& faces = records.faces;      // in file order
    std::deque<RokEdge> edges;                        // in file order, numbered from 0; grows
                                                      // block by block, never copied
    FrameBudget frames;                               // group and mesh frames the model may still make
    int64_t lastGroup = -1;                           // group of the last group frame made
    Frame* lastGroupFrame = nullptr;
};

bool RokReader::skipLines(int64_t count)
{
    std::string_view line;
    for (int64_t i = 0; i < count; ++i) {
        if (!nextLine(line))
            return false;
    }
    return true;
}

// The sections in their fixed order, each at most once; anything else ends the reading.
void RokReader::readSections()
{
    std::string_view line;
    bool more = nextLine(line);
    if (more && line == kHeaderKeyword)
        more = skipLines(kHeaderLines) && nextLine(line);
    if (more && line == kPointKeyword)
        more = readPoints(line);
    if (more && line == kEdgeKeyword)
        more = readEdges(line);
    if (more && line == kFaceKeyword)
        more = readFaces(line);
    std::deque<RokEdge>().swap(edges);  // faces hold their corners' points; edges are done
    if (more && line == kPaletteKeyword)
        readPalette();
    else
        appendBuiltinPalette();
}

// Point records until a section-ending line, which is left in `line`; false when the text
// ends first (an unfinished record is dropped).
bool RokReader::readPoints(std::string_view& line)
{
    for (;;) {
        if (!nextLine(line))
            return false;
        if (endsSection(line))
            return true;
        if (!skipLines(kPointSkippedLines - 1))
            return false;
        RokPoint point;
        bool readAll = true;
        for (float* coordinate : {&point.x, &point.y, &point.z}) {
            std::string_view value;
            if (!nextLine(value))
                return false;
            readAll = parseCoordinate(value, *coordinate) && readAll;
        }
        point.x *= pointScale.x;
        point.y *= pointScale.y;
        point.z *= pointScale.z;
        if (!readAll || !isFinite(positionOf(point)))
            point.x = std::numeric_limits<float>::quiet_NaN();
        points.push_back(point);
    }
}

// A point number of the file (from 1) as an index from 0; -1 when it cannot name a point.
int32_t pointIndex(std::string_view line)
{
    const int64_t index = int64_t{parseInt(line)} - 1;
    return index < 0 ? -1 : static_cast<int32_t>(index);
}

bool RokReader::readEdges(std::string_view& line)
{
    for (;;) {
        if (!nextLine(line))
            return false;
        if (endsSection(line))
            return true;
        RokEdge edge;
        edge.first = pointIndex(line);
        std::string_view value;
        if (!nextLine(value))
            return false;
        edge.second = pointIndex(value);
        if (!nextLine(value))
            return false;
        edge.group = static_cast<uint16_t>(parseInt(value));
        if (!skipLines(kEdgeSkippedLines))
            return false;
        edges.push_back(edge);
    }
}

// Face records until a section-ending line (the file has "END00" there); the line after it is
// left in `line` as the next keyword.
bool RokReader::readFaces(std::string_view& line)
{
    for (;;) {
        if (!nextLine(line))
            return false;
        if (endsSection(line))
            return nextLine(line);
        const int32_t cornerCount = parseInt(line);
        std::string_view value;
        if (!nextLine(value))
            return false;
        const int32_t colour = parseInt(value);
        if (!skipLines(1) || !readFaceEdges(cornerCount, colour))
            return false;
    }
}

// The edge an edge line names (numbered from 1 in the file); false when there is none.
bool RokReader::readEdge(std::string_view line, RokEdge& edge) const
{
    const int64_t number = int64_t{parseInt(line)} - 1;
    if (number < 0 || static_cast<uint64_t>(number) >= edges.size()) {
        edge = RokEdge{};
        return false;
    }
    edge = edges[static_cast<size_t>(number)];
    return true;
}

// Reads a face's edge lines and keeps the face when every edge and corner exists. Each corner
// is the endpoint of edge i that edge i + 1 does not share; the last corner is the endpoint of
// the last edge that is not the first corner. False when the text ends inside the record.
bool RokReader::readFaceEdges(int32_t cornerCount, int32_t colour)
{
    if (cornerCount <= 0)
        return true;
    // Every line takes at least one byte, so a count above the bytes left cannot be met; it
    // is refused before any corner is kept.
    if (static_cast<uint64_t>(cornerCount) > lines.bytesLeft())
        return false;
    if (cornerCount < 2 || cornerCount > kRokMaxFaceCorners)
        return skipLines(cornerCount);

    const size_t first = corners.size();
    std::string_view line;
    if (!nextLine(line))
        return false;
    RokEdge previous;
    bool intact = readEdge(line, previous);
    const uint16_t group = previous.group;
    for (int32_t i = 0; i + 1 < cornerCount; ++i) {
        if (!nextLine(line)) {
            corners.resize(first);
            return false;
        }
        RokEdge edge;
        intact = readEdge(line, edge) && intact;
        const bool shared = previous.first == edge.first || previous.first == edge.second;
        corners.push_back(shared ? previous.second : previous.first);
        previous = edge;
    }
    corners.push_back(previous.first == corners[first] ? previous.second : previous.first);
    // A colour past the palette's most entries has none, so its faces are never drawn.
    const bool coloured = colour >= 0 && colour < kRokMaxPaletteEntries;
    if (intact && coloured && cornersUsable(first))
        addFace(colour, group, first);
    else
        corners.resize(first);
    return true;
}

bool RokReader::cornersUsable(size_t first) const
{
    for (size_t i = first; i < corners.size(); ++i) {
        const int32_t point = corners[i];
        if (point < 0 || static_cast<size_t>(point) >= points.size() ||
            !points[static_cast<size_t>(point)].usable())
            return false;
    }
    return true;
}

// Keeps the face whose corners start at `first`.
void RokReader::addFace(int32_t colour, uint16_t group, size_t first)
{
    RokFace face;
    face.colour = static_cast<uint16_t>(colour);
    face.group = group;
    face.firstCorner = static_cast<uint32_t>(first);
    face.cornerCount = static_cast<int32_t>(corners.size() - first);
    faces.push_back(face);
}

// The palette: two skipped lines, then colour records until a section-ending line (the file
// has "ENDP0" there).
void RokReader::readPalette()
{
    if (!skipLines(kPaletteHeadLines))
        return;
    int32_t kept = 0;
    std::string_view line;
    for (;;) {
        if (!nextLine(line) || endsSection(line))
            return;
        float channel[kPaletteChannels];
        channel[0] = paletteChannel(line);
        for (int i = 1; i < kPaletteChannels; ++i) {
            if (!nextLine(line))
                return;
            channel[i] = paletteChannel(line);
        }
        if (!skipLines(kPaletteSkippedLines))
            return;
        if (kept == kRokMaxPaletteEntries)
            continue;
        NamedMaterial entryMaterial;
        Material& m = entryMaterial.material;
        m.diffuse = {channel[0], channel[1], channel[2], 1.0f};
        m.ambient = m.diffuse;
        m.emissive = {channel[3], channel[4], channel[5], 0.0f};
        entry.materials.append(std::move(entryMaterial));
        ++kept;
    }
}

void RokReader::appendBuiltinPalette()
{
    for (const BuiltinColour& colour : kBuiltinPalette) {
        NamedMaterial entryMaterial;
        entryMaterial.material.diffuse = colourFromWord(colour.diffuse);
        entryMaterial.material.ambient = entryMaterial.material.diffuse;
        entryMaterial.material.emissive = colourFromWord(colour.emissive);
        entry.materials.append(std::move(entryMaterial));
    }
}

// Faces whose colour has a palette entry, sorted by key (colour + 16 * group) and, within a
// key, in file order; batches of one key go to the root (group 0) or to one child per group.
void RokReader::build()
{
    if (!entry.root)
        entry.root = std::make_unique<Frame>();
    entry.root->lighting = 1;

    const int32_t paletteSize = entry.materials.count();
    std::erase_if(faces, [paletteSize](const RokFace& face) { return face.colour >= paletteSize; });
    // A face's first corner grows with its place in the file.
    const auto before = [](const RokFace& a, const RokFace& b) {
        return a.key() != b.key() ? a.key() < b.key() : a.firstCorner < b.firstCorner;
    };
    if (!std::is_sorted(faces.begin(), faces.end(), before))
        std::sort(faces.begin(), faces.end(), before);

    RokBatchBuilder batches(records, entry.materials, frames);
    for (size_t begin = 0; begin < faces.size();) {
        size_t end = begin + 1;
        const uint32_t key = faces[begin].key();
        while (end < faces.size() && faces[end].key() == key)
            ++end;
        if (Frame* parent = batchParent(key / kRokKeysPerGroup))
            batches.build(RokBatch(faces).subspan(begin, end - begin), parent);
        begin = end;
    }
}

// The frame a batch of the group goes under: the root for group 0, else the group's frame, made
// for the group's first batch; null when the frames have run out (the batch is left out).
Frame* RokReader::batchParent(int64_t group)
{
    if (frames.framesLeft <= 0)
        return nullptr;
    if (group == 0)
        return entry.root.get();
    if (group != lastGroup) {
        if (!frames.take())
            return nullptr;
        lastGroup = group;
        lastGroupFrame = entry.root->addChild(0.0f);
        lastGroupFrame->groupId = static_cast<int32_t>(group);
    }
    return lastGroupFrame;
}

}  // namespace

bool readRokLine(ModelEntry& entry, std::string_view& line)
{
    std::string& text = entry.text;
    if (entry.textPos >= text.size()) {
        entry.textPos = text.size();
        line = {};
        return false;
    }
    const size_t start = entry.textPos;
    const size_t end = start + rokLineEnd(std::string_view(text).substr(start));
    if (end == text.size()) {
        entry.textPos = end;
    } else {
        // A file saved with carriage return and line feed (or line feeds alone) holds the same
        // model as one with carriage returns: the pair ends one line, not two.
        const bool pair = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text[end] = '\0';
        entry.textPos = end + (pair ? 2 : 1);
    }
    line = std::string_view(text).substr(start, std::min(end - start, kRokMaxLineBytes));
    return true;
}

namespace {

// Reads the sections from lines and builds the model; false when memory runs out or the lines
// of a file could not all be read, and then a root frame the reading made is removed again.
bool readFromLines(ModelEntry& entry, RokLines& lines, const Vector3& scale)
{
    const bool hadRoot = entry.root != nullptr;
    bool read = true;
    try {
        RokReader reader(entry, lines, scale);
        reader.readSections();
        read = lines.intact();
        if (read)
            reader.build();
    } catch (const std::exception&) {
        // Only running out of memory can get here; the model is then not loaded.
        read = false;
    }
    if (!read && !hadRoot)
        entry.root.reset();
    entry.materials.clear();
    return read;
}

}  // namespace

bool readRokText(ModelEntry& entry, const Vector3& scale)
{
    entry.materials.clear();
    entry.textPos = 0;
    RokLines lines(entry);
    const bool read = readFromLines(entry, lines, scale);
    std::string().swap(entry.text);
    entry.textPos = 0;
    return read;
}

bool readRok(ModelEntry& entry, const std::string& fileName, const Vector3& scale)
{
    entry.materials.clear();
    FileHandle file;
    try {
        file = openFile(fileName, "rb");
        if (!file)
            file = openFile(modelFallbackPath(fileName), "rb");
    } catch (const std::exception&) {
        return false;
    }
    if (!file)
        return false;
    // The file is read piece by piece as the sections are; one too large is refused first.
    const uint64_t size = fileSizeTold(file.get());
    if (size > kRokMaxFileBytes)
        return false;
    RokLines lines(file.get(), size, kRokMaxFileBytes);
    return readFromLines(entry, lines, scale);
}
