#pragma once

// tvmtool render: one screen of a map drawn as the editor's view draws it, into a picture file.

#include "mapdata/Map.h"

#include <QImage>
#include <QSize>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace tv {
class TEngineSession;
class THeadlessTarget;
} // namespace tv

namespace tv::tool {

inline constexpr int kRenderDefaultWidth = 800;
inline constexpr int kRenderDefaultHeight = 600;
inline constexpr int kRenderMaxSide = 8192;

// Screens of maps drawn headless, as the editor's view draws them, on one graphics device and
// texture cache for all of them (a command that draws several screens makes one renderer).
class THeadlessRenderer {
public:
    // Raises when there is no graphics device ("no OpenGL 3.3 core context").
    explicit THeadlessRenderer(QSize size);
    ~THeadlessRenderer();
    THeadlessRenderer(const THeadlessRenderer&) = delete;
    THeadlessRenderer& operator=(const THeadlessRenderer&) = delete;

    // The view of the map at worldX: see RenderMapScreen.
    QImage Screen(const TMap& map, int32_t worldX);

private:
    std::unique_ptr<THeadlessTarget> target_;
    std::unique_ptr<TEngineSession> engine_;
};

// The view of the map at worldX, drawn headless into a back buffer of the given size with the
// textures under BaseFolder(): every view object, no selection frame and no frame rate.
// Raises when there is no graphics device ("no OpenGL 3.3 core context") and when a texture
// cannot be loaded ("Error when loading texture.", with the object named on a second line).
QImage RenderMapScreen(const TMap& map, int32_t worldX, QSize size);

// "render [--base GAMEDIR] [--no-catalogue] MAP.tvm --world-x N [--size WxH] OUT.png"
// (args[0] is "render"). Needs a QGuiApplication. Returns 0, 1 on failure (the text on err),
// and throws std::invalid_argument for a command line it does not understand.
int RenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Writes a picture as a PNG file, through a temporary file that replaces the target only when
// complete. Raises an EError when it cannot.
void WritePng(const QImage& image, const std::string& path);

// Whether a tvmtool command line needs a QGuiApplication (and a platform to draw on).
bool NeedsGuiApplication(int argc, char** argv);

// What drawing without a window needs, set up before the QGuiApplication is made: Qt's
// offscreen platform (unless QT_QPA_PLATFORM says otherwise), which takes its OpenGL from an X
// server; where DISPLAY is not set, a private virtual X server (Xvfb, when installed) that
// lives as long as this object, and no longer than the process that made it (a parent-death
// signal ends it when the process is killed). Keep it alive until the application object is
// gone.
class THeadlessPlatform {
public:
    THeadlessPlatform();
    ~THeadlessPlatform();
    THeadlessPlatform(const THeadlessPlatform&) = delete;
    THeadlessPlatform& operator=(const THeadlessPlatform&) = delete;

    // The private server's display (":N"), or empty when none was started.
    const std::string& PrivateDisplay() const { return display_; }

private:
    void StartVirtualServer();

    int pid_ = -1;
    std::string display_;
};

} // namespace tv::tool
