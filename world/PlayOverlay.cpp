#include "world/PlayOverlay.h"

#include "engine/D3DXFont.h"
#include "engine/Graphics.h"
#include "mapdata/Text.h"
#include "world/PlaySession.h"

#include <QFont>
#include <QFontMetrics>

namespace tv {

namespace {

constexpr uint32_t kTextColor = D3DCOLOR_ARGB(255, 255, 255, 255);
constexpr uint32_t kDeathColor = D3DCOLOR_ARGB(255, 255, 90, 60);
constexpr uint32_t kShadowColor = D3DCOLOR_ARGB(200, 0, 0, 0);
constexpr int kLineWidth = 1000;

QFont OverlayFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

} // namespace

std::vector<std::string> PlayOverlayLines(const TPlayStatus& status) {
    std::vector<std::string> lines;
    lines.push_back(status.HasPlayer ? Format("HP %d/%d  XP %d", status.HitPoints,
                                              status.MaxHitPoints, status.ExperiencePoints)
                                     : std::string("No player"));
    for (const std::string* message : {&status.PreviousMessage, &status.Message})
        if (!message->empty())
            lines.push_back(*message);
    if (status.Died)
        lines.push_back(kPlayDeathLine);
    return lines;
}

TPlayOverlay::TPlayOverlay(PD3DDevice device) {
    const QFont font = OverlayFont();
    lineHeight_ = QFontMetrics(font).height() + 2;
    D3DXCreateFont(device, font, &font_);
}

TPlayOverlay::~TPlayOverlay() = default;

void TPlayOverlay::Draw(const TPlayStatus& status) {
    if (!font_)
        return;
    const std::vector<std::string> lines = PlayOverlayLines(status);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TRect rect = LineRect(static_cast<int>(i));
        const TRect shadow{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
        font_->DrawTextA(lines[i], -1, shadow, DT_TOP | DT_LEFT, kShadowColor);
        const bool death = status.Died && i + 1 == lines.size();
        font_->DrawTextA(lines[i], -1, rect, DT_TOP | DT_LEFT, death ? kDeathColor : kTextColor);
    }
}

TRect TPlayOverlay::LineRect(int index) const {
    const int32_t top = Origin.Y + index * lineHeight_;
    return TRect{Origin.X, top, Origin.X + kLineWidth, top + lineHeight_};
}

} // namespace tv
