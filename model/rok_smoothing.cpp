// RokSmoothing: the point-to-faces index and the per-point walk that give each batch of .rok
// faces its vertex normals, for faces written out as Face records or given as pairs.
#include "model/rok_smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "model/rok_limits.h"

namespace {

void setNormal(MeshVertex& vertex, const Vector3& normal)
{
    vertex.nx = normal.x;
    vertex.ny = normal.y;
    vertex.nz = normal.z;
}

// A normal too short for an angle (angleBetween calls every such pair 0 degrees apart) would
// gather the faces of both sides; one that is not within the threshold of itself (NaN, or so
// large that its length overflows) would never be gathered, not even by its own face.
bool normalTakesPart(const Vector3& n, float threshold)
{
    return isFinite(n) && n.dot(n) >= kEpsilon && n.angleBetween(n) < threshold;
}

// Whether a and b lie less than threshold apart, as angleBetween(a, b) < threshold decides
// it. The arc cosine is only taken for cosines near the threshold's: elsewhere the cosine
// alone decides, with a margin far wider than the rounding of either computation.
class AngleTest {
public:
    explicit AngleTest(float threshold_)
        : threshold(threshold_), cosine(std::cos(static_cast<double>(threshold_)))
    {}

    bool within(const Vector3& a, const Vector3& b) const
    {
        constexpr double kMargin = 1e-4;
        const double n = std::sqrt(static_cast<double>(a.dot(a)) * static_cast<double>(b.dot(b)));
        if (n > 2.0 * kEpsilon) {
            const double c = static_cast<double>(a.dot(b)) / n;
            if (c > cosine + kMargin)
                return true;
            if (c < cosine - kMargin)
                return false;
        }
        return a.angleBetween(b) < threshold;
    }

private:
    float threshold;
    double cosine;  // of the threshold
};

// The Face records of a batch: each face is one unit of the index.
class FaceBatch {
public:
    FaceBatch(Face* faces_, int32_t count_) : faces(faces_), count(count_) {}

    int32_t units() const { return count; }
    bool takesPart(int32_t f, float threshold) const
    {
        return faces[f].vertices != nullptr && faces[f].indices != nullptr &&
               normalTakesPart(faces[f].normal, threshold);
    }
    std::span<const int32_t> points(int32_t f) const
    {
        const Face& face = faces[f];
        if (face.indices == nullptr || face.vertexCount <= 0)
            return {};
        return {face.indices, static_cast<size_t>(face.vertexCount)};
    }
    void keepOwnNormals(int32_t f) const
    {
        if (faces[f].vertices == nullptr)
            return;
        for (int32_t k = 0; k < faces[f].vertexCount; ++k)
            setNormal(faces[f].vertices[k], faces[f].normal);
    }
    // A unit's corners at one point (entries of one unit, in corner order) as faces' corners.
    template <typename Corner>
    void expand(const Corner* first, const Corner* last, std::vector<Corner>& out) const
    {
        out.insert(out.end(), first, last);
    }
    Vector3 normal(int32_t face) const { return faces[face].normal; }
    void give(int32_t face, int32_t corner, const Vector3& normal) const
    {
        setNormal(faces[face].vertices[corner], normal);
        faces[face].indices[corner] = -1;
    }

private:
    Face* faces;
    int32_t count;
};

// A batch of face pairs: each pair is one unit of the index and faces 2p and 2p + 1.
class PairBatch {
public:
    explicit PairBatch(const RokFacePairs& pairs_) : pairs(pairs_) {}

    int32_t units() const { return pairs.pairCount(); }
    bool takesPart(int32_t p, float threshold) const
    {
        return pairs.corners(p, 0) != nullptr && normalTakesPart(pairs.normal(p), threshold);
    }
    std::span<const int32_t> points(int32_t p) const { return pairs.points(p); }
    void keepOwnNormals(int32_t p) const
    {
        const size_t n = pairs.points(p).size();
        for (int copy = 0; copy < 2; ++copy) {
            MeshVertex* corners = pairs.corners(p, copy);
            if (corners == nullptr)
                continue;
            const Vector3 own = normal(2 * p + copy);
            for (size_t k = 0; k < n; ++k)
                setNormal(corners[k], own);
        }
    }
    // The face's corners at the point, then its reversed copy's: corner k of the face is corner
    // n - 1 - k of the copy, so the copy's come in the opposite order.
    template <typename Corner>
    void expand(const Corner* first, const Corner* last, std::vector<Corner>& out) const
    {
        const int32_t p = first->face;
        const auto n = static_cast<int32_t>(pairs.points(p).size());
        for (const Corner* c = first; c != last; ++c)
            out.push_back(Corner{2 * p, c->corner});
        for (const Corner* c = last; c != first;) {
            --c;
            out.push_back(Corner{2 * p + 1, static_cast<uint16_t>(n - 1 - c->corner)});
        }
    }
    Vector3 normal(int32_t face) const
    {
        const Vector3 n = pairs.normal(face / 2);
        return face % 2 == 0 ? n : Vector3(-n.x, -n.y, -n.z);
    }
    void give(int32_t face, int32_t corner, const Vector3& normal) const
    {
        setNormal(pairs.corners(face / 2, face % 2)[corner], normal);
    }

private:
    const RokFacePairs& pairs;
};

}  // namespace

RokSmoothing::RokSmoothing(int32_t count)
    : pointCount(count < 0 ? 0 : count), slotOfPoint(static_cast<size_t>(pointCount), -1)
{}

int32_t RokSmoothing::slotOf(int32_t point)
{
    int32_t& slot = slotOfPoint[static_cast<size_t>(point)];
    if (slot < 0)
        slot = slotCount++;
    return slot;
}

// False when the face passes through one point at more than kRokMaxPointVisits corners, or has
// more corners than a corner number holds (no face the reader keeps has).
bool RokSmoothing::withinVisits(std::span<const int32_t> points)
{
    if (points.size() > static_cast<size_t>(kRokMaxFaceCorners))
        return false;
    if (points.size() <= static_cast<size_t>(kRokMaxPointVisits))
        return true;
    repeats.clear();
    for (const int32_t point : points) {
        if (point >= 0 && point < pointCount)
            repeats.push_back(point);
    }
    std::sort(repeats.begin(), repeats.end());
    for (size_t i = kRokMaxPointVisits; i < repeats.size(); ++i) {
        if (repeats[i] == repeats[i - kRokMaxPointVisits])
            return false;
    }
    return true;
}

template <typename Batch>
void RokSmoothing::markParticipants(const Batch& batch, float threshold)
{
    participates.assign(static_cast<size_t>(batch.units()), 0);
    for (int32_t f = 0; f < batch.units(); ++f) {
        if (!batch.takesPart(f, threshold))
            continue;
        const std::span<const int32_t> points = batch.points(f);
        for (const int32_t point : points) {
            if (point >= 0 && point < pointCount)
                slotOf(point);
        }
        participates[static_cast<size_t>(f)] = withinVisits(points) ? 1 : 0;
    }
}

// A counting sort of the participants' corners by point; within a point they stay in batch
// order and corner order, the order in which the rule visits them. Filled from the last
// corner back, each slot's count becomes its start.
template <typename Batch>
void RokSmoothing::collectCorners(const Batch& batch)
{
    const auto slots = static_cast<size_t>(slotCount);
    slotStart.assign(slots + 1, 0);
    for (int32_t f = 0; f < batch.units(); ++f) {
        if (participates[static_cast<size_t>(f)] == 0)
            continue;
        for (const int32_t point : batch.points(f)) {
            if (point >= 0 && point < pointCount)
                ++slotStart[static_cast<size_t>(slotOfPoint[static_cast<size_t>(point)])];
        }
    }
    for (size_t s = 1; s < slots; ++s)
        slotStart[s] += slotStart[s - 1];
    slotStart[slots] = slots > 0 ? slotStart[slots - 1] : 0;
    corners.resize(slotStart[slots]);
    for (int32_t f = batch.units() - 1; f >= 0; --f) {
        if (participates[static_cast<size_t>(f)] == 0)
            continue;
        const std::span<const int32_t> points = batch.points(f);
        for (size_t k = points.size(); k-- > 0;) {
            const int32_t point = points[k];
            if (point >= 0 && point < pointCount) {
                const auto slot = static_cast<size_t>(slotOfPoint[static_cast<size_t>(point)]);
                corners[--slotStart[slot]] = Corner{f, static_cast<uint16_t>(k)};
            }
        }
    }
}

// The steps of the rule at one point, whose corners are in `atPoint`. Steps at different
// points never touch each other's corners, so each point is walked on its own. A step gathers
// from the runs that still have unvisited corners; the steps of one face at one point follow
// each other directly, and a repeat step can only gather again from the runs the step before
// it gathered.
template <typename Batch>
void RokSmoothing::smoothPoint(const Batch& batch, float threshold)
{
    const AngleTest angle(threshold);
    runs.clear();
    for (size_t i = 0; i < atPoint.size();) {
        size_t j = i + 1;
        while (j < atPoint.size() && atPoint[j].face == atPoint[i].face)
            ++j;
        runs.push_back(Run{atPoint[i].face, i, j, batch.normal(atPoint[i].face)});
        i = j;
    }
    live.resize(runs.size());
    for (size_t r = 0; r < runs.size(); ++r)
        live[r] = r;
    previous.clear();
    size_t lastStarter = runs.size();

    for (size_t g = 0; g < runs.size(); ++g) {
        while (runs[g].cursor < runs[g].end) {
            const Vector3& normal = runs[g].normal;
            Vector3 sum(0.0f, 0.0f, 0.0f);
            gathered.clear();
            if (g == lastStarter) {
                for (const size_t h : previous) {
                    if (runs[h].cursor < runs[h].end) {
                        sum.add(runs[h].normal);
                        gathered.push_back(h);
                    }
                }
            } else {
                size_t kept = 0;
                for (const size_t h : live) {
                    if (runs[h].cursor == runs[h].end)
                        continue;
                    live[kept++] = h;
                    if (angle.within(normal, runs[h].normal)) {
                        sum.add(runs[h].normal);
                        gathered.push_back(h);
                    }
                }
                live.resize(kept);
            }
            sum.normalize();
            const size_t before = runs[g].cursor;
            for (const size_t h : gathered) {
                const Corner c = atPoint[runs[h].cursor++];
                batch.give(c.face, c.corner, sum);
            }
            if (runs[g].cursor == before)
                ++runs[g].cursor;  // a participant always gathers itself; never stand still
            lastStarter = g;
            previous.swap(gathered);
        }
    }
}

// Every point of the batch gives its slot back, so that the table is all -1 between batches.
template <typename Batch>
void RokSmoothing::releaseSlots(const Batch& batch)
{
    for (int32_t f = 0; f < batch.units(); ++f) {
        for (const int32_t point : batch.points(f)) {
            if (point >= 0 && point < pointCount)
                slotOfPoint[static_cast<size_t>(point)] = -1;
        }
    }
    slotCount = 0;
}

template <typename Batch>
void RokSmoothing::smoothBatch(const Batch& batch, float threshold)
{
    markParticipants(batch, threshold);
    for (int32_t f = 0; f < batch.units(); ++f) {
        if (participates[static_cast<size_t>(f)] == 0)
            batch.keepOwnNormals(f);
    }
    collectCorners(batch);
    // The walk needs only the corners grouped by slot; the slots go back before the Face
    // records' corners are marked visited.
    releaseSlots(batch);
    for (size_t s = 0; s + 1 < slotStart.size(); ++s) {
        atPoint.clear();
        for (size_t i = slotStart[s]; i < slotStart[s + 1];) {
            size_t j = i + 1;
            while (j < slotStart[s + 1] && corners[j].face == corners[i].face)
                ++j;
            batch.expand(corners.data() + i, corners.data() + j, atPoint);
            i = j;
        }
        smoothPoint(batch, threshold);
    }
}

void RokSmoothing::smooth(Face* faces, int32_t faceCount, float threshold)
{
    if (faces == nullptr || faceCount <= 0)
        return;
    smoothBatch(FaceBatch(faces, faceCount), threshold);
}

void RokSmoothing::smooth(const RokFacePairs& pairs, float threshold)
{
    if (pairs.pairCount() <= 0)
        return;
    smoothBatch(PairBatch(pairs), threshold);
}
