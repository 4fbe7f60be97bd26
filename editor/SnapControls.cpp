#include "editor/SnapControls.h"

#include <QComboBox>
#include <QToolButton>

namespace tv {

TSnapControls::TSnapControls(QWidget* toolBar, int x) : QObject(toolBar) {
    button_ = new QToolButton(toolBar);
    button_->setObjectName(QStringLiteral("SnapBtn"));
    button_->setText(QStringLiteral("#"));
    button_->setCheckable(true);
    button_->setGeometry(x, 3, 26, 26);
    button_->setToolTip(QStringLiteral("Snap to grid (G); Ctrl while dragging inverts it"));
    button_->setFocusPolicy(Qt::NoFocus);
    sizeBox_ = new QComboBox(toolBar);
    sizeBox_->setObjectName(QStringLiteral("SnapSize"));
    for (const int32_t size : TSnapGrid::kSizes)
        sizeBox_->addItem(QString::number(size), size);
    sizeBox_->setCurrentIndex(sizeBox_->findData(grid_.Size()));
    sizeBox_->setGeometry(x + 28, 5, 38, 22);
    sizeBox_->setToolTip(QStringLiteral("Grid size in world units"));
    sizeBox_->setFocusPolicy(Qt::NoFocus);
    connect(button_, &QToolButton::toggled, this, [this](bool on) {
        grid_.SetOn(on);
        Changed();
    });
    connect(sizeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        grid_.SetSize(sizeBox_->itemData(index).toInt());
        Changed();
    });
}

void TSnapControls::SetOn(bool on) {
    button_->setChecked(on); // toggled tells the grid
}

void TSnapControls::SetSize(int32_t size) {
    const int index = sizeBox_->findData(size);
    if (index >= 0)
        sizeBox_->setCurrentIndex(index);
}

void TSnapControls::Changed() {
    if (OnChanged)
        OnChanged();
}

} // namespace tv
