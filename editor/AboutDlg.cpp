#include "editor/AboutDlg.h"

#include "engine/Sound.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

// The resource file compiled from about.qrc lives in a static library: register it by name.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace tv {

TAboutForm* AboutForm = nullptr;

namespace {

constexpr int kFormWidth = 400;
constexpr int kFormHeight = 320;
constexpr unsigned kMaxJpegSide = 16384;

// ---- JPEG decoding -------------------------------------------------------------------------
//
// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// decoder. Only trivially destructible objects live between the jump point and the jump.

struct JpegErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr) {} // warnings are not shown anywhere

// RGB rows of width * 3 bytes into a malloc'd block the caller frees; false on any failure.
bool DecodeJpegRows(const unsigned char* data, unsigned long size, unsigned char** rows,
                    unsigned* width, unsigned* height) {
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof info);
    JpegErrorManager errors;
    unsigned char* volatile pixels = nullptr;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    errors.manager.output_message = OnJpegMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const unsigned w = info.output_width;
    const unsigned h = info.output_height;
    if (w == 0 || h == 0 || w > kMaxJpegSide || h > kMaxJpegSide || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const size_t stride = size_t{w} * 3;
    pixels = static_cast<unsigned char*>(std::malloc(stride * h));
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < h) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            break; // data ended early: the rest stays as it is
    }
    if (info.output_scanline == h)
        jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    *rows = pixels;
    *width = w;
    *height = h;
    return true;
}

// A sans-serif face in the given pixel size.
QFont SansFont(int pixelSize, bool bold) {
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const char* candidate : {"Arial", "Liberation Sans", "DejaVu Sans"}) {
        if (families.contains(QString::fromLatin1(candidate), Qt::CaseInsensitive)) {
            font = QFont(QString::fromLatin1(candidate));
            break;
        }
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void PaintBlack(QWidget* widget, QPalette::ColorRole text = QPalette::WindowText) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(text, Qt::white);
    palette.setColor(QPalette::Text, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

const char* const kAboutLines[] = {
    "Torvanikian Map Editor",
    "Version 1.0",
    "",
    "The level editor of the Torvanikian side-scrolling game.",
    "Design and programming: the Torvanikian team.",
    "Pictures, sounds and demo levels: made by the team for this editor.",
    "Thanks to everyone who played the early levels.",
};

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        return QImage();
    unsigned char* rows = nullptr;
    unsigned width = 0, height = 0;
    if (!DecodeJpegRows(reinterpret_cast<const unsigned char*>(data.constData()),
                        static_cast<unsigned long>(data.size()), &rows, &width, &height))
        return QImage();
    QImage picture;
    {
        const QImage view(rows, static_cast<int>(width), static_cast<int>(height),
                          static_cast<qsizetype>(width) * 3, QImage::Format_RGB888);
        picture = view.convertToFormat(QImage::Format_RGB32);
    }
    std::free(rows);
    return picture;
}

// ---- TPanelButton ----------------------------------------------------------------------------

TPanelButton::TPanelButton(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setCursor(Qt::PointingHandCursor);
}

void TPanelButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TPanelButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

// ---- TAboutForm ------------------------------------------------------------------------------

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    InitAboutResources();
    setWindowTitle(QStringLiteral("About"));
    PaintBlack(this);
    resize(368, 282); // the designed client area; FormCreate sets the real size

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(70, 20, 246, 151);
    Image1->setScaledContents(true);
    QFile pictureFile(QString::fromLatin1(kAboutPictureResource));
    if (pictureFile.open(QIODevice::ReadOnly))
        picture_ = DecodeJpeg(pictureFile.readAll());
    if (!picture_.isNull())
        Image1->setPixmap(QPixmap::fromImage(picture_));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(50, 170, 286, 61);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFont(SansFont(12, true));
    PaintBlack(Memo1);
    PaintBlack(Memo1->viewport());
    QStringList lines;
    for (const char* line : kAboutLines)
        lines << QString::fromUtf8(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));

    OKbtn = new TPanelButton(QStringLiteral("OK"), this);
    OKbtn->setObjectName(QStringLiteral("OKbtn"));
    OKbtn->setGeometry(115, 240, 170, 31);
    OKbtn->setFont(SansFont(16, true));
    PaintBlack(OKbtn);
    connect(OKbtn, &TPanelButton::clicked, this, &TAboutForm::Color95Button1Click);

    FormCreate();
    if (!AboutForm)
        AboutForm = this;
}

TAboutForm::~TAboutForm() {
    if (AboutForm == this)
        AboutForm = nullptr;
}

void TAboutForm::FormCreate() {
    resize(kFormWidth, kFormHeight);
    setMask(QRegion(QRect(0, 0, width(), height()), QRegion::Ellipse));
}

void TAboutForm::FormShow() {
    QFile sound(QString::fromLatin1(kAboutSoundResource));
    if (!sound.open(QIODevice::ReadOnly))
        return;
    const QByteArray wave = sound.readAll();
    PlayMemorySound(wave.constData(), static_cast<size_t>(wave.size()));
}

void TAboutForm::Color95Button1Click() {
    close();
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        if (const QScreen* desktop = QGuiApplication::primaryScreen()) {
            const QRect area = desktop->geometry();
            move(area.left() + (area.width() - width()) / 2,
                 area.top() + (area.height() - height()) / 2);
        }
        FormShow();
    }
}

} // namespace tv
