#include "engine/KeyState.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <array>
#include <unordered_map>

namespace tv {

namespace {

struct KeyEntry {
    bool down = false;
    bool pressedSinceQuery = false;
};

std::array<KeyEntry, kVirtualKeyCount>& Table() {
    static std::array<KeyEntry, kVirtualKeyCount> table;
    return table;
}

bool InTable(int vk) {
    return vk > 0 && vk < kVirtualKeyCount;
}

// Feeds the table from the application's key and mouse events. It sees an event once for
// every object the event is delivered or propagated to; all updates are idempotent.
class KeyStateFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            HandleKey(static_cast<QKeyEvent*>(event));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            HandleMouse(static_cast<QMouseEvent*>(event));
            break;
        case QEvent::ApplicationDeactivate:
            // Releases that happen while another application has the focus never reach us;
            // let nothing stay down.
            ReleaseAll();
            break;
        case QEvent::ApplicationStateChange:
            if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                Qt::ApplicationActive)
                ReleaseAll();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void HandleKey(const QKeyEvent* key) {
        // Auto-repeat comes as release/press pairs while the key stays held: not a change.
        if (key->isAutoRepeat())
            return;
        const bool press = key->type() == QEvent::KeyPress;
        const quint32 scan = key->nativeScanCode();
        int vk = VirtualKeyFromQtKey(key->key(), key->modifiers() & Qt::KeypadModifier);
        // The key a release reports can differ from the press (Shift let go in between turns
        // "!" back into "1"); the physical key decides which code goes up.
        if (scan != 0) {
            if (press) {
                if (vk != 0)
                    pressedByScanCode_[scan] = vk;
            } else {
                const auto it = pressedByScanCode_.find(scan);
                if (it != pressedByScanCode_.end()) {
                    vk = it->second;
                    pressedByScanCode_.erase(it);
                }
            }
        }
        if (vk == 0)
            return;
        SetKeyDown(vk, press);
    }

    static void HandleMouse(const QMouseEvent* mouse) {
        const int vk = VirtualKeyFromQtButton(mouse->button());
        if (mouse->type() != QEvent::MouseButtonRelease && vk != 0)
            SetKeyDown(vk, true);
        // The buttons still held after the event settle every button's state.
        const Qt::MouseButtons held = mouse->buttons();
        SetKeyDown(VK_LBUTTON, held & Qt::LeftButton);
        SetKeyDown(VK_RBUTTON, held & Qt::RightButton);
        SetKeyDown(VK_MBUTTON, held & Qt::MiddleButton);
    }

    void ReleaseAll() {
        for (KeyEntry& entry : Table())
            entry.down = false;
        pressedByScanCode_.clear();
    }

    std::unordered_map<quint32, int> pressedByScanCode_;
};

QPointer<KeyStateFilter>& Filter() {
    static QPointer<KeyStateFilter> filter;
    return filter;
}

} // namespace

int16_t GetAsyncKeyState(int vk) {
    InstallKeyStateFilter();
    if (!InTable(vk))
        return 0;
    KeyEntry& entry = Table()[static_cast<size_t>(vk)];
    uint16_t state = 0;
    if (entry.down)
        state |= 0x8000u;
    if (entry.pressedSinceQuery)
        state |= 0x0001u;
    entry.pressedSinceQuery = false;
    return static_cast<int16_t>(state);
}

bool IsKeyDown(int vk) {
    InstallKeyStateFilter();
    return InTable(vk) && Table()[static_cast<size_t>(vk)].down;
}

bool IsLeftButtonDown() {
    return IsKeyDown(VK_LBUTTON);
}

void SetKeyDown(int vk, bool down) {
    if (!InTable(vk))
        return;
    KeyEntry& entry = Table()[static_cast<size_t>(vk)];
    if (down && !entry.down)
        entry.pressedSinceQuery = true;
    entry.down = down;
}

bool KeyPressPending(int vk) {
    return InTable(vk) && Table()[static_cast<size_t>(vk)].pressedSinceQuery;
}

void ForgetKeyPress(int vk) {
    if (InTable(vk))
        Table()[static_cast<size_t>(vk)].pressedSinceQuery = false;
}

void ResetKeyState() {
    Table().fill(KeyEntry{});
}

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? VK_NUMPAD0 + (qtKey - Qt::Key_0) : '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return VK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return VK_MENU;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    default:
        break;
    }
    if (keypad)
        return 0;
    switch (qtKey) {
    // Shifted digits on a US layout: the physical key is the digit.
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    default:
        return 0;
    }
}

int VirtualKeyFromQtButton(int qtButton) {
    switch (qtButton) {
    case Qt::LeftButton:
        return VK_LBUTTON;
    case Qt::RightButton:
        return VK_RBUTTON;
    case Qt::MiddleButton:
        return VK_MBUTTON;
    default:
        return 0;
    }
}

void InstallKeyStateFilter() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || Filter())
        return;
    auto* filter = new KeyStateFilter(app); // freed with the application
    app->installEventFilter(filter);
    Filter() = filter;
}

} // namespace tv
