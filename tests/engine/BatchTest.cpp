// Batching of draws: a screen of many overlapping panels drawn in few batches gives exactly
// the pixels of drawing them one by one (batches of one texture, which sample it directly),
// with either way of sampling the batch's textures.

#include "GfxFixture.h"
#include "engine/DXObj.h"

#include <random>
#include <vector>

using namespace tv;

namespace {

class BatchTest : public gfxtest::GfxTest, public ::testing::WithParamInterface<TBatchSampling> {
protected:
    void SetUp() override {
        SetBatchSampling(GetParam());
        GfxTest::SetUp();
    }
    void TearDown() override {
        GfxTest::TearDown();
        SetBatchSampling(TBatchSampling::Automatic);
    }
    // The view's size: the logical screen is scaled down, so filtering counts.
    int BackWidth() const override { return 446; }
    int BackHeight() const override { return 356; }

    // A texture of random pixels (alpha too; an X8R8G8B8 texture must ignore it).
    PD3DTexture RandomTexture(std::mt19937& random, uint32_t format, uint32_t w, uint32_t h) {
        PD3DTexture texture;
        EXPECT_EQ(device_->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
        const uint32_t bpp = TD3DTexture::BytesPerPixel(format);
        std::vector<uint8_t> pixels(size_t{w} * h * bpp);
        for (uint8_t& byte : pixels)
            byte = static_cast<uint8_t>(random());
        EXPECT_EQ(texture->SetPixels(pixels.data(), static_cast<int>(w * bpp)), D3D_OK);
        return texture;
    }

    // 300 overlapping panels over 20 textures, tinted and half transparent, some without a texture,
    // some additive, some showing a frame of their strip, drawn as the view draws them within a
    // clip rectangle. A third of the way through a texture already drawn with gets new pixels; two
    // thirds through another one is destroyed. oneByOne ends the scene after every panel, so each
    // panel is a draw of its own. Returns the picture and the number of draws.
    std::pair<QImage, uint64_t> DrawScreen(bool oneByOne) {
        std::mt19937 random(5);
        // Seventeen of one kind (more than a batch holds), the others of other formats or
        // not a power of two wide.
        std::vector<PD3DTexture> textures;
        for (int i = 0; i < 17; ++i)
            textures.push_back(
                RandomTexture(random, D3DFMT_A8R8G8B8, 4u << (i % 4), 4u << (i / 4 % 4)));
        textures.push_back(RandomTexture(random, D3DFMT_X8R8G8B8, 16, 8));
        textures.push_back(RandomTexture(random, D3DFMT_R5G6B5, 8, 16));
        textures.push_back(RandomTexture(random, D3DFMT_A8R8G8B8, 13, 7));
        std::vector<std::unique_ptr<TDXPanelEx>> panels;
        std::vector<int> textureOf;
        const uint32_t colors[] = {0xFFFFFFFFu, 0x80FFFFFFu, 0xFFFF4020u, 0xC020FF80u, 0x408080FFu};
        for (int i = 0; i < 300; ++i) {
            // Mostly the textures of the one kind; 20: no texture.
            const int pick = static_cast<int>(random() % 100);
            int t = pick < 88 ? pick % 17 : pick < 97 ? 17 + pick % 3 : 20;
            // The panels just before the changes of textures 0 and 1 draw with them, so
            // that the batch open at each change holds the texture.
            if (i == 99 || i == 199)
                t = i / 100;
            const int w = 8 + static_cast<int>(random() % 200);
            const int h = 8 + static_cast<int>(random() % 200);
            const TDXBounds bounds{static_cast<int32_t>(random() % 800) - w / 2,
                                   static_cast<int32_t>(random() % 600) - h / 2, w, h};
            auto panel =
                std::make_unique<TDXPanelEx>(device_, bounds, colors[random() % 5], nullptr, "",
                                             true, t < 20 ? textures[t] : nullptr);
            if (random() % 30 == 0)
                panel->Blend = bl_add;
            if (random() % 3 == 0)
                panel->SetTexRect(0.25f, 0.1f, 0.5f, 0.9f);
            panels.push_back(std::move(panel));
            textureOf.push_back(t);
        }
        const uint64_t before = device_->Stats().BatchesFlushed;
        const TRect clip{3, 5, 440, 350};
        device_->SetClipRect(&clip);
        const QImage image = Frame([&] {
            for (size_t i = 0; i < panels.size(); ++i) {
                if (i == panels.size() / 3) {
                    std::mt19937 other(9);
                    const PD3DTexture fresh = RandomTexture(other, D3DFMT_A8R8G8B8, 32, 32);
                    D3DLOCKED_RECT from, to;
                    ASSERT_EQ(fresh->LockRect(0, &from, nullptr, D3DLOCK_READONLY), D3D_OK);
                    ASSERT_EQ(textures[0]->LockRect(0, &to, nullptr, 0), D3D_OK);
                    const uint32_t rows = std::min(fresh->Height(), textures[0]->Height());
                    const uint32_t bytes = 4 * std::min(fresh->Width(), textures[0]->Width());
                    for (uint32_t y = 0; y < rows; ++y)
                        std::memcpy(static_cast<uint8_t*>(to.pBits) + y * to.Pitch,
                                    static_cast<uint8_t*>(from.pBits) + y * from.Pitch, bytes);
                    textures[0]->UnlockRect(0);
                    fresh->UnlockRect(0);
                }
                if (i == 2 * panels.size() / 3) {
                    for (size_t j = 0; j < panels.size(); ++j)
                        if (textureOf[j] == 1)
                            panels[j]->Texture->Texture.reset();
                    textures[1].reset();
                }
                panels[i]->Draw();
                if (oneByOne) {
                    device_->EndScene();
                    device_->BeginScene();
                }
            }
        });
        device_->SetClipRect(nullptr);
        return {image, device_->Stats().BatchesFlushed - before};
    }
};

TEST_P(BatchTest, ManyPanelsInFewDrawsGiveThePixelsOfOneDrawEach) {
    if (GetParam() == TBatchSampling::IndexedArray &&
        device_->BatchSampling() != TBatchSampling::IndexedArray)
        GTEST_SKIP() << "the context is older than OpenGL 4.0";
    EXPECT_EQ(device_->BatchSampling(), GetParam());
    ASSERT_GE(device_->BatchTextureSlots(), 16);

    const auto [single, singleDraws] = DrawScreen(true);
    const auto [batched, batchedDraws] = DrawScreen(false);
    EXPECT_EQ(singleDraws, 300u);
    // The batches break at every change of blending, of having a texture or of the kind of
    // texture, and when a batch's sixteen slots are full; with one texture a batch, nearly
    // every panel would be a draw of its own.
    EXPECT_LT(batchedDraws, 150u) << batchedDraws;

    ASSERT_EQ(batched.size(), single.size());
    int differing = 0, covered = 0;
    for (int y = 0; y < single.height(); ++y)
        for (int x = 0; x < single.width(); ++x) {
            differing += batched.pixel(x, y) != single.pixel(x, y);
            covered += single.pixel(x, y) != qRgb(0, 0, 0x55);
        }
    EXPECT_EQ(differing, 0);
    // The panels cover most of the clip rectangle; outside it nothing was drawn.
    const int outside = single.width() * single.height() - 437 * 345;
    EXPECT_GT(covered - outside, 437 * 345 * 8 / 10);
    EXPECT_TRUE(gfxtest::PixelNear(single, 1, 1, 0, 0, 0, 0));
    EXPECT_TRUE(gfxtest::PixelNear(single, 444, 353, 0, 0, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Sampling, BatchTest,
                         ::testing::Values(TBatchSampling::IndexedArray, TBatchSampling::Branches),
                         [](const auto& info) {
                             return info.param == TBatchSampling::IndexedArray ? "Indexed"
                                                                               : "Branches";
                         });

} // namespace
