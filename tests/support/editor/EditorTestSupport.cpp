#include "EditorTestSupport.h"

#include "TestSupport.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/MapView.h"
#include "editor/ValueListEditor.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QTest>

namespace tvtest {

// The editor's tests run under the editor's own application object, so errors escaping an
// event handler reach the same guard as in the editor.
[[maybe_unused]] static const bool kEditorApplication =
    RegisterApplicationFactory([](int& argc, char** argv) -> std::unique_ptr<QApplication> {
        return std::make_unique<tv::TEditorApplication>(argc, argv);
    });

bool ShowActive(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QPoint ScreenPointForView(const tv::TEditF& window, int x, int y) {
    const auto client = [](int logical, int screen, int size) {
        int c = -2 * size;
        while (c * screen / size < logical)
            ++c;
        return c;
    };
    return window.ViewHost->Window()->mapToGlobal(
        QPoint(client(x, 800, kViewWidth), client(y, 600, kViewHeight)));
}

bool TypeIntoRow(tv::TValueListEditor& grid, const std::string& key, const QString& text) {
    grid.setFocus();
    if (!grid.MoveTo(grid.FindRow(key)))
        return false;
    grid.EditLine()->selectAll();
    if (text.isEmpty())
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    else
        QTest::keyClicks(QApplication::focusWidget(), text);
    return true;
}

void EmptyByKeys(QAbstractSpinBox& spin) {
    spin.setFocus(Qt::MouseFocusReason);
    QTest::keyClick(&spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&spin, Qt::Key_Backspace);
}

bool WritePicture(const TempDir& game, const std::string& name, uint32_t argb, int width,
                  int height) {
    const QString path = QString::fromStdString(game.file("Data/Graphic/" + name));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(argb);
    return image.save(path);
}

void WriteViewPictures(const TempDir& game) {
    // Navy: the frame is added onto what lies under it, so pixel tests see it in blue alone.
    WritePicture(game, "editor/frame.png", qRgb(0, 0, 128));
}

void WriteEmptyGame(const TempDir& game) {
    ByteWriter catalogue;
    catalogue.zeros(40).i32(0);
    game.write("data/obj/objects.tvd", catalogue.bytes());
    QDir().mkpath(QString::fromStdString(game.file("Data/Maps")));
    WriteViewPictures(game);
}

} // namespace tvtest
