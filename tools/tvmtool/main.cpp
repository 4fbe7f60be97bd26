// tvmtool: catalogue and map commands for game pipelines (see README.md).
#include "engine/GraphicsDrivers.h"
#include "tools/tvmtool/Commands.h"
#include "tools/tvmtool/RenderCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>
#include <memory>

namespace {

QtMessageHandler qtHandler = nullptr;

// A GUI application started outside a desktop session tells that XDG_RUNTIME_DIR is not set;
// nothing the tool does uses that folder, so the notice would only be noise on stderr.
void DropSessionNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (qtHandler)
        qtHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    qtHandler = qInstallMessageHandler(DropSessionNotices);
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
