// Textures from pictures and bitmaps, back to bitmaps, and the texture cache.

#include "GfxFixture.h"
#include "engine/DXObj.h"
#include "mapdata/Errors.h"

#include <QPainter>

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;
using gfxtest::SolidImage;

namespace {

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EError& e) {
        return e.what();
    }
    return "";
}

// Level 0 of a 32-bit texture as ARGB values, row by row.
std::vector<uint32_t> Texels(TD3DTexture& texture) {
    D3DSURFACE_DESC desc;
    texture.GetLevelDesc(0, &desc);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture.LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint32_t> texels(size_t{desc.Width} * desc.Height);
    for (uint32_t y = 0; y < desc.Height; ++y)
        std::memcpy(&texels[y * desc.Width],
                    static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
    texture.UnlockRect(0);
    return texels;
}

// Magenta dots on a grey field, one of them half transparent.
QImage KeyedPicture() {
    QImage image = SolidImage(4, 2, qRgb(128, 128, 128));
    image.setPixel(0, 0, qRgb(255, 0, 255));
    image.setPixel(3, 1, qRgb(255, 0, 255));
    image.setPixel(1, 1, qRgba(255, 0, 255, 128));
    return image;
}

} // namespace

TEST_F(GfxTest, PicturesLoadAt32BitsWithTheirOwnSizeAndColourKey) {
    SavePicture("keyed.png", KeyedPicture());
    SavePicture("odd.jpg", SolidImage(37, 13, qRgb(0, 0, 255)));
    PD3DTexture texture;
    LoadGraphicTexture(device_, "keyed.png", D3DX_FILTER_LINEAR, 0xFFFF00FFu, 0, texture);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Format(), D3DFMT_A8R8G8B8);
    const std::vector<uint32_t> texels = Texels(*texture);
    EXPECT_EQ(texels[0], 0u); // opaque magenta: transparent black
    EXPECT_EQ(texels[7], 0u);
    EXPECT_EQ(texels[5] >> 24, 128u); // not opaque: not the key
    EXPECT_EQ(texels[1], 0xFF808080u);

    // No key keeps every pixel; a picture without alpha and key becomes X8R8G8B8.
    LoadGraphicTexture(device_, "keyed.png", D3DX_FILTER_NONE, 0, 0, texture);
    EXPECT_EQ(Texels(*texture)[0], 0xFFFF00FFu);
    LoadGraphicTexture(device_, "odd.jpg", D3DX_FILTER_LINEAR, 0, 0, texture);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Width(), 37u);
    EXPECT_EQ(texture->Height(), 13u);
    EXPECT_EQ(texture->Format(), D3DFMT_X8R8G8B8);

    // A missing file is no error here; an unreadable one is.
    LoadGraphicTexture(device_, "missing.png", D3DX_FILTER_LINEAR, 0, 0, texture);
    EXPECT_FALSE(texture);
    dir_.write("Data/Graphic/broken.png", {1, 2, 3, 4});
    EXPECT_EQ(ErrorOf([&] {
                  LoadGraphicTexture(device_, "broken.png", D3DX_FILTER_LINEAR, 0, 0, texture);
              }),
              "Error when loading texture.");
    EXPECT_EQ(ErrorOf([&] {
                  LoadTextureFromFile(device_, dir_.path() + "nothing.bmp", 1, 0, 0, texture);
              }),
              "Error when loading texture.");
    // Names keep their backslashes and their letter case need not match the disk.
    SavePicture("Sub/Pic.bmp", SolidImage(2, 2, qRgb(1, 2, 3)));
    LoadGraphicTexture(device_, "sub\\PIC.BMP", D3DX_FILTER_NONE, 0, 0, texture);
    EXPECT_TRUE(texture);
}

TEST_F(GfxTest, TextureToBitmapGivesAnUpright24BitPicture) {
    PD3DTexture texture;
    ASSERT_EQ(device_->CreateTexture(64, 32, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    std::vector<uint32_t> texels(64 * 32, 0xFF0000FFu);
    for (int x = 0; x < 64; ++x)
        texels[x] = 0xFFFF0000u;        // top row red
    texels[31 * 64 + 63] = 0x0000FF00u; // bottom-right green, alpha 0
    ASSERT_EQ(texture->SetPixels(texels.data(), 64 * 4), D3D_OK);

    const QImage bitmap = TextureToBitmap(texture.get());
    EXPECT_EQ(bitmap.size(), QSize(64, 32));
    EXPECT_EQ(bitmap.depth(), 24);
    EXPECT_EQ(bitmap.pixel(10, 0), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(10, 1), qRgb(0, 0, 255));
    EXPECT_EQ(bitmap.pixel(63, 31), qRgb(0, 255, 0));

    PD3DTexture sixteen;
    ASSERT_EQ(device_->CreateTexture(8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &sixteen), D3D_OK);
    EXPECT_EQ(ErrorOf([&] { TextureToBitmap(sixteen.get()); }),
              "Tex->Bmp convert error.Not a 32 bit Texture.");
    EXPECT_EQ(ErrorOf([&] { TextureToBitmap(nullptr); }), "Error whern converting texture.");
}

TEST_F(GfxTest, BitmapToTextureKeysOnlyTheKeyColour) {
    QImage bitmap = SolidImage(6, 3, qRgba(10, 20, 30, 40)); // its alpha goes
    bitmap.setPixel(2, 1, qRgb(0, 0, 0));
    PD3DTexture texture;
    BitmapToTexture(bitmap, 0xFF000000u, texture);
    EXPECT_EQ(bitmap.depth(), 24);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Width(), 6u);
    const std::vector<uint32_t> texels = Texels(*texture);
    EXPECT_EQ(texels[0], 0xFF0A141Eu);
    EXPECT_EQ(texels[1 * 6 + 2], 0u);
    EXPECT_EQ(TextureToBitmap(texture.get()).pixel(0, 0), qRgb(10, 20, 30));

    EngineDevice.reset();
    EXPECT_EQ(ErrorOf([&] { BitmapToTexture(bitmap, 0, texture); }),
              "Error whern converting texture.");
    QImage empty;
    EngineDevice = device_;
    EXPECT_EQ(ErrorOf([&] { BitmapToTexture(empty, 0, texture); }),
              "Error whern converting texture.");
}

TEST_F(GfxTest, CacheSharesByNameIgnoringCase) {
    SavePicture("editor/frame.png", SolidImage(8, 8, qRgb(1, 2, 3)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    TDXTexture* first = TextureMgr->GetTexture("editor\\frame.png", 3);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Tag, 3);
    EXPECT_EQ(first->ColorKey, 0xFFFF00FFu);
    EXPECT_TRUE(first->Filter);
    // The file is gone, so a second load would fail: the hit does not load.
    QFile::remove(QString::fromStdString(dir_.path() + "Data/Graphic/editor/frame.png"));
    EXPECT_EQ(TextureMgr->GetTexture("EDITOR\\Frame.PNG", 0), first);
    EXPECT_EQ(TextureMgr->Count(), 1u);
    EXPECT_EQ(first->Tag, 3);
    // Another kind of slash is another name.
    EXPECT_FALSE(TextureMgr->TextureExists("editor/frame.png"));
    EXPECT_EQ(ErrorOf([&] { TextureMgr->GetTexture("editor/frame.png", 0); }),
              "Error when loading texture.");
    EXPECT_EQ(TextureMgr->Count(), 1u);
}

TEST_F(GfxTest, CacheColourKeyDependsOnTheExtension) {
    QImage image = SolidImage(16, 16, qRgb(255, 0, 255));
    QPainter(&image).fillRect(0, 0, 8, 16, QColor(0, 255, 0));
    SavePicture("dot.png", image);
    SavePicture("dot.bmp", image);
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    EXPECT_EQ(TextureMgr->GetTexture("dot.bmp", 0)->ColorKey, 0u);
    auto png =
        std::make_unique<TDXPanelEx>(device_, TDXBounds{0, 0, 100, 100}, 0xFFFFFFFFu,
                                     TextureMgr->GetTexture("dot.png", 0), "", true, nullptr);
    auto bmp =
        std::make_unique<TDXPanelEx>(device_, TDXBounds{200, 0, 100, 100}, 0xFFFFFFFFu,
                                     TextureMgr->GetTexture("dot.bmp", 0), "", true, nullptr);
    const QImage frame = Frame([&] {
        png->Draw();
        bmp->Draw();
    });
    EXPECT_TRUE(PixelNear(frame, 20, 50, 0, 255, 0));
    EXPECT_TRUE(PixelNear(frame, 80, 50, 0, 0, 0x55, 1)); // magenta keyed out
    EXPECT_TRUE(PixelNear(frame, 280, 50, 255, 0, 255, 1));
}

TEST_F(GfxTest, CacheDuplicatesAndOwnership) {
    SavePicture("a.bmp", SolidImage(4, 4, qRgb(1, 2, 3)));
    TextureMgr = std::make_unique<TTextureMgr>(device_);
    TDXTexture* older = TextureMgr->GetTexture("a.bmp", 0);
    auto* newer = new TDXTexture(device_, "A.bmp", false, 0, true);
    EXPECT_EQ(TextureMgr->AddTexture(newer, 7), newer);
    EXPECT_EQ(newer->Tag, 7);
    EXPECT_EQ(TextureMgr->Count(), 2u);
    EXPECT_EQ(TextureMgr->FindTexture("a.BMP"), older);

    // Panels leave cached textures alone, the second entry of a name included.
    std::weak_ptr<TD3DTexture> olderTexture = older->Texture;
    std::weak_ptr<TD3DTexture> newerTexture = newer->Texture;
    {
        TDXPanel a(device_, TDXBounds{0, 0, 4, 4}, 0xFFFFFFFFu, older, "", true, nullptr);
        TDXPanel b(device_, TDXBounds{0, 0, 4, 4}, 0xFFFFFFFFu, newer, "", true, nullptr);
    }
    EXPECT_FALSE(olderTexture.expired());
    EXPECT_FALSE(newerTexture.expired());

    // A panel's own texture goes with it.
    std::weak_ptr<TD3DTexture> ownTexture;
    {
        TDXPanel own(device_, TDXBounds{0, 0, 4, 4}, 0xFFFFFFFFu, nullptr, "a.bmp", true, nullptr);
        ownTexture = own.Texture->Texture;
        EXPECT_FALSE(ownTexture.expired());
    }
    EXPECT_TRUE(ownTexture.expired());

    TextureMgr->RemoveTexture("A.BMP");
    EXPECT_TRUE(olderTexture.expired());
    EXPECT_EQ(TextureMgr->FindTexture("a.bmp"), newer);
    TextureMgr->RemoveTexture("nothing.bmp");
    EXPECT_EQ(TextureMgr->Count(), 1u);
    TextureMgr.reset();
    EXPECT_TRUE(newerTexture.expired());
}
