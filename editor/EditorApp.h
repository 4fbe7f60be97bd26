#pragma once

#include <QApplication>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace tv {

inline constexpr const char* EditorTitle = "Torvanikian Map Editor";

// The application title: the title of the general error box; the main window sets it to
// "Torvanikian Map Editor - <file name>". Kept apart from Qt's display name, which the
// window system would append to the title of every other window.
const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

// The general error box: the application title, the error icon, OK, and the message with a
// "." added when it ends in a character that sorts after ".".
void ShowErrorBox(const std::string& message);

// The editor's guard: runs a command and shows any EError or std::exception it raises in the
// general error box; the command ends there. Returns true when the command completed.
// Every handler the editor connects runs through it, so no error unwinds through Qt's own
// frames; the application's notify override catches what still gets through.
bool RunGuarded(const std::function<void()>& command);

// Wraps a handler for a signal connection. A handler that takes no arguments ignores the
// signal's arguments.
template <class F> auto Guarded(F handler) {
    return [handler = std::move(handler)](auto&&... args) {
        RunGuarded([&] {
            if constexpr (std::is_invocable_v<const F&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    };
}

// The editor's application object. Catches errors escaping any event handler and shows them
// in the general error box, and routes the "Message" notices to the dialogs seam.
class TEditorApplication : public QApplication {
public:
    TEditorApplication(int& argc, char** argv);
    ~TEditorApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tv
