#pragma once

// A headless device with the map view's render state (from the map scene), a temporary base
// folder for pictures, and pixel helpers.

#include "TestSupport.h"
#include "document/MapScene.h"
#include "engine/D3DXMath.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
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

using tv::kViewClearColor;

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
        engine_ = std::make_unique<tv::TEngineSession>(target_.get(), BackWidth(), BackHeight());
        device_ = engine_->Device();
        ASSERT_TRUE(device_) << "no OpenGL 3.3 core context (run under Xvfb)";
        scene_ = std::make_unique<tv::TMapScene>(device_, nullptr);
        SetupRenderState(0);
    }

    void TearDown() override {
        scene_.reset();
        device_.reset();
        engine_.reset();
        target_.reset();
        tv::SetBaseFolder(oldBase_);
    }

    virtual int BackWidth() const { return 800; }
    virtual int BackHeight() const { return 600; }

    // The map view's render state for the logical screen starting at worldX, set by the map
    // scene itself so that the panels are tested as the view draws them.
    void SetupRenderState(int worldX) { scene_->SetupDeviceStates(worldX); }

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
    // The device with the engine's texture cache, which a test may replace with one of its own.
    std::unique_ptr<tv::TEngineSession> engine_;
    tv::PD3DDevice device_;
    std::unique_ptr<tv::TMapScene> scene_;
};

} // namespace gfxtest
