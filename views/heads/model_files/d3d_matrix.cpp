// Matrix helpers of the head view's camera.
#include "views/heads/model_files/d3d_matrix.h"

#include <cmath>

d3d_matrix MatrixIdentity() {
    d3d_matrix r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1;
    return r;
}

d3d_matrix MatrixMultiply(const d3d_matrix& a, const d3d_matrix& b) {
    d3d_matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

d3d_matrix MatrixRotationX(float angle) {
    d3d_matrix r = MatrixIdentity();
    const float c = std::cos(angle), s = std::sin(angle);
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

d3d_matrix MatrixRotationY(float angle) {
    d3d_matrix r = MatrixIdentity();
    const float c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

d3d_matrix MatrixScaling(float sx, float sy, float sz) {
    d3d_matrix r;
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    r.m[3][3] = 1;
    return r;
}

d3d_matrix MatrixTranslation(float x, float y, float z) {
    d3d_matrix r = MatrixIdentity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

d3d_matrix MatrixPerspectiveFovLH(float fov_y, float aspect, float zn, float zf) {
    d3d_matrix r;
    const float y_scale = 1.0f / std::tan(fov_y / 2);
    r.m[0][0] = y_scale / aspect;
    r.m[1][1] = y_scale;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1;
    r.m[3][2] = -zn * zf / (zf - zn);
    return r;
}

namespace {
d3d_vector3 Sub(const d3d_vector3& a, const d3d_vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
d3d_vector3 Cross(const d3d_vector3& a, const d3d_vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const d3d_vector3& a, const d3d_vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
d3d_vector3 Normalise(const d3d_vector3& a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? d3d_vector3{a.x / l, a.y / l, a.z / l} : a;
}
}  // namespace

d3d_matrix MatrixLookAtLH(const d3d_vector3& eye, const d3d_vector3& at, const d3d_vector3& up) {
    const d3d_vector3 z = Normalise(Sub(at, eye));
    const d3d_vector3 x = Normalise(Cross(up, z));
    const d3d_vector3 y = Cross(z, x);
    d3d_matrix r = MatrixIdentity();
    r.m[0][0] = x.x; r.m[1][0] = x.y; r.m[2][0] = x.z;
    r.m[0][1] = y.x; r.m[1][1] = y.y; r.m[2][1] = y.z;
    r.m[0][2] = z.x; r.m[1][2] = z.y; r.m[2][2] = z.z;
    r.m[3][0] = -Dot(x, eye);
    r.m[3][1] = -Dot(y, eye);
    r.m[3][2] = -Dot(z, eye);
    return r;
}

d3d_vector3 TransformPoint(const d3d_vector3& p, const d3d_matrix& m) {
    const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
    const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
    const float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
    const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
    return w != 0 ? d3d_vector3{x / w, y / w, z / w} : d3d_vector3{x, y, z};
}
