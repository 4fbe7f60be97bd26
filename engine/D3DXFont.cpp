#include "engine/D3DXFont.h"

#include "engine/D3DXMath.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace tv {

namespace {

constexpr size_t kCachedTexts = 8;

struct QuadVertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(QuadVertex) == kPanelVertexSize);

// Device state the font changes while it draws, put back afterwards.
struct SavedState {
    static constexpr uint32_t kRenderStates[] = {D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND,
                                                 D3DRS_DESTBLEND};
    static constexpr uint32_t kStageStates[] = {
        D3DTSS_COLOROP,   D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP,  D3DTSS_ALPHAARG1,
        D3DTSS_ALPHAARG2, D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_ADDRESSU, D3DTSS_ADDRESSV};
    uint32_t Render[std::size(kRenderStates)] = {};
    uint32_t Stage[std::size(kStageStates)] = {};
    D3DMATRIX World{}, View{}, Projection{};
    TD3DTexture* Texture = nullptr;
    TD3DVertexBuffer* Stream = nullptr;
    uint32_t Stride = 0;
    uint32_t Fvf = 0;

    explicit SavedState(TD3DDevice& d) {
        for (size_t i = 0; i < std::size(kRenderStates); ++i)
            d.GetRenderState(kRenderStates[i], &Render[i]);
        for (size_t i = 0; i < std::size(kStageStates); ++i)
            d.GetTextureStageState(0, kStageStates[i], &Stage[i]);
        d.GetTransform(D3DTS_WORLD, &World);
        d.GetTransform(D3DTS_VIEW, &View);
        d.GetTransform(D3DTS_PROJECTION, &Projection);
        Texture = d.GetTexture(0);
        d.GetStreamSource(0, &Stream, &Stride);
        Fvf = d.GetVertexShader();
    }
    void Restore(TD3DDevice& d) const {
        for (size_t i = 0; i < std::size(kRenderStates); ++i)
            d.SetRenderState(kRenderStates[i], Render[i]);
        for (size_t i = 0; i < std::size(kStageStates); ++i)
            d.SetTextureStageState(0, kStageStates[i], Stage[i]);
        d.SetTransform(D3DTS_WORLD, &World);
        d.SetTransform(D3DTS_VIEW, &View);
        d.SetTransform(D3DTS_PROJECTION, &Projection);
        d.SetTexture(0, Texture);
        d.SetStreamSource(0, Stream, Stride);
        if (Fvf)
            d.SetVertexShader(Fvf);
    }
};

} // namespace

TD3DXFont::TD3DXFont(PD3DDevice device, const QFont& font)
    : device_(std::move(device)), font_(font) {
    cache_.reserve(kCachedTexts);
    if (device_)
        device_->CreateVertexBuffer(4 * kPanelVertexSize, 0, kPanelFVF, D3DPOOL_MANAGED, &quad_);
}

TD3DXFont::Entry* TD3DXFont::Find(std::string_view text) {
    for (Entry& entry : cache_)
        if (entry.Text == text)
            return &entry;
    return nullptr;
}

TD3DXFont::Entry* TD3DXFont::Render(std::string_view text) {
    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(font_);
    const QSize size(std::max(1, metrics.horizontalAdvance(qtext) + 1),
                     std::max(1, metrics.height()));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return nullptr;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(0, metrics.ascent(), qtext);
    }
    image = image.convertToFormat(QImage::Format_ARGB32);
    PD3DTexture texture;
    if (FAILED(device_->CreateTexture(static_cast<uint32_t>(size.width()),
                                      static_cast<uint32_t>(size.height()), 1, 0, D3DFMT_A8R8G8B8,
                                      D3DPOOL_MANAGED, &texture)) ||
        FAILED(texture->SetPixels(image.constBits(), static_cast<int>(image.bytesPerLine()))))
        return nullptr;
    ++rendered_;
    Entry* slot = nullptr;
    if (cache_.size() < kCachedTexts) {
        cache_.push_back(Entry{});
        slot = &cache_.back();
    } else {
        slot = &*std::min_element(cache_.begin(), cache_.end(), [](const Entry& a, const Entry& b) {
            return a.LastUse < b.LastUse;
        });
    }
    slot->Text.assign(text);
    slot->Texture = std::move(texture);
    slot->Size = size;
    return slot;
}

int TD3DXFont::DrawTextA(std::string_view text, int count, const TRect& rect, uint32_t format,
                         uint32_t color) {
    if (count >= 0 && static_cast<size_t>(count) < text.size())
        text = text.substr(0, static_cast<size_t>(count));
    if (!device_ || !quad_ || text.empty())
        return 0;
    Entry* entry = Find(text);
    if (!entry)
        entry = Render(text);
    if (!entry)
        return 0;
    entry->LastUse = ++useCounter_;

    int width = entry->Size.width();
    int height = entry->Size.height();
    if (!(format & DT_NOCLIP)) {
        width = std::min<int64_t>(width, std::max<int64_t>(0, int64_t{rect.Right} - rect.Left));
        height = std::min<int64_t>(height, std::max<int64_t>(0, int64_t{rect.Bottom} - rect.Top));
    }
    if (width <= 0 || height <= 0)
        return entry->Size.height();

    const float x0 = static_cast<float>(rect.Left), y0 = static_cast<float>(rect.Top);
    const float x1 = x0 + static_cast<float>(width), y1 = y0 + static_cast<float>(height);
    const float u1 = static_cast<float>(width) / static_cast<float>(entry->Size.width());
    const float v1 = static_cast<float>(height) / static_cast<float>(entry->Size.height());
    const QuadVertex quad[4] = {{x0, y0, 0, color, 0, 0},
                                {x0, y1, 0, color, 0, v1},
                                {x1, y0, 0, color, u1, 0},
                                {x1, y1, 0, color, u1, v1}};
    uint8_t* data = nullptr;
    if (FAILED(quad_->Lock(0, sizeof quad, &data, 0)))
        return entry->Size.height();
    std::memcpy(data, quad, sizeof quad);
    quad_->Unlock();

    TD3DDevice& d = *device_;
    const SavedState saved(d);
    const QSize back = d.BackBufferSize();
    D3DMATRIX pixels;
    D3DXMatrixOrthoOffCenterLH(&pixels, 0.0f, static_cast<float>(back.width()),
                               static_cast<float>(back.height()), 0.0f, -1.0f, 1.0f);
    const D3DMATRIX identity = MakeIdentityMatrix();
    d.SetTransform(D3DTS_WORLD, &identity);
    d.SetTransform(D3DTS_VIEW, &identity);
    d.SetTransform(D3DTS_PROJECTION, &pixels);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    d.SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d.SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    d.SetTexture(0, entry->Texture.get());
    d.SetVertexShader(kPanelFVF);
    d.SetStreamSource(0, quad_.get(), kPanelVertexSize);
    d.DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    saved.Restore(d);
    return entry->Size.height();
}

HRESULT D3DXCreateFont(const PD3DDevice& device, const QFont& font,
                       std::shared_ptr<TD3DXFont>* out) {
    if (!out)
        return D3DERR_INVALIDCALL;
    out->reset();
    if (!device)
        return D3DERR_INVALIDCALL;
    *out = std::make_shared<TD3DXFont>(device, font);
    return D3D_OK;
}

HRESULT D3DXCreateSprite(const PD3DDevice& device, std::shared_ptr<TD3DXSprite>* out) {
    if (!out)
        return D3DERR_INVALIDCALL;
    out->reset();
    if (!device)
        return D3DERR_INVALIDCALL;
    *out = std::make_shared<TD3DXSprite>(device);
    return D3D_OK;
}

} // namespace tv
