#include "EditorTestSupport.h"

#include "TestSupport.h"
#include "editor/EditorApp.h"

#include <QApplication>
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

} // namespace tvtest
