// In-engine GUI without pictures: mouse events through the manager, the modal wait, fades,
// window order and geometry.

#include "engine/Clock.h"
#include "engine/GUI.h"
#include "engine/KeyState.h"

#include <gtest/gtest.h>

using namespace tv;

namespace {

struct Logged {
    int32_t Code;
    TGuiObj* Sender;
    TGuiWin* Win;
    std::string Text;
    TPoint Mouse;
};

TGuiWin* NewWindow(const std::string& name, TDXBounds bounds, uint32_t color = 0) {
    return new TGuiWin(nullptr, name, bounds, color, nullptr, "", true, nullptr);
}

TGuiObj* NewControl(const std::string& name, TDXBounds bounds, uint32_t color = 0) {
    return new TGuiObj(nullptr, name, bounds, color, nullptr, "", true, nullptr);
}

class GuiEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ResetKeyState();
        manager_.MouseSource = [this] { return mouse_; };
        manager_.OnGuiEvent = [this](TGMSG& m) {
            log_.push_back(Logged{m.Code, m.Sender, m.Win, m.Text, TPoint{m.X, m.Y}});
        };
        window_ = manager_.AddWindow(NewWindow("Win", TDXBounds{100, 100, 300, 200}));
        window_->Show();
        button_ = window_->AddChild(NewControl("Button", TDXBounds{150, 150, 80, 30}));
        log_.clear();
    }
    void TearDown() override { ResetKeyState(); }

    void Frame(TPoint mouse, bool down) {
        mouse_ = mouse;
        SetKeyDown(VK_LBUTTON, down);
        manager_.Process();
    }

    std::vector<int32_t> Codes(const TGuiObj* sender = nullptr) const {
        std::vector<int32_t> codes;
        for (const Logged& l : log_)
            if (!sender || l.Sender == sender)
                codes.push_back(l.Code);
        return codes;
    }

    static constexpr TPoint kOverButton{160, 160};
    static constexpr TPoint kOverWindow{350, 250};
    static constexpr TPoint kOutside{10, 10};

    TGuiManager manager_;
    TPoint mouse_{};
    std::vector<Logged> log_;
    TGuiWin* window_ = nullptr;
    TGuiObj* button_ = nullptr;
};

using CodeList = std::vector<int32_t>;

} // namespace

TEST_F(GuiEvents, PressDraggedOffAndReleasedElsewhereIsNoClick) {
    Frame(kOverButton, false);
    EXPECT_EQ(Codes(button_), (CodeList{GUI_MOUSE_ENTER}));
    EXPECT_EQ(button_->Color, button_->HoverColor);
    Frame(kOverButton, true);
    EXPECT_EQ(button_->Color, button_->DownColor);
    Frame(kOverWindow, true); // dragged off onto the window
    Frame(kOverWindow, false);
    Frame(kOutside, false);
    Frame(kOverButton, false); // back over it with the button up
    EXPECT_EQ(Codes(button_),
              (CodeList{GUI_MOUSE_ENTER, GUI_BUTTON_DOWN, GUI_MOUSE_LEAVE, GUI_MOUSE_ENTER}));
    EXPECT_FALSE(button_->MouseDown);
    EXPECT_EQ(button_->Color, button_->HoverColor);
    // The window saw the mouse arrive with the button held: that counts as a press there,
    // and the release over it is its click.
    EXPECT_EQ(Codes(window_), (CodeList{GUI_BUTTON_DOWN, GUI_CLICK, GUI_BUTTON_UP}));
}

TEST_F(GuiEvents, PressOutsideThenReleaseOverTheButtonClicksIt) {
    Frame(kOutside, true);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(manager_.HoverObj, nullptr);
    Frame(kOverButton, true);
    EXPECT_EQ(Codes(), (CodeList{GUI_MOUSE_ENTER, GUI_BUTTON_DOWN}));
    EXPECT_EQ(button_->Color, button_->DownColor);
    Frame(kOverButton, true); // held: nothing new
    EXPECT_EQ(log_.size(), 2u);
    mouse_ = TPoint{170, 175};
    Frame(mouse_, false);
    EXPECT_EQ(Codes(), (CodeList{GUI_MOUSE_ENTER, GUI_BUTTON_DOWN, GUI_CLICK, GUI_BUTTON_UP}));
    EXPECT_EQ(button_->Color, button_->HoverColor);
    const Logged& click = log_[2];
    EXPECT_EQ(click.Sender, button_);
    EXPECT_EQ(click.Win, window_);
    EXPECT_EQ(click.Mouse, (TPoint{170, 175}));
    EXPECT_TRUE(click.Text.empty());
}

TEST_F(GuiEvents, DisabledOrNonHighlightingControlsStayQuiet) {
    button_->Enabled = false;
    Frame(kOverButton, false);
    Frame(kOverButton, true);
    Frame(kOverButton, false);
    Frame(kOutside, false);
    EXPECT_TRUE(Codes(button_).empty());
    EXPECT_EQ(button_->Color, button_->NormalColor);

    // A label: no hover colour or enter/leave events, but clicks still arrive.
    button_->Enabled = true;
    button_->Highlight = false;
    Frame(kOverButton, false);
    Frame(kOverButton, true);
    Frame(kOverButton, false);
    Frame(kOutside, false);
    EXPECT_EQ(Codes(button_), (CodeList{GUI_BUTTON_DOWN, GUI_CLICK, GUI_BUTTON_UP}));
    EXPECT_EQ(button_->Color, button_->NormalColor);
}

TEST_F(GuiEvents, AWindowLeftWithTheButtonDownDoesNotClickWhenTheMouseReturns) {
    Frame(kOverWindow, true);
    Frame(kOutside, true);
    Frame(kOutside, false);
    Frame(kOverWindow, false);
    EXPECT_EQ(Codes(window_), (CodeList{GUI_BUTTON_DOWN}));
}

TEST_F(GuiEvents, ModalButtonDeliversTheResultThenTheClickOnce) {
    auto* other = manager_.AddWindow(NewWindow("Other", TDXBounds{0, 0, 800, 600}));
    other->Show(); // on top of everything
    EXPECT_TRUE(ShowModal(&manager_, window_, button_, "MOD_ENGINESTOP"));
    EXPECT_EQ(manager_.Windows.Items(manager_.Windows.Count() - 1), window_);
    EXPECT_EQ(Codes(window_), (CodeList{GUI_SHOWN}));
    log_.clear();

    // Only the modal window is under the mouse while the wait is on.
    Frame(kOutside, false);
    EXPECT_EQ(manager_.HoverObj, nullptr);
    Frame(kOverButton, true);
    Frame(kOverButton, false);
    EXPECT_EQ(Codes(), (CodeList{GUI_MOUSE_ENTER, GUI_BUTTON_DOWN, GUI_MODAL_RESULT, GUI_CLICK,
                                 GUI_BUTTON_UP}));
    EXPECT_EQ(log_[2].Text, "MOD_ENGINESTOP");
    EXPECT_EQ(log_[2].Sender, button_);
    EXPECT_EQ(log_[2].Win, window_);
    EXPECT_TRUE(log_[3].Text.empty());
    EXPECT_FALSE(window_->Visible);
    EXPECT_FALSE(manager_.ModalActive);
    EXPECT_EQ(manager_.ModalWindow, nullptr);
    EXPECT_EQ(manager_.ModalButton, nullptr);

    // Shown again without a wait: only the click.
    window_->Show();
    log_.clear();
    Frame(kOverButton, false);
    Frame(kOverButton, true);
    Frame(kOverButton, false);
    EXPECT_EQ(Codes(), (CodeList{GUI_BUTTON_DOWN, GUI_CLICK, GUI_BUTTON_UP}));
    EXPECT_TRUE(window_->Visible);
}

TEST_F(GuiEvents, OtherControlsOfTheModalWindowDoNotEndTheWait) {
    TGuiObj* second = window_->AddChild(NewControl("Second", TDXBounds{250, 150, 80, 30}));
    ShowModal(&manager_, window_, button_, "done");
    Frame(TPoint{260, 160}, true);
    Frame(TPoint{260, 160}, false);
    EXPECT_TRUE(manager_.ModalActive);
    EXPECT_TRUE(window_->Visible);
    EXPECT_EQ(Codes(second).back(), GUI_BUTTON_UP);
    const CodeList all = Codes();
    EXPECT_EQ(std::count(all.begin(), all.end(), GUI_MODAL_RESULT), 0);
}

TEST_F(GuiEvents, HoverFindsTheTopmostShownObject) {
    auto* top = manager_.AddWindow(NewWindow("Top", TDXBounds{140, 140, 50, 50}));
    EXPECT_EQ(manager_.ObjectAt(kOverButton), button_); // hidden windows do not count
    top->Show();
    EXPECT_EQ(manager_.ObjectAt(kOverButton), top);
    EXPECT_EQ(manager_.ObjectAt(TPoint{200, 175}), button_);
    EXPECT_EQ(manager_.ObjectAt(kOverWindow), window_);
    EXPECT_EQ(manager_.ObjectAt(TPoint{400, 300}), nullptr); // right and bottom edges exclusive
    EXPECT_EQ(manager_.ObjectAt(TPoint{399, 299}), window_);
    button_->Hide();
    EXPECT_EQ(manager_.ObjectAt(TPoint{200, 175}), window_);
}

TEST_F(GuiEvents, FreedObjectsAreNotToldTheMouseLeft) {
    Frame(kOverButton, false);
    ASSERT_EQ(manager_.HoverObj, button_);
    window_->Children.Remove(button_); // freed
    Frame(kOverButton, false);
    EXPECT_EQ(manager_.HoverObj, window_);
    EXPECT_EQ(Codes(), (CodeList{GUI_MOUSE_ENTER}));
}

TEST_F(GuiEvents, FindChildReturnsTheLastMatch) {
    TGuiObj* later = window_->AddChild(NewControl("BUTTON", TDXBounds{0, 0, 10, 10}));
    EXPECT_EQ(window_->FindChild("button"), later);
    EXPECT_EQ(window_->FindChild("Nothing"), nullptr);
    window_->Children.Remove(later);
    EXPECT_EQ(window_->FindChild("Button"), button_);
}

TEST_F(GuiEvents, BringToFrontReordersWindowsButNeverTheDesktop) {
    auto* desktop = static_cast<TGuiDesktop*>(manager_.AddWindow(new TGuiDesktop(
        nullptr, "Desktop", TDXBounds{0, 0, 800, 600}, 0, nullptr, "", true, nullptr)));
    auto* second = manager_.AddWindow(NewWindow("Second", TDXBounds{0, 0, 10, 10}));
    auto order = [&] {
        std::vector<std::string> names;
        for (TGuiObj* w : manager_.Windows)
            names.push_back(w->Name);
        return names;
    };
    using Names = std::vector<std::string>;
    ASSERT_EQ(order(), (Names{"Win", "Desktop", "Second"}));

    window_->BringToFront();
    EXPECT_EQ(order(), (Names{"Desktop", "Second", "Win"}));
    desktop->Show();
    desktop->BringToFront();
    EXPECT_EQ(order(), (Names{"Desktop", "Second", "Win"}));
    second->Enabled = false;
    second->Show();
    EXPECT_EQ(order(), (Names{"Desktop", "Second", "Win"}));
    second->Enabled = true;
    second->Show();
    EXPECT_EQ(order(), (Names{"Desktop", "Win", "Second"}));
    EXPECT_TRUE(manager_.Windows.OwnsObjects);

    // A window its manager does not list is not taken in.
    TGuiWin loose(nullptr, "Loose", TDXBounds{0, 0, 10, 10}, 0, nullptr, "", true, nullptr);
    loose.Parent = &manager_;
    loose.Show();
    EXPECT_EQ(manager_.Windows.Count(), 3u);
}

TEST(GuiWindow, CreatedHiddenWithWindowColours) {
    TGuiWin window(nullptr, "W", TDXBounds{0, 0, 10, 10}, 0, nullptr, "", true, nullptr);
    EXPECT_FALSE(window.Visible);
    EXPECT_FALSE(window.Highlight);
    EXPECT_TRUE(window.Enabled);
    EXPECT_EQ(window.NormalColor, 0xEEFFEEEEu);
    EXPECT_EQ(window.Color, 0xEEFFEEEEu);
    EXPECT_EQ(window.Children.Count(), 0u);
    TGuiWin tinted(nullptr, "T", TDXBounds{0, 0, 10, 10}, 0x80102030u, nullptr, "", true, nullptr);
    EXPECT_EQ(tinted.NormalColor, 0x80102030u);
    EXPECT_EQ(tinted.HoverColor, 0xEEFFEEEEu);

    TGuiObj control(nullptr, "C", TDXBounds{0, 0, 10, 10}, 0, nullptr, "", true, nullptr);
    EXPECT_TRUE(control.Visible);
    EXPECT_TRUE(control.Highlight);
    EXPECT_EQ(control.Color, 0xBBDDDDDDu);
    EXPECT_EQ(control.HoverColor, 0xEEFFAAAAu);
    EXPECT_EQ(control.DownColor, 0xFFFFEE99u);
}

TEST(GuiWindow, SetPositionAndMoveCarryTheControls) {
    TGuiWin window(nullptr, "W", TDXBounds{100, 50, 200, 100}, 0, nullptr, "", true, nullptr);
    TGuiObj* a = window.AddChild(NewControl("A", TDXBounds{110, 60, 40, 20}));
    TGuiObj* b = window.AddChild(NewControl("B", TDXBounds{250, 120, 31, 17}));
    window.SetPosition(300, 200);
    EXPECT_EQ(window.GetPosition(), (TPoint{300, 200}));
    EXPECT_EQ(a->GetPosition(), (TPoint{310, 210}));
    EXPECT_EQ(b->GetPosition(), (TPoint{450, 270}));
    window.Move(-20, 5);
    EXPECT_EQ(window.GetPosition(), (TPoint{280, 205}));
    EXPECT_EQ(a->GetPosition(), (TPoint{290, 215}));
    EXPECT_EQ(b->GetPosition(), (TPoint{430, 275}));
    // Recolouring rebuilds the quad at the last SetPosition and back: nothing moves.
    window.SetColor(0xFF00FF00u);
    EXPECT_EQ(window.GetPosition(), (TPoint{280, 205}));
    EXPECT_EQ(b->GetPosition(), (TPoint{430, 275}));
    window.SetPosition(0, 0);
    EXPECT_EQ(a->GetPosition(), (TPoint{10, 10}));
}

TEST_F(GuiEvents, FadeInTakes38StepsAndEndsAtTheNormalAlpha) {
    ManualClock clock(1000);
    ScopedClock scoped(clock);
    button_->SetColors(0xBB102030u, 0xEEFFAAAAu, 0xFFFFEE99u);
    button_->Blend = bl_add;
    button_->Hide();
    log_.clear();
    Frame(kOutside, false);

    button_->StartFade(true, false);
    EXPECT_TRUE(button_->Visible);
    EXPECT_FALSE(button_->Enabled);
    EXPECT_EQ(button_->Blend, bl_normal);
    EXPECT_EQ(button_->Color, 0x00102030u);
    EXPECT_EQ(Codes(button_), (CodeList{GUI_SHOWN}));

    clock.Advance(5); // not later than Timer + 5
    Frame(kOutside, false);
    EXPECT_EQ(button_->Color, 0x00102030u);

    int steps = 0;
    uint32_t previous = 0;
    while (button_->Fading && steps < 100) {
        clock.Advance(1);
        Frame(kOutside, false);
        ++steps;
        const uint32_t alpha = button_->Color >> 24;
        EXPECT_TRUE(alpha == previous + 5 || alpha == 0xBB) << "step " << steps;
        EXPECT_EQ(button_->Color & 0xFFFFFFu, 0x102030u);
        previous = alpha;
        if (button_->Fading) {
            Frame(kOutside, false); // same millisecond: no step
            EXPECT_EQ(button_->Color >> 24, alpha);
            clock.Advance(5);
        }
    }
    EXPECT_EQ(steps, 38);
    EXPECT_EQ(button_->Color, 0xBB102030u);
    EXPECT_TRUE(button_->Enabled);
    EXPECT_EQ(button_->Blend, bl_add);
    EXPECT_EQ(Codes(button_), (CodeList{GUI_SHOWN, GUI_FADE_IN_END}));
}

TEST_F(GuiEvents, FadeOutHidesWhenAskedAndShowsFullColourOtherwise) {
    ManualClock clock(50);
    ScopedClock scoped(clock);
    button_->SetColors(0xFF405060u, 0, 0);
    button_->StartFade(false, true);
    EXPECT_EQ(button_->Color, 0xFF405060u);
    for (int i = 0; i < 50; ++i) {
        clock.Advance(6);
        Frame(kOutside, false);
    }
    EXPECT_TRUE(button_->Fading); // 255 takes 51 steps, the last from 5 to 0
    EXPECT_EQ(button_->Color, 0x05405060u);
    clock.Advance(6);
    Frame(kOutside, false);
    EXPECT_FALSE(button_->Fading);
    EXPECT_FALSE(button_->Visible);
    EXPECT_EQ(button_->Color, 0xFF405060u);
    EXPECT_EQ(Codes(button_).back(), GUI_FADE_OUT_END);

    // Without hiding: visible and at full colour once the fade is over.
    button_->StartFade(false, false);
    for (int i = 0; i < 60; ++i) {
        clock.Advance(6);
        Frame(kOutside, false);
    }
    EXPECT_TRUE(button_->Visible);
    EXPECT_EQ(button_->Color, 0xFF405060u);
}

TEST_F(GuiEvents, FadesKeepTheStateSavedBeforeTheFirstAndMayBeChained) {
    ManualClock clock(0);
    ScopedClock scoped(clock);
    button_->Enabled = true;
    button_->StartFade(false, false);
    button_->StartFade(true, false); // restarted while disabled by the first
    button_->EndFade();
    EXPECT_TRUE(button_->Enabled);
    EXPECT_FALSE(button_->Fading);

    // EndFade without a fade: no event, nothing restored.
    log_.clear();
    button_->Enabled = false;
    button_->EndFade();
    EXPECT_FALSE(button_->Enabled);
    EXPECT_TRUE(log_.empty());

    // A handler that starts the next fade when one ends keeps it running.
    button_->Enabled = true;
    manager_.OnGuiEvent = [&](TGMSG& m) {
        if (m.Code == GUI_FADE_OUT_END)
            m.Sender->StartFade(true, false);
    };
    button_->StartFade(false, false);
    button_->EndFade();
    EXPECT_TRUE(button_->Fading);
    EXPECT_TRUE(button_->FadeIn);
    EXPECT_FALSE(button_->Enabled);
    button_->EndFade();
    EXPECT_TRUE(button_->Enabled);
}

TEST(GuiNoManager, ObjectsWithoutAManagerSendNothing) {
    TGuiObj loose(nullptr, "Loose", TDXBounds{0, 0, 10, 10}, 0, nullptr, "", true, nullptr);
    EXPECT_EQ(ManagerOf(&loose), nullptr);
    EXPECT_FALSE(IsUnderMouse(&loose));
    loose.Show();
    loose.SendEvent(GUI_CLICK);
    loose.Process();
    TGMSG message = MakeMsg(GUI_CLICK, &loose);
    EXPECT_EQ(message.Win, nullptr);
    EXPECT_EQ(message.Sender, &loose);
    DispatchMsg(nullptr, message);
    EXPECT_FALSE(ShowModal(nullptr, nullptr, &loose, "x"));
    ASSERT_EQ(MessageWindow, nullptr);
    ShowMessageWindow({"a"}, "title", "MOD_ENGINESTOP", true); // no message window: nothing
}

TEST(GuiList, OwningAndNonOwningRemoval) {
    TGuiObjList list;
    EXPECT_TRUE(list.OwnsObjects);
    auto* a = NewControl("A", TDXBounds{});
    auto kept = std::make_unique<TGuiObj>(nullptr, "B", TDXBounds{}, 0, nullptr, "", true, nullptr);
    EXPECT_EQ(list.Add(a), 0);
    EXPECT_EQ(list.Add(nullptr), -1);
    list.OwnsObjects = false;
    EXPECT_EQ(list.Add(kept.get()), 1);
    EXPECT_EQ(list.Remove(kept.get()), 1); // not freed
    EXPECT_EQ(kept->Name, "B");
    EXPECT_EQ(list.Remove(kept.get()), -1);
    list.OwnsObjects = true;
    EXPECT_EQ(list.Items(0), a);
    EXPECT_EQ(list.Items(5), nullptr);
    list.Delete(7);
    EXPECT_EQ(list.Count(), 1u); // a is freed with the list
}
