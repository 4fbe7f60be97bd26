#pragma once

// The matrix constructors of the drawing code, written once. Matrices are row-vector 4x4
// floats: a point is the row (x, y, z, 1) multiplied from the left, so transforms chain left
// to right (World = Scaling x Rotation x Translation scales first, then rotates, then moves).

#include "engine/D3DTypes.h"

namespace tv {

D3DMATRIX MakeIdentityMatrix();

// Orthographic projection of the box left..right, bottom..top, zn..zf into the device's clip
// space (x and y to -1..1, z to 0..1). Passing bottom > top makes y grow downwards.
D3DMATRIX* D3DXMatrixOrthoOffCenterLH(D3DMATRIX* out, float left, float right, float bottom,
                                      float top, float zn, float zf);
// out = a x b; out may be a or b.
D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
// Roll about z first, then pitch about x, then yaw about y (radians).
D3DMATRIX* D3DXMatrixRotationYawPitchRoll(D3DMATRIX* out, float yaw, float pitch, float roll);
// With y growing downwards on the screen a positive angle turns clockwise.
D3DMATRIX* D3DXMatrixRotationZ(D3DMATRIX* out, float angle);
D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z);
D3DMATRIX* D3DXMatrixScaling(D3DMATRIX* out, float x, float y, float z);

// The point (x, y, z, 1) times m, divided by w.
void TransformPoint(const D3DMATRIX& m, float x, float y, float z, float& ox, float& oy, float& oz);

} // namespace tv
