// The edit commands of the main window: undo and redo with their tool buttons, and the
// keyboard shortcuts. Keys that a field or list being edited uses itself never reach the
// shortcuts.
#include "editor/EditForm.h"

#include "editor/EditorApp.h"
#include "editor/ModifyPage.h"
#include "editor/SnapControls.h"
#include "editor/SpaceCommands.h"
#include "mapdata/Geometry.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include "editor/ValueListEditor.h"

namespace tv {

namespace {

// Plain keys (Shift allowed) that text fields, spin boxes, lists and grids use for themselves.
bool IsFieldKey(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    // Letters typed into a field or a grid cell (G would toggle snapping).
    if (!key.text().isEmpty() && key.text().at(0).isPrint())
        return true;
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

bool IsInputWidget(const QWidget* widget) {
    for (; widget && !widget->isWindow(); widget = widget->parentWidget())
        if (qobject_cast<const QLineEdit*>(widget) ||
            qobject_cast<const QAbstractSpinBox*>(widget) ||
            qobject_cast<const QAbstractItemView*>(widget) ||
            qobject_cast<const QComboBox*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
            qobject_cast<const QPlainTextEdit*>(widget))
            return true;
    return false;
}

bool IsUndoKey(const QKeyEvent& key) {
    return key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo) ||
           (key.modifiers() == Qt::ControlModifier && key.key() == Qt::Key_Y);
}

// The grid whose cell editor a widget is, when the cell holds no typed value that was not
// applied: its own text undo has nothing of the designer's left, so the map's undo is meant.
bool IsCommittedGridCell(const QWidget* widget) {
    for (; widget && !widget->isWindow(); widget = widget->parentWidget())
        if (const auto* grid = qobject_cast<const TValueListEditor*>(widget))
            return !grid->Modified();
    return false;
}

// Keeps the window's shortcuts away from the keys a focused field, spin box, list or grid of
// the window uses: Qt asks the focus widget first (ShortcutOverride), and the answer here is
// that it wants the key. Undo and redo in a grid cell whose value was applied go to the map:
// the cell editor would otherwise take them for its own text.
class TFieldKeysFirst : public QObject {
public:
    // Delete in the object list is the window's: it deletes the object picked there.
    TFieldKeysFirst(QWidget* window, const QWidget* objectList)
        : QObject(window), window_(window), objectList_(objectList) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget && widget->window() == window_ && IsUndoKey(*static_cast<QKeyEvent*>(event)) &&
            IsCommittedGridCell(widget)) {
            event->ignore();
            return true;
        }
        if (widget == objectList_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete)
            return false;
        if (!widget || widget->window() != window_ || !IsInputWidget(widget) ||
            !IsFieldKey(*static_cast<QKeyEvent*>(event)))
            return false;
        event->accept();
        return true;
    }

private:
    QWidget* window_;
    const QWidget* objectList_;
};

QString WithShortcut(const QString& text, const char* keys) {
    return text + QStringLiteral(" (") + QLatin1String(keys) + QStringLiteral(")");
}

} // namespace

void TEditF::ConnectEditCommands() {
    new TFieldKeysFirst(this, Modify->ListMod);
    connect(UndoBtn, &QToolButton::clicked, this, Guarded([this] { UndoClick(); }));
    connect(RedoBtn, &QToolButton::clicked, this, Guarded([this] { RedoClick(); }));

    connect(PlayBtn, &QToolButton::clicked, this, Guarded([this] {
                PlayClick(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
            }));
    const auto action = [this](std::initializer_list<QKeySequence> keys, auto handler) {
        auto* made = new QAction(this);
        made->setShortcuts(QList<QKeySequence>(keys));
        made->setShortcutContext(Qt::WindowShortcut);
        addAction(made);
        connect(made, &QAction::triggered, this, Guarded(handler));
        return made;
    };
    // The keys of the game's own commands, which stay while playing.
    action({QKeySequence(Qt::Key_F5)}, [this] { PlayClick(false); });
    action({QKeySequence(Qt::SHIFT | Qt::Key_F5)}, [this] { PlayClick(!Playing()); });
    RestartAction = action({QKeySequence(Qt::Key_R)}, [this] { RestartPlay(); });
    RestartAction->setEnabled(false);
    SavePlaytestAction = action({QKeySequence(Qt::Key_S)}, [this] { SavePlaytestFromPlay(); });
    SavePlaytestAction->setEnabled(false);
    // The editing keys, which rest while playing so the game gets every key.
    const auto shortcut = [this, &action](std::initializer_list<QKeySequence> keys, auto handler) {
        EditActions.push_back(action(keys, handler));
    };
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_N)}, [this] { SpeedButton1Click(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_O)}, [this] { SpeedButton2Click(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { SaveBtnClick(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, [this] { SaveAsBtnClick(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { UndoClick(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
             [this] { RedoClick(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_C)}, [this] { Modify->Button2Click(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_X)}, [this] { Modify->Button3Click(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_V)}, [this] { Modify->Button4Click(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_D)}, [this] { Document->DuplicateSelected(); });
    shortcut({QKeySequence(Qt::Key_Delete)}, [this] { Modify->Button1Click(); });
    shortcut({QKeySequence(Qt::Key_Escape)}, [this] { ClearSelection(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_A)}, [this] { Modify->SelectAllOfGroup(false); });
    shortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
             [this] { Modify->SelectAllOfGroup(true); });
    // Escape stops the game instead while it is played.
    StopAction = action({QKeySequence(Qt::Key_Escape)}, [this] { StopPlay(); });
    StopAction->setEnabled(false);
    for (const int step : {1, 10}) {
        const Qt::KeyboardModifiers shift = step == 1 ? Qt::NoModifier : Qt::ShiftModifier;
        shortcut({QKeySequence(shift | Qt::Key_Left)}, [this, step] { NudgeSelected(-step, 0); });
        shortcut({QKeySequence(shift | Qt::Key_Right)}, [this, step] { NudgeSelected(step, 0); });
        shortcut({QKeySequence(shift | Qt::Key_Up)}, [this, step] { NudgeSelected(0, -step); });
        shortcut({QKeySequence(shift | Qt::Key_Down)}, [this, step] { NudgeSelected(0, step); });
    }
    shortcut({QKeySequence(Qt::Key_PageUp)}, [this] { XPrevClick(); });
    shortcut({QKeySequence(Qt::Key_PageDown)}, [this] { XNextClick(); });
    shortcut({QKeySequence(Qt::Key_Home)}, [this] { XHomeClick(); });
    shortcut({QKeySequence(Qt::Key_End)}, [this] { XEndClick(); });
    shortcut({QKeySequence(Qt::Key_G)}, [this] { Snap->Toggle(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_I)}, [this] { Space->InsertSpace(); });
    shortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)}, [this] { Space->RemoveSpace(); });
}

void TEditF::ConnectUndoStack() {
    QUndoStack& stack = Document->UndoStack();
    for (auto signal : {&QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged})
        connect(&stack, signal, this, [this] { UpdateUndoButtons(); });
    for (auto signal : {&QUndoStack::undoTextChanged, &QUndoStack::redoTextChanged})
        connect(&stack, signal, this, [this] { UpdateUndoButtons(); });
    UpdateUndoButtons();
}

void TEditF::UpdateUndoButtons() {
    const QUndoStack& stack = Document->UndoStack();
    UndoBtn->setEnabled(stack.canUndo());
    RedoBtn->setEnabled(stack.canRedo());
    UndoBtn->setToolTip(WithShortcut(stack.canUndo() ? QStringLiteral("Undo ") + stack.undoText()
                                                     : QStringLiteral("Undo"),
                                     "Ctrl+Z"));
    RedoBtn->setToolTip(WithShortcut(stack.canRedo() ? QStringLiteral("Redo ") + stack.redoText()
                                                     : QStringLiteral("Redo"),
                                     "Ctrl+Y"));
}

void TEditF::UndoClick() {
    // A value typed into a grid and not yet applied is an edit of its own: it goes in first.
    if (CommitPendingEdits())
        Document->Undo();
}

void TEditF::RedoClick() {
    if (CommitPendingEdits())
        Document->Redo();
}

void TEditF::ClearSelection() {
    Document->EndDrag();
    Document->ClearSelection();
}

void TEditF::NudgeSelected(int dx, int dy) {
    if (!Selected() || Document->Dragging())
        return;
    // With snapping on, a nudge goes to the next grid line that way.
    const auto delta = [this](int32_t value, int d) {
        return Snap->Grid().NudgeDelta(value, (d > 0) - (d < 0), d < 0 ? -d : d);
    };
    Document->NudgeSelected(delta(Selected()->Left, dx), delta(Selected()->Top, dy));
}

void TEditF::ScrollTo(int32_t worldX) {
    WorldX = Clamp(worldX, 0, MaxOf(0, Map().MaxWorldX));
    SetProjection();
    UpdateWorldX();
}

void TEditF::XHomeClick() {
    ScrollTo(0);
}

void TEditF::XEndClick() {
    ScrollTo(Map().MaxWorldX);
}

} // namespace tv
