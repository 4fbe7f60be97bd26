#include "document/OverviewPicture.h"

#include <algorithm>
#include <functional>

namespace tv {

namespace {

constexpr QRgb kEmpty = 0xFF101830u;

} // namespace

QRgb TOverviewPicture::GroupColor(std::string_view group) {
    if (group == "BackGrounds")
        return 0xFF3C5A82u;
    if (group == "Decors")
        return 0xFF3CC850u;
    if (group == "Enemies")
        return 0xFFF03C3Cu;
    if (group == "Bosses")
        return 0xFFFF50FFu;
    if (group == "Players")
        return 0xFFFFFF50u;
    // Other groups get one of a few bright colours, always the same for a name.
    static constexpr QRgb kOthers[] = {0xFFFFA030u, 0xFF50E6FFu, 0xFFC8C8C8u, 0xFFA078FFu};
    return kOthers[std::hash<std::string_view>()(group) % std::size(kOthers)];
}

void TOverviewPicture::Build(const TMap& map, QSize size, const TGroupStates* groups) {
    span_ = int64_t{std::max(0, map.MaxWorldX)} + kScreenWidth;
    const int width = std::max(1, size.width());
    const int height = std::max(1, size.height());
    if (image_.size() != QSize(width, height))
        image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(kEmpty);
    auto* pixels = reinterpret_cast<QRgb*>(image_.bits());
    const qsizetype stride = image_.bytesPerLine() / qsizetype(sizeof(QRgb));
    // Records of one group usually follow each other: the colour of the last group is kept.
    std::string_view lastGroup;
    QRgb color = GroupColor(lastGroup);
    bool hidden = groups && groups->Hidden(lastGroup);
    for (const TBaseInfo* record : map.Objects) {
        if (record->Group.view() != lastGroup) {
            lastGroup = record->Group.view();
            color = GroupColor(lastGroup);
            hidden = groups && groups->Hidden(lastGroup);
        }
        if (hidden)
            continue;
        // Every record covers at least one cell.
        const int64_t left = record->Left;
        const int64_t right = left + std::max(0, record->Width);
        const int64_t top = record->Top;
        const int64_t bottom = top + std::max(0, record->Height);
        if (right < 0 || left >= span_ || bottom < 0 || top >= kScreenHeight)
            continue;
        const int x0 = std::clamp<int64_t>(left * width / span_, 0, width - 1);
        const int x1 = std::clamp<int64_t>((right * width + span_ - 1) / span_, x0 + 1, width);
        const int y0 = std::clamp<int64_t>(top * height / kScreenHeight, 0, height - 1);
        const int y1 = std::clamp<int64_t>((bottom * height + kScreenHeight - 1) / kScreenHeight,
                                           y0 + 1, height);
        for (int y = y0; y < y1; ++y)
            std::fill(pixels + y * stride + x0, pixels + y * stride + x1, color);
    }
}

int TOverviewPicture::XOfWorld(int64_t worldX) const {
    return int(std::clamp<int64_t>(worldX * image_.width() / span_, -1, image_.width() + 1));
}

int64_t TOverviewPicture::WorldOfX(int x) const {
    return image_.width() > 0 ? int64_t{x} * span_ / image_.width() : 0;
}

QRect TOverviewPicture::ViewRect(int32_t worldX) const {
    const int left = XOfWorld(worldX);
    const int right = std::max(left + 2, XOfWorld(int64_t{worldX} + kScreenWidth));
    return QRect(left, 0, right - left, image_.height());
}

} // namespace tv
