#pragma once

#include "document/Properties.h"

#include <QTableWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QLineEdit;
class QToolButton;

namespace tv {

// A two-column key/value grid: a read-only key column and a value column whose current cell
// always shows an editor. A row is a plain text row, an ellipsis row (a "..." button in the
// value cell emits editButtonClicked) or a pick-list row (the text can be typed, a list
// offers values).
//
// An edited value is handed to OnValidate when the cursor leaves the row and when the grid
// loses the focus to another control; when OnValidate raises, the error is shown, the move
// does not happen and the cell keeps the typed text. Escape puts back the text the row had
// before editing began, without validation. Every key typed in the editor is reported to
// OnKeyDown first (Enter is left to it entirely).
//
// Rows are numbered from 0. The value column is column 1.
class TValueListEditor : public QTableWidget {
    Q_OBJECT
public:
    enum class TEditStyle { Simple, Ellipsis, PickList };

    using ValidateHandler =
        std::function<void(int column, int row, const std::string& key, const std::string& value)>;
    using KeyDownHandler = std::function<void(int qtKey)>;

    static constexpr QRgb CreamColor = 0xFFFFFBF0;
    static constexpr QRgb SkyBlueColor = 0xFFA6CAF0;
    static constexpr QRgb NotedTextColor = 0xFF808080;

    explicit TValueListEditor(QWidget* parent = nullptr);

    void SetTitles(const QString& keyTitle, const QString& valueTitle);
    void SetColumnWidths(int keyWidth, int valueWidth);
    void SetDefaultRowHeight(int height);
    // Without editing the grid only shows its rows (no editor, no validation).
    void SetEditing(bool editing);
    bool Editing() const { return editing_; }

    int RowCount() const { return rowCount(); }
    std::string Key(int row) const;
    std::string Value(int row) const;
    // The first row whose key equals key (letter case ignored), or -1.
    int FindRow(std::string_view key) const;

    // Updates the row of key in place, or appends a row when there is none.
    void SetValue(std::string_view key, std::string_view value);
    // Appends a row whatever keys exist already.
    int AppendRow(std::string_view key, std::string_view value);
    void SetEditStyle(std::string_view key, TEditStyle style);
    TEditStyle EditStyle(int row) const;
    void SetPickList(std::string_view key, std::vector<std::string> items);
    // A row with a note is greyed and shows the note as its tooltip (an empty note: plain).
    void SetNote(std::string_view key, std::string_view note);
    std::string Note(int row) const;
    // Writes rows in order (updated in place, or appended), with their edit styles and notes.
    void SetRows(const std::vector<TPropertyRow>& rows);
    // Removes every row (no validation).
    void ClearRows();

    // The current row (-1 when there is none) and its key and value.
    int Row() const { return row_; }
    int Col() const { return 1; }
    std::string CurrentKey() const;
    std::string CurrentValue() const;
    // Moves the cursor, validating the row it leaves first; false when validation failed.
    bool MoveTo(int row);
    // Validates the current row when its value was edited; false when validation failed.
    bool CommitEdit();
    bool Modified() const { return modified_; }

    // The editor widgets of the current cell (for focus handling and tests).
    QWidget* CellEditor() const { return editor_; }
    QLineEdit* EditLine() const;
    QToolButton* EllipsisButton() const { return button_; }
    QComboBox* PickBox() const { return combo_; }

    ValidateHandler OnValidate;
    KeyDownHandler OnKeyDown;

signals:
    void editButtonClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct TRowProps {
        TEditStyle Style = TEditStyle::Simple;
        std::vector<std::string> PickList;
        QString Note;
    };

    QTableWidgetItem* MakeItem(const QString& text, bool key) const;
    void SetCurrent(int row);
    void LoadEditor();
    // The cell editor takes the current row's note (grey text, tooltip).
    void ShowNoteInEditor();
    void PlaceEditor();
    void ActiveTextChanged(const QString& text);
    void RestoreRow();
    bool HandleKey(QKeyEvent* key);
    bool EditorHasFocus() const;

    bool editing_ = true;
    int row_ = -1;
    bool modified_ = false;
    bool validating_ = false;
    bool loading_ = false;
    QString original_;
    std::vector<TRowProps> props_;

    QWidget* editor_ = nullptr;
    QLineEdit* line_ = nullptr;
    QComboBox* combo_ = nullptr;
    QToolButton* button_ = nullptr;
};

} // namespace tv
