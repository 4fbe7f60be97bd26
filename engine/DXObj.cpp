#include "engine/DXObj.h"
#include "mapdata/Geometry.h"

#include "engine/Clock.h"
#include "engine/GraphicResources.h"
#include "engine/TextureMgr.h"
#include "mapdata/Errors.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace tv {

namespace {

float Radians(float degrees) {
    return static_cast<float>(DegToRad(degrees));
}

// Nearest integer, halves to even, kept inside the 32-bit range.
int32_t RoundToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

D3DMATERIAL8 MakeDefaultMaterial() {
    D3DMATERIAL8 m;
    const D3DCOLORVALUE white{1.0f, 1.0f, 1.0f, 1.0f};
    m.Diffuse = m.Ambient = m.Specular = m.Emissive = white;
    m.Power = 5.0f;
    return m;
}

} // namespace

const D3DMATERIAL8& DefaultMaterial() {
    static const D3DMATERIAL8 material = MakeDefaultMaterial();
    return material;
}

// ---------------------------------------------------------------------------------------------
// TDXTexture

TDXTexture::TDXTexture(PD3DDevice device, const std::string& fileName, bool filter,
                       uint32_t colorKey, bool loadNow)
    : Device(std::move(device)) {
    SetFile(fileName, filter, colorKey, loadNow);
}

void TDXTexture::Load() {
    if (Name.empty())
        return;
    Texture.reset();
    LoadGraphicTexture(Device, Name, Filter ? D3DX_FILTER_LINEAR : D3DX_FILTER_NONE, ColorKey,
                       D3DFMT_UNKNOWN, Texture);
    if (!Texture)
        RaiseEngineError(ERR_TEXTURE_LOAD);
}

void TDXTexture::SetFile(const std::string& fileName, bool filter, uint32_t colorKey,
                         bool loadNow) {
    Name = fileName;
    Filter = filter;
    ColorKey = colorKey;
    if (loadNow)
        Load();
}

// ---------------------------------------------------------------------------------------------
// TDXObj

TDXObj::TDXObj(PD3DDevice device)
    : Device(std::move(device)), Material(DefaultMaterial()), Translation(IdentityMatrix),
      Rotation(IdentityMatrix), Scaling(IdentityMatrix), Name("DXObj") {
    Texture = new TDXTexture(Device, std::string(), true, 0, false);
}

TDXObj::~TDXObj() {
    FreeTexture();
}

void TDXObj::FreeTexture() {
    if (Texture && !(TextureMgr && TextureMgr->Holds(Texture)))
        delete Texture;
    Texture = nullptr;
}

void TDXObj::Draw() {
    if (!Device)
        return;
    Device->SetMaterial(&Material);
    Device->SetTexture(0, Texture ? Texture->Texture.get() : nullptr);
    D3DMATRIX world;
    D3DXMatrixMultiply(&world, &Scaling, &Rotation);
    D3DXMatrixMultiply(&world, &world, &Translation);
    Device->SetTransform(D3DTS_WORLD, &world);
}

void TDXObj::Hide() {
    Visible = false;
}
void TDXObj::Show() {
    Visible = true;
}
void TDXObj::ToggleVisible() {
    Visible = !Visible;
}

void TDXObj::SetRotation(float ax, float ay, float az) {
    D3DXMatrixRotationYawPitchRoll(&Rotation, Radians(ay), Radians(ax), Radians(az));
}

void TDXObj::Rotate(float ax, float ay, float az) {
    D3DMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, Radians(ay), Radians(ax), Radians(az));
    D3DXMatrixMultiply(&Rotation, &Rotation, &m);
}

void TDXObj::Translate(float x, float y, float z) {
    D3DMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    D3DXMatrixMultiply(&Translation, &Translation, &m);
}

void TDXObj::SetRotationZ(float angle) {
    D3DXMatrixRotationZ(&Rotation, Radians(angle));
}

void TDXObj::RotateZ(float angle) {
    D3DMATRIX m;
    D3DXMatrixRotationZ(&m, Radians(angle));
    D3DXMatrixMultiply(&Rotation, &Rotation, &m);
}

void TDXObj::Translate2D(float x, float y) {
    Translate(x, y, 0.0f);
}

void TDXObj::SetScale(float x, float y, float z) {
    D3DXMatrixScaling(&Scaling, x, y, z);
}

void TDXObj::Scale(float x, float y, float z) {
    D3DMATRIX m;
    D3DXMatrixScaling(&m, x, y, z);
    D3DXMatrixMultiply(&Scaling, &Scaling, &m);
}

void TDXObj::SetScale2D(float x, float y) {
    SetScale(x, y, 1.0f);
}
void TDXObj::Scale2D(float x, float y) {
    Scale(x, y, 1.0f);
}

// ---------------------------------------------------------------------------------------------
// TDXPanel

TDXPanel::TDXPanel(PD3DDevice device) : TDXObj(std::move(device)) {
    Color = 0xFFFFFFFFu;
    Bounds = TDXBounds{10, 10, 200, 40};
    SetVertexColors(Color);
}

TDXPanel::TDXPanel(PD3DDevice device, const TDXBounds& bounds, uint32_t color, TDXTexture* texture,
                   const std::string& fileName, bool build, PD3DTexture deviceTexture)
    : TDXObj(std::move(device)) {
    Name = "DXPanel";
    Blend = bl_normal;
    Color = color;
    Bounds = bounds;
    SetVertexColors(color);
    if (texture) {
        FreeTexture();
        Texture = texture;
    } else {
        if (!fileName.empty())
            Texture->SetFile(fileName, Texture->Filter, Texture->ColorKey, true);
        if (deviceTexture) {
            Texture->Name = kHandedOverTextureName;
            Texture->Texture = std::move(deviceTexture);
        }
    }
    SetTexCoords(build, 0.01f, 0.01f, 0.99f, 0.99f);
    SetPosition(bounds.X, bounds.Y);
}

void TDXPanel::SetVertexColors(uint32_t color) {
    for (TDXVertex& v : Vertices)
        v.Diffuse = color;
}

void TDXPanel::SetTexCoords(bool rebuild, float left, float top, float right, float bottom) {
    Vertices[0].U = left;
    Vertices[0].V = top;
    Vertices[1].U = left;
    Vertices[1].V = bottom;
    Vertices[2].U = right;
    Vertices[2].V = top;
    Vertices[3].U = right;
    Vertices[3].V = bottom;
    if (rebuild)
        RebuildQuad();
}

void TDXPanel::RebuildQuad() {
    const auto hw = static_cast<float>(Bounds.Width / 2);
    const auto hh = static_cast<float>(Bounds.Height / 2);
    Vertices[0].X = -hw;
    Vertices[0].Y = -hh;
    Vertices[1].X = -hw;
    Vertices[1].Y = hh;
    Vertices[2].X = hw;
    Vertices[2].Y = -hh;
    Vertices[3].X = hw;
    Vertices[3].Y = hh;
    for (TDXVertex& v : Vertices)
        v.Z = 0.0f;
    // The quad's buffer is made once and rewritten in place afterwards.
    if (Device && !VertexBuffer)
        Device->CreateVertexBuffer(sizeof Vertices, 0, kPanelFVF, D3DPOOL_MANAGED, &VertexBuffer);
    uint8_t* data = nullptr;
    if (VertexBuffer && SUCCEEDED(VertexBuffer->Lock(0, sizeof Vertices, &data, 0))) {
        std::memcpy(data, Vertices, sizeof Vertices);
        VertexBuffer->Unlock();
    }
    SetPosition(Bounds.X, Bounds.Y);
}

void TDXPanel::Draw() {
    if (!Visible || !Device || !VertexBuffer)
        return;
    TDXObj::Draw();
    if (Blend == bl_normal) {
        Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    } else {
        Device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        Device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    }
    Device->SetVertexShader(kPanelFVF);
    Device->SetStreamSource(0, VertexBuffer.get(), kPanelVertexSize);
    Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void TDXPanel::SetPosition(int32_t x, int32_t y) {
    D3DXMatrixTranslation(&Translation, static_cast<float>(int64_t{x} + Bounds.Width / 2),
                          static_cast<float>(int64_t{y} + Bounds.Height / 2), 0.0f);
    const TPoint p = GetPosition();
    Bounds.X = p.X;
    Bounds.Y = p.Y;
}

TPoint TDXPanel::GetPosition() const {
    const int64_t x = int64_t{RoundToInt(Translation.m[3][0])} - Bounds.Width / 2;
    const int32_t y = RoundToInt(double{Translation.m[3][1]} - Bounds.Height / 2);
    return TPoint{SaturateToInt32(x), y};
}

D3DXVECTOR2 TDXPanel::GetPositionF() const {
    return D3DXVECTOR2{Translation.m[3][0] - static_cast<float>(Bounds.Width / 2),
                       Translation.m[3][1] - static_cast<float>(Bounds.Height / 2)};
}

void TDXPanel::SetSize(int32_t width, int32_t height) {
    Bounds.Width = width;
    Bounds.Height = height;
    const TPoint p = GetPosition();
    RebuildQuad();
    SetPosition(p.X, p.Y);
}

void TDXPanel::AlignAxes(bool horizontal, bool vertical) {
    if (horizontal) {
        const TPoint p = GetPosition();
        SetPosition(SaturateToInt32((int64_t{Bounds.Width} - p.X) / 2), p.Y);
    }
    if (vertical) {
        const TPoint p = GetPosition();
        SetPosition(p.X, SaturateToInt32((int64_t{Bounds.Height} - p.Y) / 2));
    }
}

void TDXPanel::SetAngle(float angle) {
    SetRotationZ(angle);
}
void TDXPanel::Turn(float angle) {
    RotateZ(angle);
}
void TDXPanel::SetZoom(float x, float y) {
    SetScale2D(x, y);
}
void TDXPanel::Zoom(float x, float y) {
    Scale2D(x, y);
}
void TDXPanel::Move(float dx, float dy) {
    Translate2D(dx, dy);
}

void TDXPanel::SetColor(uint32_t color) {
    Color = color;
    SetVertexColors(color);
    const TPoint p = GetPosition();
    RebuildQuad();
    SetPosition(p.X, p.Y);
}

// ---------------------------------------------------------------------------------------------
// TDXPanelEx

void TDXPanelEx::SetAnimation(int32_t frameWidth, int32_t frameHeight, int32_t fps, bool start) {
    if (frameWidth == 0 || frameHeight == 0 || fps == 0 || !Texture || !Texture->Texture)
        return;
    D3DSURFACE_DESC desc;
    if (FAILED(Texture->Texture->GetLevelDesc(0, &desc)))
        return;
    FrameWidth = frameWidth;
    FrameHeight = frameHeight;
    FPS = fps;
    Animating = start;
    FrameCount = static_cast<int32_t>(int64_t{desc.Width} / frameWidth);
    Frame = 0;
    FrameU = static_cast<float>(frameWidth) / static_cast<float>(desc.Width);
    FrameV = static_cast<float>(frameHeight) / static_cast<float>(desc.Height);
    AnimTick = GetTickCount();
    if (start)
        SetTexRect(0.01f, 0.01f, FrameU, FrameV);
}

void TDXPanelEx::Animate() {
    if (!Animating || FPS == 0)
        return;
    const uint32_t now = GetTickCount();
    // Differences of the wrapping millisecond counter.
    const uint32_t elapsed = now - AnimTick;
    if (static_cast<double>(elapsed) <= 1000.0 / FPS)
        return;
    AnimTick = now;
    ++Frame;
    if (Frame > FrameCount - 1)
        Frame = 0;
    const auto f = static_cast<float>(Frame);
    SetTexRect(f * FrameU + 0.01f, f * FrameV + 0.01f, (f + 1.0f) * FrameU - 0.01f,
               (f + 1.0f) * FrameV - 0.01f);
}

void TDXPanelEx::Process() {
    Animate();
}

void TDXPanelEx::SetTexRect(float left, float top, float right, float bottom) {
    const TPoint p = GetPosition();
    SetTexCoords(true, left, top, right, bottom);
    SetPosition(p.X, p.Y);
}

// ---------------------------------------------------------------------------------------------

void RegisterDrawableClasses() {
    TClassRegistry& registry = TClassRegistry::Instance();
    registry.Register("TDXObj", [] { return std::make_unique<TDXObj>(D3DDevice); });
    registry.Register("TDXPanel", [] { return std::make_unique<TDXPanel>(D3DDevice); });
}

namespace {
[[maybe_unused]] const bool kDrawablesRegistered = (RegisterDrawableClasses(), true);
} // namespace

} // namespace tv
