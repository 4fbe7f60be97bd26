#pragma once

#include <QSpinBox>

namespace tv {

// A spin edit whose value is its text read as an integer: a text the designer empties stays
// empty when the edit loses the focus (a plain spin box would put its last value back before a
// button's handler reads it) and reads as 0, or as the minimum when 0 lies below it.
class TSpinEdit : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& text, int& pos) const override;
    int valueFromText(const QString& text) const override;
};

} // namespace tv
