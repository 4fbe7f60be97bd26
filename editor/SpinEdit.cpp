#include "editor/SpinEdit.h"

#include <algorithm>

namespace tv {

QValidator::State TSpinEdit::validate(QString& text, int& pos) const {
    if (text.trimmed().isEmpty())
        return QValidator::Acceptable;
    return QSpinBox::validate(text, pos);
}

int TSpinEdit::valueFromText(const QString& text) const {
    if (text.trimmed().isEmpty())
        return std::clamp(0, minimum(), maximum());
    return QSpinBox::valueFromText(text);
}

} // namespace tv
