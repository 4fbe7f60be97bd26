#include "engine/D3DXMath.h"

#include <cmath>

namespace tv {

namespace {
D3DMATRIX Zero() {
    D3DMATRIX m;
    for (auto& row : m.m)
        for (float& v : row)
            v = 0.0f;
    return m;
}
} // namespace

D3DMATRIX MakeIdentityMatrix() {
    D3DMATRIX m = Zero();
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

D3DMATRIX* D3DXMatrixOrthoOffCenterLH(D3DMATRIX* out, float left, float right, float bottom,
                                      float top, float zn, float zf) {
    D3DMATRIX m = Zero();
    m.m[0][0] = 2.0f / (right - left);
    m.m[1][1] = 2.0f / (top - bottom);
    m.m[2][2] = 1.0f / (zf - zn);
    m.m[3][0] = (left + right) / (left - right);
    m.m[3][1] = (top + bottom) / (bottom - top);
    m.m[3][2] = zn / (zn - zf);
    m.m[3][3] = 1.0f;
    *out = m;
    return out;
}

D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DMATRIX* D3DXMatrixRotationYawPitchRoll(D3DMATRIX* out, float yaw, float pitch, float roll) {
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    // Rz(roll) x Rx(pitch) x Ry(yaw), multiplied out.
    D3DMATRIX m = Zero();
    m.m[0][0] = cr * cy + sr * sp * sy;
    m.m[0][1] = sr * cp;
    m.m[0][2] = -cr * sy + sr * sp * cy;
    m.m[1][0] = -sr * cy + cr * sp * sy;
    m.m[1][1] = cr * cp;
    m.m[1][2] = sr * sy + cr * sp * cy;
    m.m[2][0] = cp * sy;
    m.m[2][1] = -sp;
    m.m[2][2] = cp * cy;
    m.m[3][3] = 1.0f;
    *out = m;
    return out;
}

D3DMATRIX* D3DXMatrixRotationZ(D3DMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = MakeIdentityMatrix();
    out->m[0][0] = c;
    out->m[0][1] = s;
    out->m[1][0] = -s;
    out->m[1][1] = c;
    return out;
}

D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z) {
    *out = MakeIdentityMatrix();
    out->m[3][0] = x;
    out->m[3][1] = y;
    out->m[3][2] = z;
    return out;
}

D3DMATRIX* D3DXMatrixScaling(D3DMATRIX* out, float x, float y, float z) {
    *out = MakeIdentityMatrix();
    out->m[0][0] = x;
    out->m[1][1] = y;
    out->m[2][2] = z;
    return out;
}

void TransformPoint(const D3DMATRIX& m, float x, float y, float z, float& ox, float& oy,
                    float& oz) {
    const float tx = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
    const float ty = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
    const float tz = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
    const float tw = x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3];
    const float inv = tw != 0.0f ? 1.0f / tw : 1.0f;
    ox = tx * inv;
    oy = ty * inv;
    oz = tz * inv;
}

} // namespace tv
