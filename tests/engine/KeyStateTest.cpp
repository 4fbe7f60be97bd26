#include "engine/KeyState.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <gtest/gtest.h>

using namespace tv;

namespace {

class KeyStateTest : public ::testing::Test {
protected:
    void SetUp() override { ResetKeyState(); }
    void TearDown() override { ResetKeyState(); }

    static bool Down(int16_t state) { return (static_cast<uint16_t>(state) & 0x8000u) != 0; }
    static bool PressedSince(int16_t state) { return (static_cast<uint16_t>(state) & 1u) != 0; }

    // Delivers an event the way the application does, through the installed filter.
    void Send(QEvent& event) { QCoreApplication::sendEvent(&receiver_, &event); }
    void Key(QEvent::Type type, int qtKey, quint32 scanCode, bool autoRepeat = false,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, qtKey, modifiers, scanCode, 0, 0, QString(), autoRepeat);
        Send(event);
    }
    void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), button, held, Qt::NoModifier);
        Send(event);
    }

    QObject receiver_;
};

TEST_F(KeyStateTest, QueryReportsDownNowAndPressedSinceLastQuery) {
    SetKeyDown(VK_LEFT, true);
    int16_t s = GetAsyncKeyState(VK_LEFT);
    EXPECT_TRUE(Down(s));
    EXPECT_TRUE(PressedSince(s));
    s = GetAsyncKeyState(VK_LEFT); // the press was reported already
    EXPECT_TRUE(Down(s));
    EXPECT_FALSE(PressedSince(s));

    // A tap between two queries still counts as pressed, once.
    SetKeyDown(VK_LEFT, false);
    SetKeyDown(VK_LEFT, true);
    SetKeyDown(VK_LEFT, false);
    s = GetAsyncKeyState(VK_LEFT);
    EXPECT_FALSE(Down(s));
    EXPECT_NE(s, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);

    // Keys are independent; a query of one leaves the others' pending presses alone.
    SetKeyDown('A', true);
    SetKeyDown(VK_SPACE, true);
    SetKeyDown(VK_SPACE, false);
    EXPECT_NE(GetAsyncKeyState('A'), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 1);
    EXPECT_FALSE(IsKeyDown(VK_SPACE));
    EXPECT_TRUE(IsKeyDown('A'));

    ResetKeyState();
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
}

TEST_F(KeyStateTest, CodesOutsideTheTableAreNeverDown) {
    for (int vk : {-1, 0, 256, 100000}) {
        SetKeyDown(vk, true);
        EXPECT_EQ(GetAsyncKeyState(vk), 0) << vk;
        EXPECT_FALSE(IsKeyDown(vk)) << vk;
    }
}

TEST_F(KeyStateTest, QtKeysAndButtonsMapToStoredCodes) {
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Left), 37);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Up), 38);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Right), 39);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Down), 40);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Shift), 16);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Control), 17);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Return), 13);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Enter), 13);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_A), 'A');
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Z), 'Z');
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_0), '0');
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_9), '9');
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Exclam), '1');
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_5, true), VK_NUMPAD0 + 5);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Asterisk, true), 0);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F12), VK_F1 + 11);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_unknown), 0);
    EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_Eacute), 0);

    EXPECT_EQ(VirtualKeyFromQtButton(Qt::LeftButton), 1);
    EXPECT_EQ(VirtualKeyFromQtButton(Qt::RightButton), 2);
    EXPECT_EQ(VirtualKeyFromQtButton(Qt::MiddleButton), 4);
    EXPECT_EQ(VirtualKeyFromQtButton(Qt::BackButton), 0);
}

TEST_F(KeyStateTest, EventFilterFollowsKeys) {
    InstallKeyStateFilter();
    Key(QEvent::KeyPress, Qt::Key_A, 38);
    EXPECT_TRUE(IsKeyDown('A'));
    EXPECT_NE(GetAsyncKeyState('A'), 0);
    // Auto-repeat pairs while the key is held change nothing, not even the pressed bit.
    Key(QEvent::KeyRelease, Qt::Key_A, 38, true);
    EXPECT_TRUE(IsKeyDown('A'));
    Key(QEvent::KeyPress, Qt::Key_A, 38, true);
    EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('A')), 0x8000u);
    Key(QEvent::KeyRelease, Qt::Key_A, 38);
    EXPECT_FALSE(IsKeyDown('A'));
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
    Key(QEvent::KeyPress, Qt::Key_A, 38);
    Key(QEvent::KeyRelease, Qt::Key_A, 38);
    EXPECT_FALSE(IsKeyDown('A'));
    EXPECT_EQ(GetAsyncKeyState('A'), 1); // pressed since the last query

    // Shift let go before the digit: the release names another key than the press.
    Key(QEvent::KeyPress, Qt::Key_Exclam, 10, false, Qt::ShiftModifier);
    EXPECT_TRUE(IsKeyDown('1'));
    Key(QEvent::KeyRelease, Qt::Key_1, 10);
    EXPECT_FALSE(IsKeyDown('1'));

    Key(QEvent::KeyPress, Qt::Key_1, 10);
    Key(QEvent::KeyRelease, Qt::Key_Exclam, 10, false, Qt::ShiftModifier);
    EXPECT_FALSE(IsKeyDown('1'));

    // Keys with no code leave the table alone.
    Key(QEvent::KeyPress, Qt::Key_Eacute, 47);
    Key(QEvent::KeyRelease, Qt::Key_Eacute, 47);
    for (int vk = 1; vk < kVirtualKeyCount; ++vk)
        EXPECT_FALSE(IsKeyDown(vk)) << vk;
}

TEST_F(KeyStateTest, EventFilterFollowsMouseButtons) {
    InstallKeyStateFilter();
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(IsLeftButtonDown());
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_TRUE(IsKeyDown(VK_RBUTTON));
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::RightButton);
    EXPECT_FALSE(IsLeftButtonDown());
    EXPECT_TRUE(IsKeyDown(VK_RBUTTON));
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(IsKeyDown(VK_RBUTTON));

    // A double click is a press as well.
    Mouse(QEvent::MouseButtonDblClick, Qt::MiddleButton, Qt::MiddleButton);
    EXPECT_TRUE(IsKeyDown(VK_MBUTTON));
}

TEST_F(KeyStateTest, LosingTheApplicationReleasesEverything) {
    InstallKeyStateFilter();
    Key(QEvent::KeyPress, Qt::Key_Right, 114);
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &deactivate);
    EXPECT_FALSE(IsKeyDown(VK_RIGHT));
    EXPECT_FALSE(IsLeftButtonDown());
    // The presses themselves were seen and are still reported once.
    EXPECT_EQ(GetAsyncKeyState(VK_RIGHT), 1);

    Key(QEvent::KeyPress, Qt::Key_Up, 111);
    QApplicationStateChangeEvent active(Qt::ApplicationActive);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &active);
    EXPECT_TRUE(IsKeyDown(VK_UP));
    QApplicationStateChangeEvent hidden(Qt::ApplicationHidden);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &hidden);
    EXPECT_FALSE(IsKeyDown(VK_UP));
}

} // namespace
