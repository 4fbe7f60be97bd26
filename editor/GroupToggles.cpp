#include "editor/GroupToggles.h"

#include "document/Picking.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolButton>

namespace tv {

namespace {

constexpr int kIconSize = 10;

// A small icon drawn at run time by paint on a transparent square.
template <class Paint> QIcon PaintedIcon(Paint paint) {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    paint(painter);
    painter.end();
    return QIcon(pixmap);
}

QIcon EyeIcon() {
    return PaintedIcon([](QPainter& painter) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(0.5, 2.5, 9, 5));
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRectF(3.5, 3.5, 3, 3));
    });
}

QIcon LockIcon() {
    return PaintedIcon([](QPainter& painter) {
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(2.5, 0.5, 5, 6), 0, 180 * 16);
        painter.drawLine(QPointF(2.5, 3.5), QPointF(2.5, 5));
        painter.drawLine(QPointF(7.5, 3.5), QPointF(7.5, 5));
        painter.setBrush(QColor(230, 180, 40));
        painter.drawRect(QRectF(1.5, 4.5, 7, 5));
    });
}

QToolButton* MakeToggle(QWidget* parent, const QIcon& icon, const QString& name,
                        const QString& hint, int x, int y) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setIcon(icon);
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setGeometry(x, y, 15, TGroupToggles::kRowHeight);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TGroupToggles::TGroupToggles(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GroupToggles"));
    QFont small = font();
    small.setBold(false);
    small.setPointSize(7);
    for (size_t i = 0; i < kGroups.size(); ++i) {
        const QString group = QString::fromLatin1(kGroups[i]);
        // Two columns of three rows.
        const int x = i < kRows ? 0 : kFirstColumnWidth;
        const int width = i < kRows ? kFirstColumnWidth : kSecondColumnWidth;
        const int y = static_cast<int>(i % kRows) * kRowHeight;
        eyes_[i] = MakeToggle(this, EyeIcon(), QStringLiteral("Eye") + group,
                              QStringLiteral("Show ") + group, x, y);
        locks_[i] = MakeToggle(this, LockIcon(), QStringLiteral("Lock") + group,
                               QStringLiteral("Lock ") + group, x + 15, y);
        names_[i] = new QLabel(group, this);
        names_[i]->setFont(small);
        names_[i]->setGeometry(x + 32, y, width - 32, kRowHeight);
        eyes_[i]->setChecked(true);
        const std::string name = kGroups[i];
        connect(eyes_[i], &QToolButton::toggled, this, [this, i, name](bool shown) {
            ShowRow(static_cast<int>(i));
            if (OnHidden)
                OnHidden(name, !shown);
        });
        connect(locks_[i], &QToolButton::toggled, this, [this, i, name](bool locked) {
            ShowRow(static_cast<int>(i));
            if (OnLocked)
                OnLocked(name, locked);
        });
        ShowRow(static_cast<int>(i));
    }
    resize(kFirstColumnWidth + kSecondColumnWidth, static_cast<int>(kRows) * kRowHeight);
}

void TGroupToggles::Show(const TGroupStates& states) {
    for (size_t i = 0; i < kGroups.size(); ++i) {
        const QSignalBlocker eye(eyes_[i]);
        const QSignalBlocker lock(locks_[i]);
        eyes_[i]->setChecked(!states.Hidden(kGroups[i]));
        locks_[i]->setChecked(states.Locked(kGroups[i]));
        ShowRow(static_cast<int>(i));
    }
}

void TGroupToggles::ShowRow(int group) {
    const size_t i = static_cast<size_t>(group);
    const bool hidden = !eyes_[i]->isChecked();
    const bool locked = locks_[i]->isChecked();
    QPalette palette = names_[i]->palette();
    palette.setColor(QPalette::WindowText, hidden   ? QColor(150, 170, 200)
                                           : locked ? QColor(255, 120, 100)
                                                    : QColor(Qt::white));
    names_[i]->setPalette(palette);
    QFont font = names_[i]->font();
    font.setItalic(hidden);
    font.setStrikeOut(hidden);
    names_[i]->setFont(font);
    const QString name = QString::fromLatin1(kGroups[i]);
    names_[i]->setToolTip(name + (hidden ? QStringLiteral(": hidden") : QString()) +
                          (locked ? QStringLiteral(": locked") : QString()));
}

} // namespace tv
