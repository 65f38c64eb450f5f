// ObjectFaces: clearing, linking the records to their corners, and flat normals.
#include "model/object_faces.h"

#include <cstddef>

void ObjectFaces::clear()
{
    vertexCount = 0;
    faces.clear();
    corners.clear();
    indices.clear();
}

void ObjectFaces::link()
{
    std::size_t first = 0;
    for (Face& face : faces) {
        face.vertices = corners.data() + first;
        face.indices = indices.data() + first;
        first += static_cast<std::size_t>(face.vertexCount);
    }
}

void ObjectFaces::takeFaceNormals()
{
    for (const Face& face : faces) {
        for (int32_t k = 0; k < face.vertexCount; ++k) {
            face.vertices[k].nx = face.normal.x;
            face.vertices[k].ny = face.normal.y;
            face.vertices[k].nz = face.normal.z;
        }
    }
}
