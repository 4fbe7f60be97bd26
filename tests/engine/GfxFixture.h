#pragma once

// A headless device with the map view's render state, a temporary base folder for pictures,
// and pixel helpers.

#include "TestSupport.h"
#include "engine/D3DXMath.h"
#include "engine/Device.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/TextureMgr.h"
#include "mapdata/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace gfxtest {

inline constexpr uint32_t kViewClearColor = 0xFF000055u;

// Channels of a pixel, each within tolerance of the expected value.
inline ::testing::AssertionResult PixelNear(const QImage& image, int x, int y, int r, int g, int b,
                                            int tolerance = 3) {
    if (!image.valid(x, y))
        return ::testing::AssertionFailure() << "(" << x << "," << y << ") is outside the image";
    const QRgb p = image.pixel(x, y);
    if (std::abs(qRed(p) - r) <= tolerance && std::abs(qGreen(p) - g) <= tolerance &&
        std::abs(qBlue(p) - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << "," << y << ") is (" << qRed(p) << "," << qGreen(p) << ","
           << qBlue(p) << "), expected (" << r << "," << g << "," << b << ")";
}

inline QImage SolidImage(int width, int height, QRgb color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

class GfxTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldBase_ = tv::BaseFolder();
        tv::SetBaseFolder(dir_.path());
        target_ = std::make_unique<tv::THeadlessTarget>(BackWidth(), BackHeight());
        ASSERT_TRUE(
            tv::CreateGraphicsDevice(target_.get(), false, BackWidth(), BackHeight(), 32, 1, true))
            << "no OpenGL 3.3 core context (run under Xvfb)";
        device_ = tv::D3DDevice;
        tv::EngineDevice = device_;
        SetupRenderState(0);
    }

    void TearDown() override {
        tv::TextureMgr.reset();
        tv::EngineDevice.reset();
        device_.reset();
        tv::ReleaseGraphicsDevice();
        target_.reset();
        tv::SetBaseFolder(oldBase_);
    }

    virtual int BackWidth() const { return 800; }
    virtual int BackHeight() const { return 600; }

    // The map view's render state for the logical screen starting at worldX.
    void SetupRenderState(int worldX) {
        using namespace tv;
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device_->SetRenderState(D3DRS_LIGHTING, 0);
        device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
        device_->SetRenderState(D3DRS_ZENABLE, 1);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_COLORVERTEX, 1);
        SetProjection(worldX);
        device_->SetTransform(D3DTS_WORLD, &IdentityMatrix);
        device_->SetTransform(D3DTS_VIEW, &IdentityMatrix);
    }

    void SetProjection(int worldX) {
        tv::D3DMATRIX projection;
        tv::D3DXMatrixOrthoOffCenterLH(&projection, static_cast<float>(worldX),
                                       static_cast<float>(worldX + 800), 600.0f, 0.0f, -10.0f,
                                       10.0f);
        device_->SetTransform(tv::D3DTS_PROJECTION, &projection);
    }

    // One frame as the view draws it, read back.
    QImage Frame(const std::function<void()>& draw) {
        device_->Clear(0, nullptr, tv::D3DCLEAR_TARGET, kViewClearColor, 1.0f, 0);
        device_->BeginScene();
        draw();
        device_->EndScene();
        device_->Present();
        return device_->ReadBackBuffer();
    }

    // Saves a picture as Data/Graphic/<name> under the temporary base folder.
    void SavePicture(const std::string& name, const QImage& image) {
        const QString path = QString::fromStdString(dir_.path() + "Data/Graphic/" + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(image.save(path)) << name;
    }

    tvtest::TempDir dir_;
    std::string oldBase_;
    std::unique_ptr<tv::THeadlessTarget> target_;
    tv::PD3DDevice device_;
};

} // namespace gfxtest
