#include "editor/FormControls.h"

#include "editor/SpinEdit.h"
#include "editor/ValueListEditor.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <climits>

namespace tv {

const QColor kFormColor(0, 105, 210);

void PaintWindow(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int x, int y) {
    auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    label->adjustSize();
    label->move(x, y);
    return label;
}

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setGeometry(geometry);
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& geometry) {
    auto* button = Named(new QPushButton(QString::fromUtf8(caption), parent), name);
    button->setGeometry(geometry);
    return button;
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int value, const QRect& geometry) {
    auto* spin = Named(new TSpinEdit(parent), name);
    spin->setRange(INT_MIN, INT_MAX);
    spin->setSingleStep(1);
    spin->setValue(value);
    spin->setGeometry(geometry);
    return spin;
}

TValueListEditor* MakeGrid(QWidget* parent, const char* name, const QRect& geometry,
                           int rowHeight) {
    auto* grid = Named(new TValueListEditor(parent), name);
    grid->SetTitles(QStringLiteral("Variable"), QStringLiteral("Value"));
    grid->SetDefaultRowHeight(rowHeight);
    grid->setGeometry(geometry);
    return grid;
}

} // namespace tv
