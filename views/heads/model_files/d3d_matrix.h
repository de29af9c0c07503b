// 4x4 matrices in the row-vector convention of the head view's device layer (a point is a row,
// multiplied on the left; translations sit in the last row), and the constructors the head view
// builds its camera from.
#pragma once

struct d3d_vector3 {
    float x = 0, y = 0, z = 0;
};

struct d3d_matrix {
    float m[4][4] = {};
};

d3d_matrix MatrixIdentity();
// a then b: a point transformed by the result is transformed by a, then by b.
d3d_matrix MatrixMultiply(const d3d_matrix& a, const d3d_matrix& b);
d3d_matrix MatrixRotationX(float angle);
d3d_matrix MatrixRotationY(float angle);
d3d_matrix MatrixScaling(float sx, float sy, float sz);
d3d_matrix MatrixTranslation(float x, float y, float z);
// Left-handed perspective: depth 0 at the near plane, 1 at the far plane.
d3d_matrix MatrixPerspectiveFovLH(float fov_y, float aspect, float z_near, float z_far);
// Left-handed view looking from eye towards at.
d3d_matrix MatrixLookAtLH(const d3d_vector3& eye, const d3d_vector3& at, const d3d_vector3& up);
d3d_vector3 TransformPoint(const d3d_vector3& p, const d3d_matrix& m);
