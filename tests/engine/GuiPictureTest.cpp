// In-engine GUI on a device: captions and text printed onto control pictures, windows drawn
// with their controls, and the message window.

#include "GfxFixture.h"
#include "engine/GUI.h"
#include "engine/KeyState.h"
#include "mapdata/Errors.h"
#include "mapdata/Text.h"

#include <QFontMetrics>
#include <QPainter>

using namespace tv;
using gfxtest::GfxTest;
using gfxtest::PixelNear;
using gfxtest::SolidImage;

namespace {

const TFontInfo kWhiteFont{"DejaVu Sans", 14, 0xFFFFFFFFu, fsBold};

// The picture a control shows, read back from its texture.
QImage Shown(const TGuiObj& control) {
    return TextureToBitmap(control.Texture->Texture.get()).convertToFormat(QImage::Format_RGB32);
}

// Bounding box of the pixels brighter than the threshold in every channel.
QRect BrightArea(const QImage& image, QRect within, int threshold = 160) {
    within &= image.rect();
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > threshold && qGreen(p) > threshold && qBlue(p) > threshold)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

size_t EntriesNamed(const std::string& name) {
    size_t count = 0;
    for (size_t i = 0; i < TextureMgr->Count(); ++i)
        count += TextEquals(TextureMgr->Item(i)->Name, name) ? 1 : 0;
    return count;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EError& e) {
        return e.what();
    }
    return "";
}

class GuiPictures : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        TextureMgr = std::make_unique<TTextureMgr>(device_);
        ResetKeyState();
    }
    void TearDown() override {
        controls_.clear();
        manager_.reset();
        ResetKeyState();
        GfxTest::TearDown();
    }

    TGuiObj* Control(const std::string& name, const std::string& picture, TDXBounds bounds) {
        TDXTexture* texture = TextureMgr->GetTexture(picture, 0);
        controls_.push_back(std::make_unique<TGuiObj>(device_, name, bounds, 0xFFFFFFFFu, texture,
                                                      "", true, nullptr));
        return controls_.back().get();
    }

    std::vector<std::unique_ptr<TGuiObj>> controls_;
    std::unique_ptr<TGuiManager> manager_;
};

} // namespace

TEST_F(GuiPictures, SecondCaptionReplacesTheFirstOnTheCleanPicture) {
    SavePicture("gui/plate.bmp", SolidImage(160, 40, qRgb(0, 0, 128)));
    TGuiObj* plate = Control("Plate", "gui\\plate.bmp", TDXBounds{100, 100, 160, 40});
    EXPECT_EQ(plate->TexName, "gui\\plate.bmp");
    const size_t cached = TextureMgr->Count();

    plate->SetCaption("WW", kWhiteFont, TPoint{4, 4}, false);
    EXPECT_EQ(plate->Texture->Name, "Plate-capt tex");
    EXPECT_EQ(plate->Texture, TextureMgr->FindTexture("Plate-capt tex"));
    QImage first = Shown(*plate);
    const QRect firstText = BrightArea(first, first.rect());
    ASSERT_FALSE(firstText.isEmpty());
    EXPECT_GE(firstText.left(), 4);
    EXPECT_LT(firstText.right(), 80);
    EXPECT_TRUE(PixelNear(first, 150, 35, 0, 0, 128));

    plate->SetCaption("WW", kWhiteFont, TPoint{90, 4}, false);
    EXPECT_EQ(TextureMgr->Count(), cached + 1);
    EXPECT_EQ(EntriesNamed("Plate-capt tex"), 1u);
    QImage second = Shown(*plate);
    EXPECT_TRUE(BrightArea(second, QRect(0, 0, 85, 40)).isEmpty()) << "the first caption stayed";
    const QRect secondText = BrightArea(second, second.rect());
    EXPECT_GE(secondText.left(), 90);
    EXPECT_EQ(secondText.width(), firstText.width());

    // The clean picture itself is untouched.
    QImage clean = TextureToBitmap(TextureMgr->FindTexture("gui\\plate.bmp")->Texture.get());
    EXPECT_TRUE(BrightArea(clean, clean.rect()).isEmpty());

    // Drawn, the caption is on screen where the control is.
    const QImage frame = Frame([&] { plate->Draw(); });
    EXPECT_TRUE(PixelNear(frame, 100 + 40, 100 + 35, 0, 0, 128, 8));
    EXPECT_FALSE(BrightArea(frame, QRect(100 + 90, 100, 70, 40)).isEmpty());
    EXPECT_TRUE(BrightArea(frame, QRect(100, 100, 85, 40)).isEmpty());
}

TEST_F(GuiPictures, CentredCaptionSitsInTheMiddle) {
    SavePicture("gui/wide.bmp", SolidImage(200, 50, qRgb(20, 20, 20)));
    TGuiObj* label = Control("Label", "gui\\wide.bmp", TDXBounds{0, 0, 200, 50});
    label->SetCaption("HH", kWhiteFont, TPoint{150, 40}, true);
    const QRect text = BrightArea(Shown(*label), QRect(0, 0, 200, 50));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_NEAR(text.center().x(), 100, 3);
    EXPECT_NEAR(text.center().y(), 25, 4);
}

TEST_F(GuiPictures, CaptionsOfKeyedPicturesKeepTheirTransparency) {
    // A .png picture has the magenta key: its magenta becomes transparent black, and the
    // caption picture keys out black again.
    QImage picture = SolidImage(64, 32, qRgb(255, 0, 255));
    QPainter(&picture).fillRect(QRect(32, 0, 32, 32), qRgb(90, 90, 90));
    SavePicture("gui/keyed.png", picture);
    TGuiObj* keyed = Control("Keyed", "gui\\keyed.png", TDXBounds{0, 0, 64, 32});
    keyed->SetCaption("", kWhiteFont, TPoint{0, 0}, true);
    D3DLOCKED_RECT locked;
    TD3DTexture* texture = keyed->Texture->Texture.get();
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const uint32_t*>(locked.pBits);
    EXPECT_EQ(row[5] >> 24, 0u);
    EXPECT_EQ(row[40], 0xFF5A5A5Au);
    texture->UnlockRect(0);
}

TEST_F(GuiPictures, CaptionErrorsLeaveTheTextureAsItWas) {
    TGuiObj bare(device_, "Bare", TDXBounds{0, 0, 20, 20}, 0, nullptr, "", true, nullptr);
    TDXTexture* before = bare.Texture;
    const size_t cached = TextureMgr->Count();
    EXPECT_EQ(ErrorOf([&] { bare.SetCaption("x", kWhiteFont, TPoint{}, true); }),
              "Error whern converting texture.");
    EXPECT_EQ(bare.Texture, before);
    EXPECT_EQ(TextureMgr->Count(), cached);
}

TEST_F(GuiPictures, ControlsOfOneNameDoNotFreeEachOthersCaptions) {
    SavePicture("gui/plate.bmp", SolidImage(64, 32, qRgb(0, 0, 128)));
    TGuiObj* a = Control("Twin", "gui\\plate.bmp", TDXBounds{0, 0, 64, 32});
    TGuiObj* b = Control("Twin", "gui\\plate.bmp", TDXBounds{100, 0, 64, 32});
    a->SetCaption("A", kWhiteFont, TPoint{}, true);
    b->SetCaption("B", kWhiteFont, TPoint{}, true);
    a->SetCaption("C", kWhiteFont, TPoint{}, true);
    b->SetCaption("D", kWhiteFont, TPoint{}, true);
    EXPECT_EQ(EntriesNamed("Twin-capt tex"), 2u);
    EXPECT_NE(a->Texture, b->Texture);
    EXPECT_TRUE(TextureMgr->Holds(a->Texture));
    EXPECT_TRUE(TextureMgr->Holds(b->Texture));
    // Once a control is gone, its caption leaves with the next caption of that name.
    controls_.erase(controls_.begin());
    b->SetCaption("E", kWhiteFont, TPoint{}, true);
    EXPECT_EQ(EntriesNamed("Twin-capt tex"), 1u);
}

TEST(GuiTextLayout, AutomaticSpacingIsATenthOfTheLineHeight) {
    const TGuiTextLayout top = LayoutGuiText(200, 100, 20, 3, false, 255);
    EXPECT_EQ(top.Spacing, 2);
    ASSERT_EQ(top.Lines.size(), 3u);
    EXPECT_EQ(top.Lines[0], (TRect{2, 1, 198, 21}));
    EXPECT_EQ(top.Lines[1], (TRect{2, 23, 198, 43}));
    EXPECT_EQ(top.Lines[2], (TRect{2, 45, 198, 65}));
    EXPECT_EQ(top.WrapRect, (TRect{2, 4, 198, 98}));

    const TGuiTextLayout centred = LayoutGuiText(200, 100, 20, 3, true, 255);
    EXPECT_EQ(centred.Lines[0].Top, 17); // (100 - 66) div 2
    EXPECT_EQ(LayoutGuiText(200, 100, 19, 1, false, 255).Spacing, 1);
    EXPECT_EQ(LayoutGuiText(200, 100, 20, 2, false, 7).Lines[1].Top, 28);
    // Taller than the picture: centring goes above the top, rounding toward zero.
    EXPECT_EQ(LayoutGuiText(200, 10, 20, 1, true, 0).Lines[0].Top, -5);
}

TEST(GuiTextLayout, WrappedTextStartsALineAtEveryHash) {
    EXPECT_EQ(JoinWrappedLines({"one", "", "two", "#three", "four"}), "one two \nthree four ");
    EXPECT_EQ(JoinWrappedLines({"#x"}), "\nx ");
    EXPECT_EQ(JoinWrappedLines({}), "");
}

TEST_F(GuiPictures, TextLinesGoWhereTheLayoutPutsThem) {
    SavePicture("gui/board.bmp", SolidImage(200, 100, qRgb(10, 30, 10)));
    TGuiObj* board = Control("Board", "gui\\board.bmp", TDXBounds{0, 0, 200, 100});
    TDXTexture* clean = board->Texture;
    board->SetText({}, kWhiteFont, true, false, false, 255);
    EXPECT_EQ(board->Texture, clean); // no lines: nothing happens

    board->SetText({"HH", "HHHH"}, kWhiteFont, true, false, false, 255);
    EXPECT_EQ(board->Texture->Name, "Board-capt tex");
    const QImage shown = Shown(*board);
    QImage probe(1, 1, QImage::Format_RGB32);
    const int lh = QFontMetrics(MakeFont(kWhiteFont), &probe).height();
    const TGuiTextLayout layout = LayoutGuiText(200, 100, lh, 2, false, 255);
    const QRect first = BrightArea(shown, QRect(0, 0, 200, layout.Lines[0].Bottom));
    const QRect second = BrightArea(shown, QRect(0, layout.Lines[1].Top, 200, lh));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_TRUE(BrightArea(shown, QRect(0, layout.Lines[1].Bottom, 200, 100)).isEmpty());
    EXPECT_NEAR(first.center().x(), 100, 3);
    EXPECT_NEAR(second.center().x(), 100, 3);
    EXPECT_GT(second.width(), first.width() * 3 / 2);

    // Not centred: from the left edge.
    board->SetText({"HH"}, kWhiteFont, false, false, false, 255);
    EXPECT_LE(BrightArea(Shown(*board), QRect(0, 0, 200, 100)).left(), 6);
    EXPECT_EQ(EntriesNamed("Board-capt tex"), 1u);

    // Wrapped: a long line flows onto more lines within the picture.
    board->SetText({"HH HH HH HH HH HH HH HH HH HH"}, kWhiteFont, false, false, true, 0);
    const QRect wrapped = BrightArea(Shown(*board), QRect(0, 0, 200, 100));
    EXPECT_GT(wrapped.height(), lh);
    EXPECT_LE(wrapped.right(), 198);
}

TEST_F(GuiPictures, WindowsDrawTheirControlsOverThemselves) {
    manager_ = std::make_unique<TGuiManager>();
    auto* window = manager_->AddWindow(new TGuiWin(device_, "W", TDXBounds{100, 100, 200, 100},
                                                   0xFFFF0000u, nullptr, "", true, nullptr));
    window->AddChild(new TGuiObj(device_, "C", TDXBounds{120, 120, 40, 40}, 0xFF00FF00u, nullptr,
                                 "", true, nullptr));
    QImage frame = Frame([&] { manager_->Draw(); });
    EXPECT_TRUE(PixelNear(frame, 140, 140, 0, 0, 0x55)); // hidden: neither is drawn
    EXPECT_TRUE(PixelNear(frame, 250, 150, 0, 0, 0x55));
    window->Show();
    frame = Frame([&] { manager_->Draw(); });
    EXPECT_TRUE(PixelNear(frame, 140, 140, 0, 255, 0));
    EXPECT_TRUE(PixelNear(frame, 250, 150, 255, 0, 0));
    window->SetPosition(400, 300);
    frame = Frame([&] { manager_->Draw(); });
    EXPECT_TRUE(PixelNear(frame, 440, 340, 0, 255, 0));
    EXPECT_TRUE(PixelNear(frame, 140, 140, 0, 0, 0x55));
}

TEST_F(GuiPictures, MessageWindowShowsItsTextAndWaitsForOK) {
    manager_ = std::make_unique<TGuiManager>();
    TPoint mouse{0, 0};
    manager_->MouseSource = [&] { return mouse; };
    std::vector<TGMSG> messages;
    manager_->OnGuiEvent = [&](TGMSG& m) { messages.push_back(m); };
    TGuiWin* window = BuildMessageWindow(*manager_, device_);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(MessageWindow, window);
    ASSERT_NE(window->FindChild("Msglabel"), nullptr);
    ASSERT_NE(window->FindChild("Text_Msg"), nullptr);
    TGuiObj* ok = window->FindChild("BTN_MsgOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_FALSE(window->Visible);

    const QImage before = Shown(*window->FindChild("Text_Msg"));
    ShowMessageWindow({"[Hero] fell.", "Second line", "vypůjčím si od něj 500  XP"},
                      "Smrt si tě našla", "MOD_ENGINESTOP", true);
    EXPECT_TRUE(window->Visible);
    EXPECT_TRUE(manager_->ModalActive);
    EXPECT_EQ(manager_->ModalButton, ok);
    EXPECT_EQ(manager_->Windows.Items(manager_->Windows.Count() - 1), window);
    EXPECT_EQ(window->FindChild("Msglabel")->Texture->Name, "Msglabel-capt tex");
    TGuiObj* text = window->FindChild("Text_Msg");
    EXPECT_EQ(text->Texture->Name, "Text_Msg-capt tex");
    EXPECT_NE(Shown(*text), before);

    // On screen: the window over the clear colour, text printed in the body.
    const QImage frame = Frame([&] { manager_->Draw(); });
    const TPoint w = window->GetPosition();
    EXPECT_FALSE(PixelNear(frame, w.X + 5, w.Y + 100, 0, 0, 0x55, 10));
    EXPECT_FALSE(BrightArea(frame, QRect(w.X + 10, w.Y + 44, 340, 90), 140).isEmpty());

    // The OK button ends the wait with the result text.
    const TPoint b = ok->GetPosition();
    mouse = TPoint{b.X + 10, b.Y + 10};
    SetKeyDown(VK_LBUTTON, true);
    manager_->Process();
    SetKeyDown(VK_LBUTTON, false);
    manager_->Process();
    ASSERT_GE(messages.size(), 2u);
    const auto result = std::find_if(messages.begin(), messages.end(),
                                     [](const TGMSG& m) { return m.Code == GUI_MODAL_RESULT; });
    ASSERT_NE(result, messages.end());
    EXPECT_EQ(result->Text, "MOD_ENGINESTOP");
    EXPECT_EQ((result + 1)->Code, GUI_CLICK);
    EXPECT_FALSE(window->Visible);

    manager_.reset();
    EXPECT_EQ(MessageWindow, nullptr);
}
