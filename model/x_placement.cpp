#include "model/x_placement.h"

#include "model/smooth_normals.h"

XPlacement::XPlacement(const Matrix4& toModel, const Vector3& scale)
{
    const auto& m = toModel.m;
    for (int i = 0; i < 3; ++i)
        rows_[i] = Vector3(m[i][0] * scale.x, m[i][1] * scale.y, m[i][2] * scale.z);
    translation_ = Vector3(m[3][0] * scale.x, m[3][1] * scale.y, m[3][2] * scale.z);
    // The inverse transpose is the cofactor matrix over the determinant; since normals are made
    // unit length afterwards, only the determinant's sign matters, and a singular part (no
    // volume, so faces of no area) needs no division.
    normalRows_[0] = rows_[1].cross(rows_[2]);
    normalRows_[1] = rows_[2].cross(rows_[0]);
    normalRows_[2] = rows_[0].cross(rows_[1]);
    reflects_ = rows_[0].dot(normalRows_[0]) < 0.0f;
    if (reflects_) {
        for (Vector3& row : normalRows_)
            row = row.negated();
    }
}

Vector3 XPlacement::place(float x, float y, float z) const
{
    return {x * rows_[0].x + y * rows_[1].x + z * rows_[2].x + translation_.x,
            x * rows_[0].y + y * rows_[1].y + z * rows_[2].y + translation_.y,
            x * rows_[0].z + y * rows_[1].z + z * rows_[2].z + translation_.z};
}

Vector3 XPlacement::turnNormal(float x, float y, float z) const
{
    const Vector3 turned(x * normalRows_[0].x + y * normalRows_[1].x + z * normalRows_[2].x,
                         x * normalRows_[0].y + y * normalRows_[1].y + z * normalRows_[2].y,
                         x * normalRows_[0].z + y * normalRows_[1].z + z * normalRows_[2].z);
    return normalizedOrZero(turned);
}
