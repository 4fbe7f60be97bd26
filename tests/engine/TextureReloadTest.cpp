// Pictures changed on disk while they are in use: the texture cache loads them again in place.

#include "GfxFixture.h"
#include "engine/Clock.h"
#include "engine/DXObj.h"
#include "mapdata/Objects.h"

#include <QPainter>
#include <QTest>
#include <cstdio>

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;
using gfxtest::SolidImage;

namespace {

// A strip of frames of 32 x 32: the first one in first, the rest in rest.
QImage Strip(int width, QRgb first, QRgb rest) {
    QImage image = SolidImage(width, 32, rest);
    QPainter(&image).fillRect(0, 0, 32, 32, QColor::fromRgba(first));
    return image;
}

class TextureReload : public GfxTest {
protected:
    std::string GraphicPath(const std::string& name) const {
        return dir_.path() + "Data/Graphic/" + name;
    }

    // As most picture editors save: a new file renamed over the old one.
    void Replace(const std::string& name, const QImage& image) {
        const std::string temporary = GraphicPath(name) + ".new.png";
        ASSERT_TRUE(image.save(QString::fromStdString(temporary)));
        ASSERT_EQ(std::rename(temporary.c_str(), GraphicPath(name).c_str()), 0);
    }
    void ReplaceWithBytes(const std::string& name, const tvtest::Bytes& bytes) {
        dir_.write("Data/Graphic/" + name + ".new", bytes);
        ASSERT_EQ(std::rename((GraphicPath(name) + ".new").c_str(), GraphicPath(name).c_str()), 0);
    }

    QRgb TexelOf(const TDXTexture* texture, int x, int y) const {
        return TextureToBitmap(texture->Texture.get()).pixel(x, y);
    }
};

} // namespace

TEST_F(TextureReload, AWatchedPictureReplacedOnDiskShowsInTheViewObjectsThatUseIt) {
    ManualClock clock(1000);
    const ScopedClock useClock(clock);
    tvtest::MessageBoxRecorder notices;
    SavePicture("fx/strip.png", Strip(64, qRgb(220, 30, 30), qRgb(30, 30, 220)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    TMapScene scene(device_, TextureMgr.get());
    std::vector<std::vector<TDXTexture*>> heard;
    TextureMgr->SetReloadListener([&](const std::vector<TDXTexture*>& reloaded) {
        heard.push_back(reloaded);
        scene.TexturesReloaded(reloaded);
    });
    TextureMgr->WatchFiles();

    // An animated decoration shows the strip's first frame over its whole quad.
    TDecorInfo record;
    record.Texture = "fx\\strip.png";
    record.Left = 100;
    record.Top = 100;
    record.Width = 200;
    record.Height = 200;
    record.FrameWidth = 32;
    record.FrameHeight = 32;
    record.Animated = 1;
    record.Color = 0xFFFFFFFFu;
    TWrapper* view = scene.CreateView(&record);
    ASSERT_TRUE(view);
    TDXTexture* texture = view->Texture;
    const auto draw = [&] { return Frame([&] { scene.DrawObjects(nullptr); }); };
    QImage frame = draw();
    EXPECT_TRUE(PixelNear(frame, 120, 200, 220, 30, 30));
    EXPECT_TRUE(PixelNear(frame, 280, 200, 220, 30, 30));

    // A wider strip: the first frame is now a quarter of the picture, not half of it.
    Replace("fx/strip.png", Strip(128, qRgb(30, 200, 30), qRgb(230, 230, 40)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.empty(); }, 5000));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], std::vector<TDXTexture*>{texture});
    EXPECT_EQ(TextureMgr->FindTexture("fx\\strip.png"), texture); // the same object, reloaded
    EXPECT_EQ(view->Texture, texture);
    frame = draw();
    EXPECT_TRUE(PixelNear(frame, 120, 200, 30, 200, 30));
    EXPECT_TRUE(PixelNear(frame, 280, 200, 30, 200, 30));

    // A file that is no picture keeps the picture shown, and says so once.
    ReplaceWithBytes("fx/strip.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notices.messages().empty(); }, 5000));
    ASSERT_EQ(notices.messages().size(), 1u);
    EXPECT_NE(notices.messages()[0].find("Error when loading texture."), std::string::npos);
    EXPECT_NE(notices.messages()[0].find("strip.png"), std::string::npos) << notices.messages()[0];
    ReplaceWithBytes("fx/strip.png", {1, 2, 3, 4, 5, 6, 7, 8, 9});
    QTest::qWait(3 * 200 + 300);
    EXPECT_EQ(notices.messages().size(), 1u);
    EXPECT_EQ(heard.size(), 1u);
    frame = draw();
    EXPECT_TRUE(PixelNear(frame, 280, 200, 30, 200, 30));

    // Written in place, readable again: shown.
    SavePicture("fx/strip.png", Strip(64, qRgb(40, 40, 40), qRgb(200, 200, 200)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() == 2; }, 5000));
    frame = draw();
    EXPECT_TRUE(PixelNear(frame, 280, 200, 40, 40, 40));
    EXPECT_EQ(notices.messages().size(), 1u);
}

// Without a watch (or when it missed a change), ReloadChanged, which opening a map runs,
// compares every file with the version loaded.
TEST_F(TextureReload, ReloadChangedTakesOnlyFilesThatChangedAndKeepsWhatIsGone) {
    tvtest::MessageBoxRecorder notices;
    for (const char* name : {"a.png", "b.png", "c.png", "made.png"})
        SavePicture(name, SolidImage(8, 8, qRgb(10, 10, 10)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    TDXTexture* a = TextureMgr->GetTexture("a.png", 0);
    TDXTexture* b = TextureMgr->GetTexture("B.PNG", 0);
    TDXTexture* c = TextureMgr->GetTexture("c.png", 0);
    // A texture handed to the cache ready-made has no file of its own, whatever its name.
    auto handed = std::make_unique<TDXTexture>(device_, "made.png", true, 0, false);
    handed->Load();
    TDXTexture* made = TextureMgr->AddTexture(handed.release(), 0);
    const TD3DTexture* bBefore = b->Texture.get();
    const TD3DTexture* cBefore = c->Texture.get();
    const TD3DTexture* madeBefore = made->Texture.get();
    EXPECT_TRUE(TextureMgr->ReloadChanged().empty());

    Replace("a.png", SolidImage(8, 8, qRgb(0, 0, 250)));
    ASSERT_TRUE(QFile::remove(QString::fromStdString(GraphicPath("b.png"))));
    Replace("made.png", SolidImage(8, 8, qRgb(0, 0, 250)));
    EXPECT_EQ(TextureMgr->ReloadChanged(), std::vector<TDXTexture*>{a});
    EXPECT_EQ(TexelOf(a, 3, 3), qRgb(0, 0, 250));
    EXPECT_EQ(b->Texture.get(), bBefore);
    EXPECT_EQ(TexelOf(b, 3, 3), qRgb(10, 10, 10));
    EXPECT_EQ(c->Texture.get(), cBefore);
    EXPECT_EQ(made->Texture.get(), madeBefore);
    EXPECT_TRUE(TextureMgr->ReloadChanged().empty());

    // The one that was gone comes back changed.
    SavePicture("b.png", SolidImage(8, 8, qRgb(250, 0, 0)));
    EXPECT_EQ(TextureMgr->ReloadChanged(), std::vector<TDXTexture*>{b});
    EXPECT_EQ(TexelOf(b, 3, 3), qRgb(250, 0, 0));
    EXPECT_TRUE(notices.messages().empty());
}
