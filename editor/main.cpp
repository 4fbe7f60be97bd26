// The editor's program entry: the application object, the command line, the main window, the
// message loop.
#include "document/Recovery.h"
#include "editor/AboutDlg.h"
#include "editor/CommandLine.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/RecentMenu.h"
#include "engine/SessionNotices.h"

#include <QTimer>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    tv::DropSessionNotices();
    // Qt takes its own options (such as -display) out of argv here.
    tv::TEditorApplication app(argc, argv);
    tv::TEditorCommandLine line;
    try {
        line = tv::ParseEditorCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const tv::TEditorUsageError& error) {
        std::cerr << "tvedit: " << error.what() << "\n" << tv::kEditorUsage << "\n";
        return 2;
    }
    if (line.Help) {
        std::cout << tv::kEditorUsage << "\n";
        return 0;
    }
    int result = 1;
    tv::RunGuarded([&] {
        auto window = line.BaseFolder.empty() ? std::make_unique<tv::TEditF>()
                                              : std::make_unique<tv::TEditF>(line.BaseFolder);
        // Created hidden; the help menu's About item shows it modally.
        tv::TAboutForm aboutForm(window.get());
        window->show();
        // Without a window manager nothing else would make the window active, and the view
        // draws only while the application is active.
        window->activateWindow();
        window->StartRecovery(tv::DefaultRecoveryFolder());
        window->Recent->UseStore(tv::DefaultRecentFilesPath());
        // Once the window is up: the map asked for, then what a crashed editor left.
        QTimer::singleShot(0, window.get(), tv::Guarded([&] {
                               window->OpenAtStart(line.MapPath);
                               window->OfferRecovery();
                           }));
        result = tv::TEditorApplication::exec();
    });
    return result;
}
