#pragma once

// Drawable panels: the texture holder TDXTexture and the drawables TDXObj (device, texture,
// material, transforms, visibility), TDXPanel (a coloured, textured quad with blending) and
// TDXPanelEx (frame animation from a horizontal strip).
//
// A panel is a quad built about its local origin; its translation is the screen position of
// its centre, so rotation and scaling act about the centre. World = Scaling x Rotation x
// Translation (row vectors: scale, then rotate, then move).

#include "engine/Device.h"
#include "engine/Graphics.h"
#include "mapdata/Geometry.h"
#include "mapdata/Persistent.h"

#include <cstdint>
#include <string>

namespace tv {

enum TDXBlend : uint8_t {
    bl_normal = 0, // alpha blending (SRCALPHA, INVSRCALPHA)
    bl_add = 1,    // additive (ONE, ONE)
};

// One texture file on one device. Name is the file name relative to the graphic data folder
// and the key of the texture cache; "??tex??" marks a texture handed over already made.
class TDXTexture {
public:
    // Keeps the device and calls SetFile.
    TDXTexture(PD3DDevice device, const std::string& fileName, bool filter, uint32_t colorKey,
               bool loadNow);
    virtual ~TDXTexture() = default;
    TDXTexture(const TDXTexture&) = delete;
    TDXTexture& operator=(const TDXTexture&) = delete;

    // Does nothing for an empty Name; otherwise releases the held texture and loads Name from
    // the graphic folder (linear filtering when Filter is on). Raises "Error when loading
    // texture." when no texture results (missing or unreadable file).
    virtual void Load();
    // Stores the name, filter and colour key; loads at once when loadNow.
    virtual void SetFile(const std::string& fileName, bool filter, uint32_t colorKey, bool loadNow);

    std::string Name;
    PD3DTexture Texture;
    PD3DDevice Device;
    bool Filter = true;
    uint32_t ColorKey = 0;
    int32_t Tag = 0;
};

inline constexpr const char* kHandedOverTextureName = "??tex??";

// Position and size of a panel: X and Y are the top-left corner at the last SetPosition,
// Width and Height the quad's size in pixels.
struct TDXBounds {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TDXBounds&) const = default;
};

// One vertex of the quad in the device's vertex format 0x142.
struct TDXVertex {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    uint32_t Diffuse = 0;
    float U = 0.0f, V = 0.0f;
};
static_assert(sizeof(TDXVertex) == kPanelVertexSize);

// Base drawable. Owns its vertex buffer, its device reference and its Texture, unless the
// texture cache holds that texture object.
class TDXObj : public TPersistent {
public:
    explicit TDXObj(PD3DDevice device);
    ~TDXObj() override;
    TDXObj(const TDXObj&) = delete;
    TDXObj& operator=(const TDXObj&) = delete;
    const char* ClassName() const override { return "TDXObj"; }

    // Material, texture of stage 0 (no texture shows the vertex colour) and the world
    // transform Scaling x Rotation x Translation.
    virtual void Draw();
    // A bare object has no quad: nothing to build.
    virtual void RebuildQuad() {}
    virtual void Hide();
    virtual void Show();
    virtual void ToggleVisible();
    // Angles in degrees.
    virtual void SetRotation(float ax, float ay, float az);
    virtual void Rotate(float ax, float ay, float az);
    virtual void Translate(float x, float y, float z);
    virtual void SetRotationZ(float angle);
    virtual void RotateZ(float angle);
    virtual void Translate2D(float x, float y);
    virtual void SetScale(float x, float y, float z);
    virtual void Scale(float x, float y, float z);
    virtual void SetScale2D(float x, float y);
    virtual void Scale2D(float x, float y);

    PD3DDevice Device;
    D3DMATERIAL8 Material;
    TDXTexture* Texture = nullptr;
    D3DMATRIX Translation;
    D3DMATRIX Rotation;
    D3DMATRIX Scaling;
    PD3DVertexBuffer VertexBuffer;
    bool Visible = true;
    std::string Name;
    uint32_t AnimTick = 0;
    uint32_t Timer = 0;

protected:
    // Frees Texture unless the texture cache holds that very object.
    void FreeTexture();
};

// The default material: every colour (1, 1, 1, 1), power 5.
const D3DMATERIAL8& DefaultMaterial();

class TDXPanel : public TDXObj {
public:
    // White, bounds (10, 10, 200, 40), no quad and no texture coordinates: size it before
    // drawing.
    explicit TDXPanel(PD3DDevice device);
    // The full constructor. A given texture replaces the panel's own one; otherwise a file
    // name is loaded at once (a load failure propagates and no panel is made), and a given
    // device texture replaces whatever was loaded, under the name "??tex??". Texture
    // coordinates 0.01..0.99; the quad is built when build is set.
    TDXPanel(PD3DDevice device, const TDXBounds& bounds, uint32_t color, TDXTexture* texture,
             const std::string& fileName, bool build, PD3DTexture deviceTexture);
    const char* ClassName() const override { return "TDXPanel"; }

    // Skipped when hidden or when the quad was never built.
    void Draw() override;
    // Vertex positions from Bounds, into the vertex buffer; then SetPosition(Bounds X, Y).
    void RebuildQuad() override;

    virtual void SetPosition(int32_t x, int32_t y);
    // The current top-left corner (after any Move), rounded half to even.
    virtual TPoint GetPosition() const;
    virtual D3DXVECTOR2 GetPositionF() const;
    // Keeps the centre where it is.
    virtual void SetSize(int32_t width, int32_t height);
    virtual void AlignAxes(bool horizontal, bool vertical);
    virtual void SetAngle(float angle);
    virtual void Turn(float angle);
    virtual void SetZoom(float x, float y);
    virtual void Zoom(float x, float y);
    virtual void Move(float dx, float dy);
    virtual void SetColor(uint32_t color);
    // Only the GUI controls react to the mouse; other panels ignore these.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}

    // u of the left and right edges, v of the top and bottom edges.
    void SetTexCoords(bool rebuild, float left, float top, float right, float bottom);

    TDXVertex Vertices[4];
    uint32_t Color = 0xFFFFFFFFu;
    TDXBounds Bounds;
    TDXBlend Blend = bl_normal;

protected:
    void SetVertexColors(uint32_t color);
};

class TDXPanelEx : public TDXPanel {
public:
    using TDXPanel::TDXPanel;
    const char* ClassName() const override { return "TDXPanelEx"; }

    // Steps to the next frame once more than 1000 / FPS ms have passed since the last step.
    virtual void Animate();
    // Frames lie side by side in one row of the texture. Ignored for a zero size or rate or
    // without a loaded texture. start shows frame 0 at once and starts stepping.
    virtual void SetAnimation(int32_t frameWidth, int32_t frameHeight, int32_t fps, bool start);
    virtual void Process();
    virtual void SetTexRect(float left, float top, float right, float bottom);

    int32_t FrameCount = 0;
    int32_t Frame = 0;
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;
    int32_t FPS = 0;
    bool Animating = false;
    float FrameU = 0.0f;
    float FrameV = 0.0f;
};

// Registers TDXObj and TDXPanel by class name (made on D3DDevice). Runs at start; calling it
// again changes nothing.
void RegisterDrawableClasses();

} // namespace tv
