// The editor's program entry: the application object, the main window, the message loop.
#include "editor/AboutDlg.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"

int main(int argc, char** argv) {
    tv::TEditorApplication app(argc, argv);
    int result = 1;
    tv::RunGuarded([&] {
        tv::TEditF window;
        // Created hidden; the help menu's About item shows it modally.
        tv::TAboutForm aboutForm(&window);
        window.show();
        // Without a window manager nothing else would make the window active, and the view
        // draws only while the application is active.
        window.activateWindow();
        result = tv::TEditorApplication::exec();
    });
    return result;
}
