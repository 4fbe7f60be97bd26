#include "editor/MapView.h"

#include "engine/Graphics.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidget>

namespace tv {

namespace {
TViewDeviceMaker& DeviceMaker() {
    static TViewDeviceMaker maker;
    return maker;
}
} // namespace

void SetViewDeviceMaker(TViewDeviceMaker maker) {
    DeviceMaker() = std::move(maker);
}

bool MakeViewDevice(HWND window, int width, int height) {
    if (const TViewDeviceMaker& maker = DeviceMaker())
        return maker(window, width, height);
    return CreateGraphicsDevice(window, false, width, height, 32, 1, true);
}

void TMapViewWindow::exposeEvent(QExposeEvent* event) {
    QWindow::exposeEvent(event);
    if (OnExposed)
        OnExposed();
}

void TMapViewWindow::mousePressEvent(QMouseEvent* event) {
    modifiers_ = event->modifiers();
    if (OnMouseDown)
        OnMouseDown(event->button(), event->modifiers());
    event->accept();
}

void TMapViewWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like any other.
    mousePressEvent(event);
}

void TMapViewWindow::mouseMoveEvent(QMouseEvent* event) {
    modifiers_ = event->modifiers();
    if (OnMouseMove)
        OnMouseMove(event->buttons());
    event->accept();
}

void TMapViewWindow::mouseReleaseEvent(QMouseEvent* event) {
    modifiers_ = event->modifiers();
    if (OnMouseUp)
        OnMouseUp(event->button());
    event->accept();
}

void TMapViewWindow::wheelEvent(QWheelEvent* event) {
    modifiers_ = event->modifiers();
    if (OnWheel)
        OnWheel(event->angleDelta(), event->modifiers());
    event->accept();
}

TMapViewHost::TMapViewHost(QWidget* view) : window_(new TMapViewWindow) {
    window_->setObjectName(QStringLiteral("ViewWindow"));
    window_->resize(view->size());
    container_ = QWidget::createWindowContainer(window_, view);
    container_->setObjectName(QStringLiteral("ViewContainer"));
    container_->setGeometry(0, 0, view->width(), view->height());
    container_->setFocusPolicy(Qt::NoFocus);

    noDevice_ = new QLabel(QString::fromLatin1(kNoDeviceText), view);
    noDevice_->setObjectName(QStringLiteral("NoDeviceLabel"));
    noDevice_->setGeometry(0, 0, view->width(), view->height());
    // Whichever of the two is shown fills the panel when the panel grows.
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(container_);
    layout->addWidget(noDevice_);
    noDevice_->setAlignment(Qt::AlignCenter);
    noDevice_->setWordWrap(true);
    noDevice_->setMargin(12);
    noDevice_->setAutoFillBackground(true);
    QPalette dark = noDevice_->palette();
    dark.setColor(QPalette::Window, QColor(0, 0, 0x55));
    dark.setColor(QPalette::WindowText, QColor(255, 255, 50));
    noDevice_->setPalette(dark);
    noDevice_->hide();
}

TWindowCloseWatch::TWindowCloseWatch(const QWidget* owner, std::function<void()> onClosed)
    : owner_(owner), onClosed_(std::move(onClosed)) {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TWindowCloseWatch::~TWindowCloseWatch() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool TWindowCloseWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched != owner_ && onClosed_) {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget && widget->isWindow())
            onClosed_();
    }
    return false;
}

void TMapViewHost::ShowDevice(bool haveDevice) {
    container_->setVisible(haveDevice);
    noDevice_->setVisible(!haveDevice);
}

} // namespace tv
