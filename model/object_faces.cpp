// ObjectFaces: clearing between face chunks and objects.
#include "model/object_faces.h"

void ObjectFaces::clear()
{
    vertexCount = 0;
    faces.clear();
    indices.clear();
    uvs.clear();
    ownPositions.clear();
}
