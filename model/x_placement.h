// XPlacement: where the vertices and normals of one .x mesh go in model space. A mesh stands in
// the frame that holds it: a vertex v ends at v x M(frame) x M(parent) x ... x M(outermost)
// (row vectors, translation in the fourth row, as FrameTransformMatrix writes it), and then the
// model's scale per axis applies. Normals turn with the inverse transpose of the same linear
// part and are made unit length again.
#pragma once

#include "math/matrix4.h"
#include "math/vector3.h"

class XPlacement {
public:
    // toModel: the product of the frames' matrices, innermost first; scale: the model's scale.
    XPlacement(const Matrix4& toModel, const Vector3& scale);

    Vector3 place(float x, float y, float z) const;
    // The normal (x, y, z) turned into model space, unit length; zero when it has no length there.
    Vector3 turnNormal(float x, float y, float z) const;
    // Whether the placement mirrors (its determinant is negative): the faces' corner order must
    // then be reversed, or they would face inward.
    bool reflects() const { return reflects_; }

private:
    Vector3 rows_[3];        // the linear part, row by row, each column times its axis' scale
    Vector3 translation_;    // the fourth row, times the scale
    Vector3 normalRows_[3];  // the cofactor rows of the linear part, turned by the determinant's sign
    bool reflects_ = false;
};
