#include "EditorTestSupport.h"

#include "TestSupport.h"
#include "editor/EditorApp.h"

#include <QApplication>
#include <QDir>
#include <QImage>
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

void WriteViewPictures(const TempDir& game) {
    QDir().mkpath(QString::fromStdString(game.file("Data/Graphic/editor")));
    QImage frame(16, 16, QImage::Format_ARGB32);
    frame.fill(qRgba(255, 255, 255, 255));
    frame.save(QString::fromStdString(game.file("Data/Graphic/editor/frame.png")));
}

} // namespace tvtest
