#include "DemoGen.h"
#include "Painters.h"

#include <QBuffer>

#include <cmath>

namespace demogen {

QColor Shade(const QColor& color, double factor) {
    auto channel = [factor](int v) {
        const double scaled =
            factor <= 1.0 ? v * factor : v + (255 - v) * std::min(1.0, factor - 1.0);
        return std::clamp(static_cast<int>(std::lround(scaled)), 0, 255);
    };
    return QColor(channel(color.red()), channel(color.green()), channel(color.blue()),
                  color.alpha());
}

QPen OutlinePen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void FacingLeft(QPainter& p, double designWidth) {
    p.translate(designWidth, 0);
    p.scale(-1, 1);
}

namespace {

struct PictureRecipe {
    const char* name;
    int width; // the picture's size; for a strip, the design size of one frame
    int height;
    bool strip;
    Ground ground;
    FramePainter paint;
};

constexpr PictureRecipe kPictures[] = {
    // Editor pictures.
    {"editor\\obj.png", 64, 64, false, Ground::Keyed, PaintObjectMarker},
    {"editor\\frame.png", 128, 128, false, Ground::Black, PaintSelectionFrame},
    {"cursors\\cursor.png", 48, 48, false, Ground::Black, PaintCursor},
    // Backgrounds: they tile horizontally.
    {"backgrounds\\sky_day.png", 800, 600, false, Ground::Opaque, PaintSkyDay},
    {"backgrounds\\sky_dusk.png", 800, 600, false, Ground::Opaque, PaintSkyDusk},
    {"backgrounds\\sky_night.png", 800, 600, false, Ground::Opaque, PaintSkyNight},
    {"backgrounds\\mountains.png", 800, 600, false, Ground::Keyed, PaintMountains},
    {"backgrounds\\hills.png", 800, 600, false, Ground::Keyed, PaintHills},
    {"backgrounds\\forest.png", 800, 600, false, Ground::Keyed, PaintForest},
    {"backgrounds\\cave.png", 800, 600, false, Ground::Opaque, PaintCave},
    {"backgrounds\\ground.png", 512, 128, false, Ground::Keyed, PaintGround},
    // Still decorations.
    {"decors\\rock.png", 128, 96, false, Ground::Keyed, PaintRock},
    {"decors\\crate.png", 64, 64, false, Ground::Keyed, PaintCrate},
    {"decors\\barrel.png", 64, 80, false, Ground::Keyed, PaintBarrel},
    {"decors\\stone_wall.png", 64, 192, false, Ground::Keyed, PaintStoneWall},
    {"decors\\oak_tree.png", 192, 256, false, Ground::Keyed, PaintOakTree},
    {"decors\\pine_tree.png", 128, 256, false, Ground::Keyed, PaintPineTree},
    {"decors\\bush.png", 128, 64, false, Ground::Keyed, PaintBush},
    {"decors\\mushrooms.png", 64, 48, false, Ground::Keyed, PaintMushrooms},
    {"decors\\signpost.png", 64, 96, false, Ground::Keyed, PaintSignpost},
    // Animated decorations.
    {"decors\\torch.png", 32, 64, true, Ground::Keyed, PaintTorch},
    {"decors\\torch_glow.png", 64, 64, true, Ground::Black, PaintTorchGlow},
    {"decors\\crystal.png", 64, 64, true, Ground::Black, PaintCrystal},
    {"decors\\campfire.png", 64, 64, true, Ground::Keyed, PaintCampfire},
    // Enemies, bosses, players.
    {"enemies\\slime.png", 64, 32, true, Ground::Keyed, PaintSlime},
    {"enemies\\magma_slime.png", 64, 32, true, Ground::Keyed, PaintMagmaSlime},
    {"enemies\\bat.png", 64, 32, true, Ground::Keyed, PaintBat},
    {"enemies\\spider.png", 64, 32, true, Ground::Keyed, PaintSpider},
    {"enemies\\goblin.png", 48, 64, true, Ground::Keyed, PaintGoblin},
    {"enemies\\skeleton.png", 48, 64, true, Ground::Keyed, PaintSkeleton},
    {"bosses\\ogre_king.png", 64, 128, true, Ground::Keyed, PaintOgreKing},
    {"bosses\\lich.png", 64, 128, true, Ground::Keyed, PaintLich},
    {"bosses\\dragon.png", 128, 96, true, Ground::Keyed, PaintDragon},
    {"players\\knight.png", 48, 64, true, Ground::Keyed, PaintKnight},
    {"players\\ranger.png", 48, 64, true, Ground::Keyed, PaintRanger},
};

const PictureRecipe* FindPicture(const std::string& name) {
    for (const PictureRecipe& recipe : kPictures) {
        if (QString::fromStdString(name).compare(QLatin1String(recipe.name), Qt::CaseInsensitive) ==
            0) {
            return &recipe;
        }
    }
    return nullptr;
}

constexpr QRgb kMagenta = 0xFFFF00FF;

// Turns the drawn picture into what is stored: transparent parts become the magenta key,
// soft edges keep their alpha, and no drawn pixel may happen to equal the key.
QImage Store(const QImage& drawn, Ground ground) {
    QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb& px = row[x];
            if (ground == Ground::Keyed) {
                if (qAlpha(px) < 24) {
                    px = kMagenta;
                    continue;
                }
            } else {
                px |= 0xFF000000u; // drawn over black or over itself: opaque
            }
            if (px == kMagenta) {
                px = 0xFFFE00FFu;
            }
        }
    }
    return image;
}

QImage Render(const PictureRecipe& recipe, int frameWidth, int frameHeight) {
    const int frames = recipe.strip ? kStripFrames : 1;
    const int width = recipe.strip ? frameWidth * frames : recipe.width;
    const int height = recipe.strip ? frameHeight : recipe.height;
    const int cell = recipe.strip ? frameWidth : recipe.width;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(recipe.ground == Ground::Keyed ? Qt::transparent : Qt::black);
    for (int frame = 0; frame < frames; ++frame) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setClipRect(frame * cell, 0, cell, height);
        p.translate(frame * cell, 0);
        p.scale(static_cast<double>(cell) / recipe.width,
                static_cast<double>(height) / recipe.height);
        recipe.paint(p, frame);
    }
    return Store(image, recipe.ground);
}

} // namespace

bool HasPictureRecipe(const std::string& name) {
    return FindPicture(name) != nullptr;
}

bool IsStripPicture(const std::string& name) {
    const PictureRecipe* recipe = FindPicture(name);
    return recipe != nullptr && recipe->strip;
}

QImage DrawPicture(const TextureUse& use) {
    const PictureRecipe* recipe = FindPicture(use.name);
    if (recipe == nullptr) {
        throw GenError("no picture recipe for texture \"" + use.name + "\" (record \"" +
                       use.firstUser + "\")");
    }
    if (recipe->strip && use.frameWidth <= 0) {
        throw GenError("texture \"" + use.name + "\" is an animation strip, but record \"" +
                       use.firstUser + "\" gives it no frame size");
    }
    if (!recipe->strip && use.frameWidth > 0) {
        throw GenError("texture \"" + use.name + "\" is a still picture, but record \"" +
                       use.firstUser + "\" gives it a frame size");
    }
    return Render(*recipe, use.frameWidth, use.frameHeight);
}

std::vector<TextureUse> FixedPictures() {
    return {{"editor\\obj.png", 0, 0, "(editor)"},
            {"editor\\frame.png", 0, 0, "(editor)"},
            {"cursors\\cursor.png", 0, 0, "(editor)"}};
}

QImage DrawAboutCard() {
    const PictureRecipe about{"about.jpg", 246, 151, false, Ground::Opaque, PaintAboutCard};
    return Render(about, 0, 0);
}

} // namespace demogen
