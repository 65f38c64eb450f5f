// smoothNormals through an index from vertex to faces. Around each vertex the faces' normals
// are gathered once; faces that share a normal (flat fans, duplicated faces) are compared as
// one, so the cost per vertex is the square of the number of distinct normals there, capped by
// kMaxSmoothedNormalsPerVertex. Each corner takes its normal as its vertex is done: small faces
// are walked whole there, large ones give their corners at the vertex in one step.
#include "model/smooth_normals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Around the threshold's cosine the exact arccos decides; elsewhere the cosine alone does.
constexpr float kCosineMargin = 1e-4f;

// Squared lengths closer to 1 than this are taken as exactly 1: a unit normal, as the readers
// make them, is off by a few rounding steps, and 1 as its reciprocal length moves the cosine
// of a pair by less than 1e-6, far inside kCosineMargin.
constexpr float kUnitLengthTolerance = 1e-6f;

// A face normal with its squared length (computed as Vector3::dot computes it) and the
// reciprocal of its length (1 for a unit normal, without a root and a division for each of
// the face's corners).
struct PreparedNormal {
    Vector3 v;
    float lengthSquared = 0.0f;
    float inverseLength = 0.0f;

    explicit PreparedNormal(const Vector3& n)
        : v(n),
          lengthSquared(n.x * n.x + n.y * n.y + n.z * n.z),
          inverseLength(
              std::fabs(lengthSquared - 1.0f) < kUnitLengthTolerance ? 1.0f : 1.0f / std::sqrt(lengthSquared))
    {}
};

// The test of the smoothing rule: angleBetween(a, b) <= limit. Where the cosine lies clearly on
// one side of the limit's cosine it answers (arccos falls as the cosine rises); near the limit,
// and for normals of unusual length, angleBetween itself decides.
class AngleTest {
public:
    explicit AngleTest(float limit)
        : limit_(limit), cosLimit_(std::cos(limit)), useCosine_(limit > 0.01f && limit < 3.13f)
    {}

    bool within(const PreparedNormal& a, const PreparedNormal& b) const
    {
        // Normals of ordinary length (not near zero, where angleBetween's own rule applies):
        // the cosine to within a few rounding steps, without a root or a division per pair.
        if (useCosine_ && a.lengthSquared > kOrdinary && b.lengthSquared > kOrdinary &&
            a.lengthSquared < kLarge && b.lengthSquared < kLarge) {
            const float c =
                (a.v.x * b.v.x + a.v.y * b.v.y + a.v.z * b.v.z) * a.inverseLength * b.inverseLength;
            if (c >= cosLimit_ + kCosineMargin)
                return true;
            if (c <= cosLimit_ - kCosineMargin)
                return false;
        }
        return a.v.angleBetween(b.v) <= limit_;
    }

private:
    static constexpr float kOrdinary = 1e-6f;  // squared lengths between these two
    static constexpr float kLarge = 1e6f;
    float limit_;
    float cosLimit_;
    bool useCosine_;
};

struct Float3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The pairs (vertex, face) in vertex order and, within a vertex, in face order.
// (Pairs number fewer than 2^32: a face's corners at one vertex count once, and no model holds
// that many corners.)
struct VertexFaceIndex {
    std::vector<uint32_t> first;  // vertexCount + 1 offsets into faceOf
    std::vector<int32_t> faceOf;  // face numbers

    template <typename Faces>
    void build(const Faces& faces, int32_t faceCount, int32_t vertexCount)
    {
        const auto vertices = static_cast<std::size_t>(vertexCount);
        std::vector<int32_t> lastFace(vertices, -1);
        first.assign(vertices + 1, 0);
        forEachPair(faces, faceCount, lastFace, [&](int32_t i, int32_t) { ++first[i + 1]; });
        for (std::size_t i = 0; i < vertices; ++i)
            first[i + 1] += first[i];
        faceOf.resize(first[vertices]);
        // first[i] serves as vertex i's fill position, which leaves it at first[i + 1]; the
        // offsets are then moved back up by one.
        std::fill(lastFace.begin(), lastFace.end(), -1);
        forEachPair(faces, faceCount, lastFace, [&](int32_t i, int32_t f) { faceOf[first[i]++] = f; });
        std::copy_backward(first.begin(), first.end() - 1, first.end());
        first[0] = 0;
    }

private:
    // Calls visit(vertex, face) once per face for each vertex among its corners.
    template <typename Faces, typename Visit>
    static void forEachPair(const Faces& faces, int32_t faceCount, std::vector<int32_t>& lastFace,
                            const Visit& visit)
    {
        const auto vertices = static_cast<int32_t>(lastFace.size());
        for (int32_t f = 0; f < faceCount; ++f) {
            const int32_t* indices = faces.indices(f);
            const int32_t n = faces.cornerCount(f);
            for (int32_t k = 0; k < n && indices != nullptr; ++k) {
                const int32_t i = indices[k];
                if (i < 0 || i >= vertices || lastFace[static_cast<std::size_t>(i)] == f)
                    continue;
                lastFace[static_cast<std::size_t>(i)] = f;
                visit(i, f);
            }
        }
    }
};

// The three bit patterns of a normal: normals that are equal bit for bit are one normal.
struct NormalBits {
    uint32_t x, y, z;

    explicit NormalBits(const Vector3& n)
        : x(std::bit_cast<uint32_t>(n.x)), y(std::bit_cast<uint32_t>(n.y)), z(std::bit_cast<uint32_t>(n.z))
    {}
    bool operator==(const NormalBits&) const = default;
};

// Faces of more corners than this find their corners at a vertex through LargeFaceCorners;
// smaller ones are walked whole at each of their vertices (a few corners, in one place).
constexpr int32_t kWalkedFaceCorners = 16;

// The corners of the faces with more than kWalkedFaceCorners corners, each face's in order of
// vertex number, so that the corners at the vertex being smoothed are found where the face's
// cursor stands: walking a face of a hundred thousand corners at each of its vertices would
// cost the square of that. Vertices are smoothed in increasing order, so cursors only advance.
class LargeFaceCorners {
public:
    template <typename Faces>
    void build(const Faces& faces, int32_t faceCount)
    {
        for (int32_t f = 0; f < faceCount; ++f) {
            const int32_t n = faces.cornerCount(f);
            const int32_t* indices = faces.indices(f);
            if (n <= kWalkedFaceCorners || indices == nullptr)
                continue;
            if (cursor_.empty())
                cursor_.assign(static_cast<std::size_t>(faceCount), 0);
            cursor_[static_cast<std::size_t>(f)] = order_.size();
            for (int32_t k = 0; k < n; ++k)
                order_.push_back({indices[k], k});
            std::sort(order_.begin() + static_cast<std::ptrdiff_t>(cursor_[static_cast<std::size_t>(f)]),
                      order_.end(), [](const Corner& a, const Corner& b) { return a.index < b.index; });
            order_.push_back({INT32_MAX, 0});  // ends the face's run
        }
    }

    // Calls take(k) for each corner k of large face f whose index is i; i must not fall
    // below the i of an earlier call for the same face.
    template <typename Take>
    void forEachAt(int32_t f, int32_t i, const Take& take)
    {
        std::size_t& at = cursor_[static_cast<std::size_t>(f)];
        while (order_[at].index < i)
            ++at;
        for (; order_[at].index == i; ++at)
            take(order_[at].corner);
    }

private:
    struct Corner {
        int32_t index;   // the corner's vertex number
        int32_t corner;  // its place in the face
    };
    std::vector<Corner> order_;        // per large face: its corners by vertex number, then an end
    std::vector<std::size_t> cursor_;  // per face: where in order_ its next corners are (large faces)
};

// The smoothing of one vertex: the faces around it (positions first .. last of the index)
// grouped by normal, each group's smoothed normal, and the corners that take it.
template <typename Faces>
class VertexSmoother {
public:
    VertexSmoother(const Faces& faces, int32_t faceCount, float facetAngle) : faces_(faces), test_(facetAngle)
    {
        large_.build(faces, faceCount);
    }

    // Vertex i with the faces first .. last of the index around it: every corner of those
    // faces whose index is i gets its face's smoothed normal. (The smoothing reads only face
    // normals, so corners can take theirs as each vertex is done.)
    void smooth(int32_t i, const std::vector<int32_t>& faceOf, std::size_t first, std::size_t last)
    {
        const bool tooMany = !gather(faceOf, first, last);
        if (!tooMany)
            sumWithin();
        for (std::size_t p = first; p < last; ++p) {
            const int32_t f = faceOf[p];
            MeshVertex* corners = faces_.corners(f);
            if (corners == nullptr)
                continue;  // its corners are not kept
            const Float3 n =
                tooMany ? toFloat3(faces_.normal(f)) : sums_[static_cast<std::size_t>(localOf_[p - first])];
            const auto take = [&](int32_t k) {
                corners[k].nx = n.x;
                corners[k].ny = n.y;
                corners[k].nz = n.z;
            };
            const int32_t count = faces_.cornerCount(f);
            if (count > kWalkedFaceCorners) {
                large_.forEachAt(f, i, take);
                continue;
            }
            const int32_t* indices = faces_.indices(f);
            for (int32_t k = 0; k < count; ++k) {
                if (indices[k] == i)
                    take(k);
            }
        }
    }

private:
    // The distinct normals around the vertex in the order they first occur, with how many
    // faces carry each, and for each face its normal's place among them. False, as soon as
    // there are more than kMaxSmoothedNormalsPerVertex of them (which also bounds the search
    // for a face's normal among those already seen).
    bool gather(const std::vector<int32_t>& faceOf, std::size_t first, std::size_t last)
    {
        normals_.clear();
        bits_.clear();
        counts_.clear();
        localOf_.clear();
        for (std::size_t p = first; p < last; ++p) {
            const Vector3 normal = faces_.normal(faceOf[p]);
            const NormalBits bits(normal);
            std::size_t local = 0;
            while (local < bits_.size() && !(bits_[local] == bits))
                ++local;
            if (local == bits_.size()) {
                if (bits_.size() == static_cast<std::size_t>(kMaxSmoothedNormalsPerVertex))
                    return false;
                normals_.emplace_back(normal);
                bits_.push_back(bits);
                counts_.push_back(0);
            }
            ++counts_[local];
            localOf_.push_back(static_cast<int32_t>(local));
        }
        return true;
    }

    // For each distinct normal d, the sum of the normals within the facet angle of it, in the
    // order the faces stand; a normal that several faces share counts that many times. The
    // test is symmetric, so each pair is tested once. Neighbouring normals usually have the
    // same ones within reach: a row of the test equal to the one before gives the same sum, term
    // for term, so that sum is taken over.
    void sumWithin()
    {
        const std::size_t count = normals_.size();
        within_.assign(count * count, 0);
        for (std::size_t d = 0; d < count; ++d) {
            for (std::size_t e = d; e < count; ++e) {
                const uint8_t near = test_.within(normals_[d], normals_[e]) ? 1 : 0;
                within_[d * count + e] = near;
                within_[e * count + d] = near;
            }
        }
        sums_.resize(count);
        for (std::size_t d = 0; d < count; ++d)
            sums_[d] = d > 0 && sameRows(d, d - 1) ? sums_[d - 1] : sumRow(d);
    }

    // True when distinct normals a and b have the same normals within the facet angle.
    bool sameRows(std::size_t a, std::size_t b) const
    {
        const std::size_t count = normals_.size();
        const uint8_t* within = within_.data();
        return std::equal(within + a * count, within + (a + 1) * count, within + b * count);
    }

    // The normalised sum of the normals within the facet angle of distinct normal d.
    Float3 sumRow(std::size_t d) const
    {
        const std::size_t count = normals_.size();
        float x = 0.0f, y = 0.0f, z = 0.0f;
        for (std::size_t e = 0; e < count; ++e) {
            if (within_[d * count + e] == 0)
                continue;
            const Vector3& n = normals_[e].v;
            const float weight = static_cast<float>(counts_[e]);
            if (counts_[e] == 1) {
                x = x + n.x;
                y = y + n.y;
                z = z + n.z;
            } else {
                x = x + n.x * weight;
                y = y + n.y * weight;
                z = z + n.z * weight;
            }
        }
        return toFloat3(normalizedOrZero(Vector3(x, y, z)));
    }

    static Float3 toFloat3(const Vector3& v) { return {v.x, v.y, v.z}; }

    const Faces& faces_;
    LargeFaceCorners large_;
    AngleTest test_;
    std::vector<PreparedNormal> normals_;  // the distinct normals around the current vertex
    std::vector<NormalBits> bits_;         // their bit patterns
    std::vector<int32_t> counts_;          // faces carrying each of them
    std::vector<int32_t> localOf_;         // per face around the vertex: its normal's place in normals_
    std::vector<Float3> sums_;             // their smoothed normals
    std::vector<uint8_t> within_;          // per pair of them: 1 when within the facet angle
};

// The faces as Face records.
struct FaceRecords {
    Face* faces;

    int32_t cornerCount(int32_t f) const { return faces[f].vertexCount; }
    const int32_t* indices(int32_t f) const { return faces[f].indices; }
    Vector3 normal(int32_t f) const { return faces[f].normal; }
    MeshVertex* corners(int32_t f) const { return faces[f].vertices; }
};

// The faces of a Metasequoia object, their corners where their meshes hold them.
struct ObjectRecords {
    const ObjectFaces& faces;

    const ObjectFace& face(int32_t f) const { return faces.faces[static_cast<std::size_t>(f)]; }
    int32_t cornerCount(int32_t f) const { return face(f).cornerCount; }
    const int32_t* indices(int32_t f) const { return faces.indices.data() + face(f).firstCorner; }
    Vector3 normal(int32_t f) const { return {face(f).nx, face(f).ny, face(f).nz}; }
    MeshVertex* corners(int32_t f) const { return face(f).corners; }
};

template <typename Faces>
void smoothFaces(const Faces& faces, int32_t faceCount, int32_t vertexCount, float facetAngle)
{
    if (faceCount <= 0 || vertexCount <= 0)
        return;
    VertexFaceIndex index;
    index.build(faces, faceCount, vertexCount);
    VertexSmoother<Faces> smoother(faces, faceCount, facetAngle);
    for (int32_t i = 0; i < vertexCount; ++i)
        smoother.smooth(i, index.faceOf, index.first[i], index.first[i + 1]);
}

}  // namespace

void smoothNormals(Face* faces, int32_t faceCount, int32_t vertexCount, float facetAngle)
{
    if (faces == nullptr)
        return;
    smoothFaces(FaceRecords{faces}, faceCount, vertexCount, facetAngle);
}

void smoothNormals(const ObjectFaces& faces, int32_t vertexCount)
{
    smoothFaces(ObjectRecords{faces}, faces.count(), vertexCount, faces.facetAngle);
}
