#pragma once

// The controls of the main window and its pages as the layout places them: named (tests and
// the style find them by name), white captions on the window's blue, spin edits without limits.

#include <QColor>
#include <QRect>

class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;

namespace tv {

class TValueListEditor;

// The blue of the window and its pages.
extern const QColor kFormColor;

void PaintWindow(QWidget* widget, const QColor& color);
template <class W> W* Named(W* widget, const char* name);
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int x, int y);
QFrame* MakePanel(QWidget* parent, const char* name, const QRect& geometry);
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& geometry);
// A spin edit without limits: the widest range the box can hold.
QSpinBox* MakeSpin(QWidget* parent, const char* name, int value, const QRect& geometry);
TValueListEditor* MakeGrid(QWidget* parent, const char* name, const QRect& geometry, int rowHeight);

} // namespace tv

#include <QString>

template <class W> W* tv::Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
