// The About box: elliptic, borderless, its picture decoded from the resources, its chime
// started on every show, closed by its OK panel.

#include "editor/AboutDlg.h"
#include "engine/Sound.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tv;

namespace {

QByteArray JpegOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 95);
    return bytes;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

TEST(AboutBox, CreatedHiddenAt400By320AndCutToTheEllipse) {
    TAboutForm box;
    EXPECT_EQ(AboutForm, &box);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.size(), QSize(400, 320));
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);

    const QRegion mask = box.mask();
    EXPECT_TRUE(mask.contains(QPoint(200, 160)));
    EXPECT_TRUE(mask.contains(QPoint(200, 3)));
    EXPECT_TRUE(mask.contains(QPoint(3, 160)));
    for (const QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 319), QPoint(399, 319),
                                QPoint(30, 30), QPoint(370, 290)})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(mask.boundingRect() == QRect(0, 0, 400, 320) ||
                mask.boundingRect() == QRect(0, 0, 401, 321));

    EXPECT_EQ(box.Image1->geometry(), QRect(70, 20, 246, 151));
    EXPECT_EQ(box.Memo1->geometry(), QRect(50, 170, 286, 61));
    EXPECT_TRUE(box.Memo1->isReadOnly());
    EXPECT_TRUE(box.Memo1->toPlainText().startsWith("Torvanikian Map Editor"));
    EXPECT_EQ(box.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box.OKbtn->geometry(), QRect(115, 240, 170, 31));
    EXPECT_EQ(box.OKbtn->text(), "OK");
    EXPECT_TRUE(mask.contains(box.OKbtn->geometry()));
}

TEST(AboutBox, PictureIsDecodedFromTheResources) {
    TAboutForm box;
    ASSERT_FALSE(box.Picture().isNull());
    EXPECT_EQ(box.Picture().size(), QSize(246, 151));
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_TRUE(box.Image1->hasScaledContents());
    // Not a flat picture.
    EXPECT_NE(box.Picture().pixel(10, 10), box.Picture().pixel(123, 75));
}

TEST(JpegDecoder, DecodesColoursAndRefusesWhatIsNoJpeg) {
    QImage source(64, 32, QImage::Format_RGB32);
    source.fill(qRgb(200, 40, 40));
    for (int y = 0; y < 32; ++y)
        for (int x = 32; x < 64; ++x)
            source.setPixel(x, y, qRgb(20, 60, 220));
    const QByteArray jpeg = JpegOf(source);
    const QImage decoded = DecodeJpeg(jpeg);
    ASSERT_EQ(decoded.size(), QSize(64, 32));
    EXPECT_TRUE(Near(decoded.pixel(8, 16), qRgb(200, 40, 40), 12));
    EXPECT_TRUE(Near(decoded.pixel(56, 16), qRgb(20, 60, 220), 12));

    QImage grey(16, 16, QImage::Format_Grayscale8);
    grey.fill(128);
    const QImage fromGrey = DecodeJpeg(JpegOf(grey));
    ASSERT_EQ(fromGrey.size(), QSize(16, 16));
    EXPECT_TRUE(Near(fromGrey.pixel(4, 4), qRgb(128, 128, 128), 6));

    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
    EXPECT_TRUE(DecodeJpeg(jpeg.left(4)).isNull());
    // Cut in the middle of the data: no crash, and whatever comes back is the full size.
    const QImage cut = DecodeJpeg(jpeg.left(jpeg.size() / 2));
    EXPECT_TRUE(cut.isNull() || cut.size() == QSize(64, 32));
}

TEST(AboutBox, EveryShowStartsTheChimeAndCentresTheBox) {
    TAboutForm box;
    const uint32_t starts = MemorySoundStarts();
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(MemorySoundStarts(), starts + 1);
    EXPECT_TRUE(MemorySoundPlaying());
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((box.frameGeometry().center() - desktop.center()).manhattanLength(), 4);

    box.close();
    EXPECT_TRUE(MemorySoundPlaying()); // closing does not stop the chime
    box.show();
    EXPECT_EQ(MemorySoundStarts(), starts + 2);
    box.close();
}

TEST(AboutBox, ClicksOutsideTheEllipseMissTheBox) {
    TAboutForm box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QWidget* inside = QApplication::widgetAt(box.OKbtn->mapToGlobal(QPoint(85, 15)));
    EXPECT_EQ(inside, box.OKbtn);
    QWidget* corner = QApplication::widgetAt(box.mapToGlobal(QPoint(4, 4)));
    EXPECT_TRUE(corner == nullptr || (corner != &box && !box.isAncestorOf(corner)));
    box.close();
}

TEST(AboutBox, OKPanelEndsTheModalCall) {
    TAboutForm box;
    bool clicked = false;
    QTimer::singleShot(0, &box, [&] {
        QTest::mouseClick(box.OKbtn, Qt::LeftButton, {}, QPoint(85, 15));
        clicked = true;
    });
    // A safety net so a broken panel cannot hang the run.
    QTimer::singleShot(5000, &box, [&] { box.done(42); });
    const int result = box.exec();
    EXPECT_TRUE(clicked);
    EXPECT_NE(result, 42);
    EXPECT_FALSE(box.isVisible());

    // A press that leaves the panel before the release is no click.
    box.show();
    QTest::mousePress(box.OKbtn, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(box.OKbtn, Qt::LeftButton, {}, QPoint(-20, 10));
    EXPECT_TRUE(box.isVisible());
    box.close();
}
