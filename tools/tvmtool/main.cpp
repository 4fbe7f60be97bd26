// tvmtool: catalogue and map commands for game pipelines (see README.md).
#include "engine/GraphicsDrivers.h"
#include "engine/SessionNotices.h"
#include "tools/tvmtool/Commands.h"
#include "tools/tvmtool/RenderCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    tv::DropSessionNotices();
    // ProgramFolder() needs an application; drawing needs a GUI one, on a platform that
    // draws without a window (kept until the application has gone).
    std::unique_ptr<tv::tool::THeadlessPlatform> platform;
    std::unique_ptr<QCoreApplication> app;
    if (tv::tool::NeedsGuiApplication(argc, argv)) {
        platform = std::make_unique<tv::tool::THeadlessPlatform>();
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const int status = tv::tool::Run(args, std::cout, std::cerr);
    if (platform)
        tv::KeepGraphicsDriversLoaded();
    return status;
}
