#include "editor/EditorApp.h"

#include "editor/Dialogs.h"
#include "mapdata/Errors.h"
#include "mapdata/Notices.h"

#include <exception>

namespace tv {

namespace {
std::string& TitleStorage() {
    static std::string title = EditorTitle;
    return title;
}
} // namespace

const std::string& ApplicationTitle() {
    return TitleStorage();
}

void SetApplicationTitle(std::string title) {
    TitleStorage() = std::move(title);
}

void ShowErrorBox(const std::string& message) {
    Dialogs().ErrorBox(ApplicationTitle(), ErrorBoxText(message));
}

bool RunGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const EError& error) {
        ShowErrorBox(error.what());
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
    return false;
}

TEditorApplication::TEditorApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetMessageBoxHandler([](const std::string& text) {
        Dialogs().MessageBox(text);
        return kMessageBoxOk;
    });
}

TEditorApplication::~TEditorApplication() {
    SetMessageBoxHandler(nullptr);
}

bool TEditorApplication::notify(QObject* receiver, QEvent* event) {
    // Written out rather than through RunGuarded: this runs for every event.
    try {
        return QApplication::notify(receiver, event);
    } catch (const EError& error) {
        ShowErrorBox(error.what());
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
    return false;
}

} // namespace tv
