#include "editor/ValueListEditor.h"

#include "editor/EditorApp.h"
#include "mapdata/Text.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace tv {

namespace {

void PaintBase(QWidget* widget, QRgb color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, QColor::fromRgba(color));
    palette.setColor(QPalette::Text, Qt::black);
    widget->setPalette(palette);
}

} // namespace

TValueListEditor::TValueListEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: #A6CAF0; color: black;"
                       " border: 0px; border-right: 1px solid #808080;"
                       " border-bottom: 1px solid #808080; padding-left: 2px; }"));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    PaintBase(this, CreamColor);
    SetTitles(QStringLiteral("Key"), QStringLiteral("Value"));

    editor_ = new QWidget(viewport());
    editor_->setObjectName(QStringLiteral("CellEditor"));
    editor_->setAutoFillBackground(true);
    PaintBase(editor_, CreamColor);
    auto* layout = new QHBoxLayout(editor_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    line_ = new QLineEdit(editor_);
    line_->setFrame(false);
    line_->setTextMargins(1, 0, 0, 0);
    PaintBase(line_, CreamColor);
    layout->addWidget(line_);

    combo_ = new QComboBox(editor_);
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->setFrame(false);
    PaintBase(combo_, CreamColor);
    combo_->hide();
    layout->addWidget(combo_);

    button_ = new QToolButton(editor_);
    button_->setText(QString(QChar(0x2026)));
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setFixedWidth(18);
    button_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button_->hide();
    layout->addWidget(button_);
    editor_->hide();

    line_->installEventFilter(this);
    combo_->installEventFilter(this);
    combo_->lineEdit()->installEventFilter(this);
    connect(line_, &QLineEdit::textEdited, this, &TValueListEditor::ActiveTextChanged);
    connect(combo_->lineEdit(), &QLineEdit::textEdited, this, &TValueListEditor::ActiveTextChanged);
    connect(combo_, &QComboBox::activated, this,
            [this](int index) { ActiveTextChanged(combo_->itemText(index)); });
    connect(button_, &QToolButton::clicked, this, [this] { emit editButtonClicked(); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceEditor(); });
    connect(verticalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceEditor(); });
}

void TValueListEditor::SetTitles(const QString& keyTitle, const QString& valueTitle) {
    setHorizontalHeaderLabels({keyTitle, valueTitle});
}

void TValueListEditor::SetColumnWidths(int keyWidth, int valueWidth) {
    setColumnWidth(0, keyWidth);
    setColumnWidth(1, valueWidth);
}

void TValueListEditor::SetDefaultRowHeight(int height) {
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, height);
    horizontalHeader()->setFixedHeight(height + 2);
    PlaceEditor();
}

void TValueListEditor::SetEditing(bool editing) {
    editing_ = editing;
    modified_ = false;
    LoadEditor();
}

std::string TValueListEditor::Key(int row) const {
    const QTableWidgetItem* cell = row >= 0 && row < rowCount() ? item(row, 0) : nullptr;
    return cell ? cell->text().toStdString() : std::string();
}

std::string TValueListEditor::Value(int row) const {
    const QTableWidgetItem* cell = row >= 0 && row < rowCount() ? item(row, 1) : nullptr;
    return cell ? cell->text().toStdString() : std::string();
}

int TValueListEditor::FindRow(std::string_view key) const {
    for (int r = 0; r < rowCount(); ++r)
        if (TextEquals(Key(r), key))
            return r;
    return -1;
}

QTableWidgetItem* TValueListEditor::MakeItem(const QString& text, bool key) const {
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled);
    cell->setBackground(QColor::fromRgba(key ? SkyBlueColor : CreamColor));
    cell->setForeground(Qt::black);
    return cell;
}

void TValueListEditor::SetValue(std::string_view key, std::string_view value) {
    const int row = FindRow(key);
    if (row < 0) {
        AppendRow(key, value);
        return;
    }
    const QString text = ToQString(value);
    item(row, 1)->setText(text);
    if (row == row_) {
        LoadEditor();
    }
}

int TValueListEditor::AppendRow(std::string_view key, std::string_view value) {
    const int row = rowCount();
    insertRow(row);
    setRowHeight(row, verticalHeader()->defaultSectionSize());
    setItem(row, 0, MakeItem(ToQString(key), true));
    setItem(row, 1, MakeItem(ToQString(value), false));
    props_.emplace_back();
    if (row_ < 0)
        SetCurrent(row);
    return row;
}

void TValueListEditor::SetEditStyle(std::string_view key, TEditStyle style) {
    const int row = FindRow(key);
    if (row < 0)
        return;
    props_[static_cast<size_t>(row)].Style = style;
    if (row == row_) {
        // Keeps the text being edited: only the look of the editor changes.
        const QString original = original_;
        const bool modified = modified_;
        LoadEditor();
        original_ = original;
        modified_ = modified;
    }
}

TValueListEditor::TEditStyle TValueListEditor::EditStyle(int row) const {
    if (row < 0 || row >= static_cast<int>(props_.size()))
        return TEditStyle::Simple;
    return props_[static_cast<size_t>(row)].Style;
}

void TValueListEditor::SetPickList(std::string_view key, std::vector<std::string> items) {
    const int row = FindRow(key);
    if (row < 0)
        return;
    props_[static_cast<size_t>(row)].PickList = std::move(items);
    if (row == row_ && EditStyle(row) == TEditStyle::PickList) {
        const QString original = original_;
        const bool modified = modified_;
        LoadEditor();
        original_ = original;
        modified_ = modified;
    }
}

void TValueListEditor::SetRows(const std::vector<TPropertyRow>& rows) {
    for (const TPropertyRow& row : rows) {
        SetValue(row.Key, row.Value);
        if (row.Style == TRowStyle::Ellipsis) {
            SetEditStyle(row.Key, TEditStyle::Ellipsis);
        } else if (row.Style == TRowStyle::PickList) {
            SetEditStyle(row.Key, TEditStyle::PickList);
            SetPickList(row.Key, row.PickList);
        }
        SetNote(row.Key, row.Note);
    }
}

void TValueListEditor::SetNote(std::string_view key, std::string_view note) {
    const int row = FindRow(key);
    if (row < 0)
        return;
    const QString text = ToQString(note);
    props_[static_cast<size_t>(row)].Note = text;
    const QColor color = QColor::fromRgba(text.isEmpty() ? 0xFF000000u : NotedTextColor);
    for (const int column : {0, 1}) {
        item(row, column)->setToolTip(text);
        item(row, column)->setForeground(color);
    }
    if (row == row_)
        ShowNoteInEditor();
}

std::string TValueListEditor::Note(int row) const {
    if (row < 0 || row >= static_cast<int>(props_.size()))
        return {};
    return props_[static_cast<size_t>(row)].Note.toStdString();
}

void TValueListEditor::ShowNoteInEditor() {
    const QString note = row_ >= 0 && row_ < static_cast<int>(props_.size())
                             ? props_[static_cast<size_t>(row_)].Note
                             : QString();
    const QColor color = QColor::fromRgba(note.isEmpty() ? 0xFF000000u : NotedTextColor);
    for (QWidget* widget : {static_cast<QWidget*>(line_), static_cast<QWidget*>(combo_)}) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Text, color);
        widget->setPalette(palette);
        widget->setToolTip(note);
    }
}

void TValueListEditor::ClearRows() {
    const bool hadFocus = EditorHasFocus();
    modified_ = false;
    row_ = -1;
    loading_ = true;
    editor_->hide();
    loading_ = false;
    setRowCount(0);
    props_.clear();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}

std::string TValueListEditor::CurrentKey() const {
    return Key(row_);
}

std::string TValueListEditor::CurrentValue() const {
    return Value(row_);
}

QLineEdit* TValueListEditor::EditLine() const {
    return EditStyle(row_) == TEditStyle::PickList ? combo_->lineEdit() : line_;
}

bool TValueListEditor::MoveTo(int row) {
    if (row < 0 || row >= rowCount())
        return false;
    if (row == row_)
        return true;
    if (!CommitEdit())
        return false;
    if (rowCount() == 0)
        return false;
    SetCurrent(std::min(row, rowCount() - 1));
    return true;
}

bool TValueListEditor::CommitEdit() {
    if (validating_)
        return false;
    if (!editing_ || !modified_ || row_ < 0 || row_ >= rowCount())
        return true;
    const int row = row_;
    const std::string key = Key(row);
    const std::string value = Value(row);
    validating_ = true;
    const bool ok = RunGuarded([&] {
        if (OnValidate)
            OnValidate(1, row, key, value);
    });
    validating_ = false;
    if (ok) {
        modified_ = false;
        if (row_ >= 0 && row_ < rowCount())
            original_ = item(row_, 1)->text();
    }
    return ok;
}

void TValueListEditor::SetCurrent(int row) {
    row_ = row;
    if (row >= 0) {
        setCurrentCell(row, 1);
        scrollToItem(item(row, 1));
    }
    LoadEditor();
}

bool TValueListEditor::EditorHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void TValueListEditor::LoadEditor() {
    if (!editing_ || row_ < 0 || row_ >= rowCount()) {
        loading_ = true;
        editor_->hide();
        loading_ = false;
        return;
    }
    const bool hadFocus = EditorHasFocus();
    loading_ = true;
    const TRowProps& props = props_[static_cast<size_t>(row_)];
    const QString text = item(row_, 1)->text();
    if (props.Style == TEditStyle::PickList) {
        combo_->clear();
        for (const std::string& entry : props.PickList)
            combo_->addItem(ToQString(entry));
        combo_->setCurrentIndex(-1);
        combo_->setEditText(text);
        combo_->show();
        line_->hide();
    } else {
        line_->setText(text);
        line_->show();
        combo_->hide();
    }
    button_->setVisible(props.Style == TEditStyle::Ellipsis);
    ShowNoteInEditor();
    original_ = text;
    modified_ = false;
    PlaceEditor();
    editor_->show();
    loading_ = false;
    if (hadFocus) {
        QWidget* active = props.Style == TEditStyle::PickList ? static_cast<QWidget*>(combo_)
                                                              : static_cast<QWidget*>(line_);
        active->setFocus(Qt::OtherFocusReason);
    }
}

void TValueListEditor::PlaceEditor() {
    if (!editor_ || !editing_ || row_ < 0 || row_ >= rowCount())
        return;
    editor_->setGeometry(visualRect(model()->index(row_, 1)));
}

void TValueListEditor::ActiveTextChanged(const QString& text) {
    if (loading_ || row_ < 0 || row_ >= rowCount())
        return;
    item(row_, 1)->setText(text);
    modified_ = true;
}

void TValueListEditor::RestoreRow() {
    if (row_ < 0 || row_ >= rowCount())
        return;
    item(row_, 1)->setText(original_);
    const QString original = original_;
    LoadEditor();
    original_ = original;
}

bool TValueListEditor::HandleKey(QKeyEvent* key) {
    const int code = key->key();
    if (OnKeyDown)
        RunGuarded([&] { OnKeyDown(code); });
    const bool plain = !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    switch (code) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    case Qt::Key_Escape:
        RestoreRow();
        return true;
    case Qt::Key_Up:
        if (!plain)
            return false;
        if (row_ > 0)
            MoveTo(row_ - 1);
        return true;
    case Qt::Key_Down:
        if (!plain)
            return false;
        if (row_ + 1 < rowCount())
            MoveTo(row_ + 1);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int height = std::max(1, verticalHeader()->defaultSectionSize());
        const int step = std::max(1, viewport()->height() / height - 1);
        const int target = code == Qt::Key_PageUp ? std::max(0, row_ - step)
                                                  : std::min(rowCount() - 1, row_ + step);
        MoveTo(target);
        return true;
    }
    default:
        return false;
    }
}

bool TValueListEditor::eventFilter(QObject* watched, QEvent* event) {
    const bool ours =
        combo_ && (watched == line_ || watched == combo_ || watched == combo_->lineEdit());
    if (!ours || !editing_)
        return QTableWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        return HandleKey(static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Window switches, menus and the combo's own list do not leave the grid.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !loading_ &&
            !validating_ && !EditorHasFocus())
            CommitEdit();
    }
    return QTableWidget::eventFilter(watched, event);
}

void TValueListEditor::mousePressEvent(QMouseEvent* event) {
    if (!editing_) {
        QTableWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.row() != row_)
        MoveTo(index.row());
    if (row_ >= 0 && editor_->isVisible()) {
        QWidget* active = EditStyle(row_) == TEditStyle::PickList ? static_cast<QWidget*>(combo_)
                                                                  : static_cast<QWidget*>(line_);
        active->setFocus(Qt::MouseFocusReason);
    }
}

void TValueListEditor::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    if (editing_ && row_ >= 0 && editor_->isVisible()) {
        QWidget* active = EditStyle(row_) == TEditStyle::PickList ? static_cast<QWidget*>(combo_)
                                                                  : static_cast<QWidget*>(line_);
        active->setFocus(event->reason());
    }
}

void TValueListEditor::scrollContentsBy(int dx, int dy) {
    QTableWidget::scrollContentsBy(dx, dy);
    PlaceEditor();
}

void TValueListEditor::updateGeometries() {
    QTableWidget::updateGeometries();
    PlaceEditor();
}

void TValueListEditor::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    PlaceEditor();
}

} // namespace tv
