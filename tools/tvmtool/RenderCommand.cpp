#include "tools/tvmtool/RenderCommand.h"

#include "document/MapScene.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/Graphics.h"
#include "mapdata/Errors.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"
#include "tools/tvmtool/Commands.h"

#include <QBuffer>
#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <ostream>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tv::tool {

namespace {

const char* const kRenderUsage =
    "usage: tvmtool render [--base GAMEDIR] [--no-catalogue] MAP.tvm --world-x N [--size WxH] "
    "OUT.png\n";

struct RenderOptions : CommandLine {
    bool HaveWorldX = false;
    int32_t WorldX = 0;
    QSize Size{kRenderDefaultWidth, kRenderDefaultHeight};
};

bool ParseInt(const std::string& text, int32_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && !text.empty();
}

RenderOptions ParseRenderOptions(const std::vector<std::string>& args) {
    RenderOptions options;
    const auto own = [&options](const std::string& option, const auto& value) {
        if (option == "--world-x") {
            if (!ParseInt(value(), options.WorldX))
                throw UsageError("--world-x needs a whole number");
            options.HaveWorldX = true;
        } else if (option == "--size") {
            const std::string& size = value();
            const size_t x = size.find_first_of("xX");
            int32_t w = 0;
            int32_t h = 0;
            if (x == std::string::npos || !ParseInt(size.substr(0, x), w) ||
                !ParseInt(size.substr(x + 1), h) || w < 1 || h < 1 || w > kRenderMaxSide ||
                h > kRenderMaxSide)
                throw UsageError("--size needs WIDTHxHEIGHT, each 1.." +
                                 std::to_string(kRenderMaxSide));
            options.Size = QSize(w, h);
        } else {
            return false;
        }
        return true;
    };
    static_cast<CommandLine&>(options) = ParseCommandLine(args, 1, 2, own);
    if (!options.HaveWorldX)
        throw UsageError("--world-x is required");
    return options;
}

} // namespace

THeadlessRenderer::THeadlessRenderer(QSize size)
    : target_(std::make_unique<THeadlessTarget>(size.width(), size.height())),
      engine_(std::make_unique<TEngineSession>(target_.get(), size.width(), size.height())) {
    if (!engine_->Device())
        throw EError("no OpenGL 3.3 core context: cannot render (an X server or Xvfb is needed)");
}

THeadlessRenderer::~THeadlessRenderer() = default;

QImage THeadlessRenderer::Screen(const TMap& map, int32_t worldX) {
    // A scene of its own for each screen; the texture cache outlives it, so pictures shared by
    // the maps of one command are loaded once.
    TMapScene scene(engine_->Device(), engine_->Textures());
    scene.SetupDeviceStates(worldX);
    // All view objects in one pass: one insertion after another costs the square of the map.
    const std::vector<const TBaseInfo*> failed =
        scene.CreateViews(std::vector<TBaseInfo*>(map.Objects.begin(), map.Objects.end()));
    if (!failed.empty()) {
        TBaseInfo* record = *std::find(map.Objects.begin(), map.Objects.end(), failed.front());
        std::string reason = "Error when loading texture.";
        try {
            scene.CreateView(record); // raises the loader's own words
        } catch (const std::exception& error) {
            reason = error.what();
        }
        throw EError(reason + "\nobject \"" + MessageName(record->Name) + "\", texture \"" +
                     MessageName(record->Texture) + "\"");
    }
    scene.PinBackgrounds(worldX);

    const PD3DDevice& device = engine_->Device();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kViewClearColor, 1.0f, 0);
    device->BeginScene();
    scene.DrawObjects(nullptr);
    device->EndScene();
    device->Present();
    return device->ReadBackBuffer();
}

QImage RenderMapScreen(const TMap& map, int32_t worldX, QSize size) {
    return THeadlessRenderer(size).Screen(map, worldX);
}

int RenderCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
    RenderOptions options;
    try {
        options = ParseRenderOptions(args);
    } catch (const std::invalid_argument& e) {
        err << "tvmtool: " << e.what() << "\n" << kRenderUsage;
        return 2;
    }
    const ScopedBaseFolder base(options.GameDir);

    TObjMgr catalogue;
    if (options.UseCatalogue)
        catalogue.LoadCatalogue();
    TMap map;
    if (!LoadCommandMap(map, options.Files[0], options.UseCatalogue ? &catalogue : nullptr))
        return 1; // the notice has been printed
    const QImage image = RenderMapScreen(map, options.WorldX, options.Size);

    WritePng(image, options.Files[1]);
    return 0;
}

void WritePng(const QImage& image, const std::string& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw EError("cannot encode the picture");
    WriteFileReplacing(path, std::vector<uint8_t>(png.begin(), png.end()));
}

bool NeedsGuiApplication(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "map" && std::string(argv[2]) == "diff")
        for (int i = 3; i < argc; ++i)
            if (std::string(argv[i]) == "--render")
                return true;
    return argc > 1 && (std::string(argv[1]) == "render" || std::string(argv[1]) == "play");
}

THeadlessPlatform::THeadlessPlatform() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("DISPLAY") &&
        qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        StartVirtualServer();
}

THeadlessPlatform::~THeadlessPlatform() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

void THeadlessPlatform::StartVirtualServer() {
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    const pid_t tool = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    if (pid == 0) {
        // The server ends with the tool however the tool ends, killed included (the signal is
        // kept through exec); a tool gone before this line leaves nobody to wait for.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != tool)
            ::_exit(127);
        // The server picks a free display number and writes it to the pipe.
        ::close(fds[0]);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                 "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    pid_ = pid;
    std::string number;
    bool complete = false;
    while (!complete) {
        pollfd poll{fds[0], POLLIN, 0};
        if (::poll(&poll, 1, 10000) <= 0)
            break;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1)
            break;
        if (c == '\n')
            complete = !number.empty();
        else if (c >= '0' && c <= '9' && number.size() < 6)
            number += c;
        else
            break;
    }
    ::close(fds[0]);
    if (!complete) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number;
    qputenv("DISPLAY", QByteArray::fromStdString(display_));
}

} // namespace tv::tool
