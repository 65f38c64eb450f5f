// RokSmoothing: the point-to-faces index and the per-point walk that give each batch of .rok
// faces its vertex normals.
#include "model/rok_smoothing.h"

#include <cmath>
#include <cstddef>

#include "model/rok_limits.h"

namespace {

bool isFinite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void setNormal(MeshVertex& vertex, const Vector3& normal)
{
    vertex.nx = normal.x;
    vertex.ny = normal.y;
    vertex.nz = normal.z;
}

}  // namespace

RokSmoothing::RokSmoothing(int32_t count)
    : pointCount(count < 0 ? 0 : count), slotOfPoint(static_cast<size_t>(pointCount), -1)
{}

// A normal too short for an angle (angleBetween calls every such pair 0 degrees apart) would
// gather the faces of both sides; one that is not within the threshold of itself (NaN, or so
// large that its length overflows) would never be gathered, not even by its own face.
bool RokSmoothing::takesPart(const Face& face, float threshold) const
{
    const Vector3& n = face.normal;
    if (face.vertices == nullptr || face.indices == nullptr || !isFinite(n))
        return false;
    return n.dot(n) >= kEpsilon && n.angleBetween(n) < threshold;
}

int32_t RokSmoothing::slotOf(int32_t point)
{
    int32_t& slot = slotOfPoint[static_cast<size_t>(point)];
    if (slot < 0) {
        slot = static_cast<int32_t>(slotPoint.size());
        slotPoint.push_back(point);
        slotLastFace.push_back(-1);
        slotVisits.push_back(0);
    }
    return slot;
}

void RokSmoothing::markParticipants(const Face* faces, int32_t faceCount, float threshold)
{
    participates.assign(static_cast<size_t>(faceCount), 0);
    for (int32_t f = 0; f < faceCount; ++f) {
        const Face& face = faces[f];
        if (!takesPart(face, threshold))
            continue;
        bool withinVisits = true;
        for (int32_t k = 0; k < face.vertexCount; ++k) {
            const int32_t point = face.indices[k];
            if (point < 0 || point >= pointCount)
                continue;
            const auto slot = static_cast<size_t>(slotOf(point));
            if (slotLastFace[slot] != f) {
                slotLastFace[slot] = f;
                slotVisits[slot] = 0;
            }
            if (++slotVisits[slot] > kRokMaxPointVisits)
                withinVisits = false;
        }
        participates[static_cast<size_t>(f)] = withinVisits ? 1 : 0;
    }
}

// A counting sort of the participants' corners by point; within a point they stay in batch
// order and corner order, the order in which the rule visits them.
void RokSmoothing::collectCorners(const Face* faces, int32_t faceCount)
{
    const size_t slots = slotPoint.size();
    slotStart.assign(slots + 1, 0);
    for (int32_t f = 0; f < faceCount; ++f) {
        if (participates[static_cast<size_t>(f)] == 0)
            continue;
        for (int32_t k = 0; k < faces[f].vertexCount; ++k) {
            const int32_t point = faces[f].indices[k];
            if (point >= 0 && point < pointCount)
                ++slotStart[static_cast<size_t>(slotOfPoint[static_cast<size_t>(point)]) + 1];
        }
    }
    for (size_t s = 0; s < slots; ++s)
        slotStart[s + 1] += slotStart[s];
    corners.resize(slotStart[slots]);
    std::vector<size_t> fill(slotStart.begin(), slotStart.end() - 1);
    for (int32_t f = 0; f < faceCount; ++f) {
        if (participates[static_cast<size_t>(f)] == 0)
            continue;
        for (int32_t k = 0; k < faces[f].vertexCount; ++k) {
            const int32_t point = faces[f].indices[k];
            if (point >= 0 && point < pointCount) {
                const auto slot = static_cast<size_t>(slotOfPoint[static_cast<size_t>(point)]);
                corners[fill[slot]++] = Corner{f, k};
            }
        }
    }
}

// The steps of the rule at one point. Steps at different points never touch each other's
// corners, so each point is walked on its own. A step gathers from the runs that still have
// unvisited corners; the steps of one face at one point follow each other directly, and a
// repeat step can only gather again from the runs the step before it gathered.
void RokSmoothing::smoothPoint(Face* faces, size_t begin, size_t end, float threshold)
{
    runs.clear();
    for (size_t i = begin; i < end;) {
        size_t j = i + 1;
        while (j < end && corners[j].face == corners[i].face)
            ++j;
        runs.push_back(Run{corners[i].face, i, j});
        i = j;
    }
    live.resize(runs.size());
    for (size_t r = 0; r < runs.size(); ++r)
        live[r] = r;
    previous.clear();
    size_t lastStarter = runs.size();

    for (size_t g = 0; g < runs.size(); ++g) {
        while (runs[g].cursor < runs[g].end) {
            const Vector3& normal = faces[runs[g].face].normal;
            Vector3 sum(0.0f, 0.0f, 0.0f);
            gathered.clear();
            if (g == lastStarter) {
                for (const size_t h : previous) {
                    if (runs[h].cursor < runs[h].end) {
                        sum.add(faces[runs[h].face].normal);
                        gathered.push_back(h);
                    }
                }
            } else {
                size_t kept = 0;
                for (const size_t h : live) {
                    if (runs[h].cursor == runs[h].end)
                        continue;
                    live[kept++] = h;
                    const Vector3& other = faces[runs[h].face].normal;
                    if (normal.angleBetween(other) < threshold) {
                        sum.add(other);
                        gathered.push_back(h);
                    }
                }
                live.resize(kept);
            }
            sum.normalize();
            const size_t before = runs[g].cursor;
            for (const size_t h : gathered) {
                const Corner c = corners[runs[h].cursor++];
                setNormal(faces[c.face].vertices[c.corner], sum);
                faces[c.face].indices[c.corner] = -1;
            }
            if (runs[g].cursor == before)
                ++runs[g].cursor;  // a participant always gathers itself; never stand still
            lastStarter = g;
            previous.swap(gathered);
        }
    }
}

void RokSmoothing::releaseSlots()
{
    for (const int32_t point : slotPoint)
        slotOfPoint[static_cast<size_t>(point)] = -1;
    slotPoint.clear();
    slotLastFace.clear();
    slotVisits.clear();
}

void RokSmoothing::smooth(Face* faces, int32_t faceCount, float threshold)
{
    if (faces == nullptr || faceCount <= 0)
        return;
    markParticipants(faces, faceCount, threshold);
    for (int32_t f = 0; f < faceCount; ++f) {
        if (participates[static_cast<size_t>(f)] != 0 || faces[f].vertices == nullptr)
            continue;
        for (int32_t k = 0; k < faces[f].vertexCount; ++k)
            setNormal(faces[f].vertices[k], faces[f].normal);
    }
    collectCorners(faces, faceCount);
    for (size_t s = 0; s < slotPoint.size(); ++s)
        smoothPoint(faces, slotStart[s], slotStart[s + 1], threshold);
    releaseSlots();
}
