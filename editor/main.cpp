// The editor's program entry: the application object, the command line, the main window, the
// message loop.
#include "document/Recovery.h"
#include "editor/AboutDlg.h"
#include "editor/CommandLine.h"
#include "editor/Dialogs.h"
#include "editor/EditForm.h"
#include "editor/EditorApp.h"
#include "editor/RecentMenu.h"
#include "editor/UserGameFolder.h"
#include "engine/SessionNotices.h"
#include "manual/Manual.h"
#include "mapdata/Paths.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <memory>

namespace {

// tvedit --init-game DIR: makes the user's game folder and says where it is.
int InitGame(const std::string& source, const std::string& folder) {
    try {
        tv::MakeUserGameFolder(source, folder);
    } catch (const std::exception& error) {
        std::cerr << "tvedit: " << error.what() << "\n";
        return 1;
    }
    std::cout << "tvedit: " << folder << " is your game folder for " << source
              << "; maps are opened from and saved into its Data/Maps/\n";
    return 0;
}

// The command lines that open no window run without a display.
bool OpensNoWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "--init-game")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    tv::DropSessionNotices();
    // Qt takes its own options (such as -display) out of argv here.
    std::unique_ptr<QCoreApplication> app;
    if (OpensNoWindow(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<tv::TEditorApplication>(argc, argv);
    tv::TEditorCommandLine line;
    try {
        line = tv::ParseEditorCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const tv::TEditorUsageError& error) {
        std::cerr << "tvedit: " << error.what() << "\n" << tv::EditorUsage();
        return 2;
    }
    if (line.Help || line.Version) {
        std::cout << (line.Help ? tv::EditorUsage()
                                : "tvedit " + std::string(tv::ProgramVersion()) + "\n");
        return 0;
    }
    const std::string programGame = tv::ParentFolder(tv::ProgramFolder()) + "/";
    if (!line.InitGame.empty())
        return InitGame(line.BaseFolder.empty() ? programGame : line.BaseFolder, line.InitGame);
    int result = 1;
    tv::RunGuarded([&] {
        // An installed, read-only game folder is edited through the user's own one.
        const std::string base =
            line.BaseFolder.empty()
                ? tv::ChooseGameFolder(programGame, tv::MapsFolderWritable(programGame),
                                       tv::Dialogs())
                : line.BaseFolder;
        auto window = std::make_unique<tv::TEditF>(base);
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
