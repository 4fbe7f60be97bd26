#include "document/Properties.h"

#include "document/Convert.h"
#include "engine/DXObj.h"
#include "mapdata/Errors.h"
#include "mapdata/Geometry.h"
#include "mapdata/Map.h"
#include "mapdata/Text.h"

#include <QLocale>
#include <array>
#include <cfloat>
#include <cmath>

namespace tv {

namespace {

// The names of TDXBlend, lowest value first.
constexpr std::array<const char*, 2> kBlendNames = {"bl_normal", "bl_add"};
static_assert(bl_normal == 0 && bl_add == 1);

// Speeds are shown and read with the user's decimal separator and no digit grouping.
QLocale SpeedLocale() {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

std::string SpeedText(float speed) {
    return SpeedLocale().toString(static_cast<double>(speed), 'f', 4).toStdString();
}

// A speed must fit the record's 32-bit float.
float StrToSpeed(const std::string& text) {
    bool ok = false;
    const double value = SpeedLocale().toDouble(ToQString(text), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
        throw EError("'" + text + "' is not a valid floating point value");
    return static_cast<float>(value);
}

std::string BlendText(uint8_t blend) {
    return blend < kBlendNames.size() ? kBlendNames[blend] : Format("%d", blend);
}

// Only the named values are taken: the byte holds nothing else the view could draw with.
uint8_t StrToBlend(const std::string& text) {
    for (size_t value = 0; value < kBlendNames.size(); ++value)
        if (TextEquals(text, kBlendNames[value]))
            return static_cast<uint8_t>(value);
    throw EError("'" + text + "' is not a valid blend mode: use bl_normal or bl_add");
}

TPropertyRow Row(const char* key, std::string value, TRowStyle style = TRowStyle::Text) {
    return TPropertyRow{key, std::move(value), style, {}, {}};
}

} // namespace

std::vector<TPropertyRow> ObjectRows(const TBaseInfo& r) {
    std::vector<TPropertyRow> rows;
    rows.reserve(13);
    rows.push_back(Row(kPropName, r.Name.str()));
    rows.push_back(Row(kPropClass, r.ClassName()));
    rows.push_back(Row(kPropLeft, Format("%d", r.Left)));
    rows.push_back(Row(kPropTop, Format("%d", r.Top)));
    rows.push_back(Row(kPropTexture, r.Texture.str(), TRowStyle::Ellipsis));
    rows.push_back(Row(kPropWidth, Format("%d", r.Width)));
    rows.push_back(Row(kPropHeight, Format("%d", r.Height)));
    rows.push_back(Row(kPropColor, Format("%X", r.Color), TRowStyle::Ellipsis));
    rows.push_back(Row(kPropZ, Format("%d", r.Z)));
    rows.push_back(Row(kPropSpeed, SpeedText(r.Speed)));
    rows.push_back(Row(kPropFrameWidth, Format("%d", r.FrameWidth)));
    rows.push_back(Row(kPropFrameHeight, Format("%d", r.FrameHeight)));
    rows.push_back(Row(kPropBlend, BlendText(r.Blend), TRowStyle::PickList));
    rows.back().PickList.assign(kBlendNames.begin(), kBlendNames.end());
    return rows;
}

void KeepSharedRows(std::vector<TPropertyRow>& shared, const std::vector<TPropertyRow>& rows) {
    std::vector<TPropertyRow> kept;
    kept.reserve(shared.size());
    for (size_t i = 0; i < shared.size(); ++i) {
        TPropertyRow& row = shared[i];
        // Rows of records usually come in the same order: the same place is looked at first.
        const TPropertyRow* other =
            i < rows.size() && TextEquals(rows[i].Key, row.Key) ? &rows[i] : nullptr;
        for (size_t j = 0; !other && j < rows.size(); ++j)
            if (TextEquals(rows[j].Key, row.Key))
                other = &rows[j];
        if (!other)
            continue;
        if (row.Value != other->Value)
            row.Value.clear();
        if (row.Note != other->Note)
            row.Note.clear();
        kept.push_back(std::move(row));
    }
    shared = std::move(kept);
}

void ApplyObjectProperty(TBaseInfo& r, const std::string& key, const std::string& value,
                         int32_t maxWorldX) {
    // Numbers are taken only from a text that is there; a failed conversion raises before
    // anything changes.
    const bool given = !value.empty();
    if (TextEquals(key, kPropName))
        r.Name = value;
    else if (TextEquals(key, kPropLeft)) {
        if (given)
            r.Left = Clamp(StrToInt(value), 0, maxWorldX);
    } else if (TextEquals(key, kPropTop)) {
        if (given)
            r.Top = Clamp(StrToInt(value), 0, kScreenHeight);
    } else if (TextEquals(key, kPropWidth)) {
        if (given)
            r.Width = Clamp(StrToInt(value), 0, maxWorldX);
    } else if (TextEquals(key, kPropHeight)) {
        if (given)
            r.Height = Clamp(StrToInt(value), 0, kScreenHeight);
    } else if (TextEquals(key, kPropColor)) {
        if (given)
            r.Color = static_cast<uint32_t>(StrToInt("$" + value));
    } else if (TextEquals(key, kPropZ)) {
        if (given)
            r.Z = StrToInt(value);
    } else if (TextEquals(key, kPropSpeed)) {
        if (given)
            r.Speed = StrToSpeed(value);
    } else if (TextEquals(key, kPropBlend)) {
        r.Blend = StrToBlend(value);
    }
}

TMapVars MapVarsOf(const TMap& map) {
    return TMapVars{map.MapName, map.MaxWorldX, map.Ground, map.Sky, map.ThemeMusic};
}

void SetMapVars(TMap& map, const TMapVars& vars) {
    map.MapName = vars.MapName;
    map.MaxWorldX = vars.MaxWorldX;
    map.Ground = vars.Ground;
    map.Sky = vars.Sky;
    map.ThemeMusic = vars.ThemeMusic;
}

std::vector<TPropertyRow> MapVarRows(const TMapVars& vars) {
    return {Row(kVarName, vars.MapName), Row(kVarMaxWorldX, Format("%d", vars.MaxWorldX)),
            Row(kVarGround, Format("%d", vars.Ground)), Row(kVarSky, Format("%d", vars.Sky)),
            Row(kVarThemeMusic, vars.ThemeMusic, TRowStyle::Ellipsis)};
}

void ApplyMapVar(TMapVars& vars, const std::string& key, const std::string& value) {
    if (TextEquals(key, kVarName))
        vars.MapName = value;
    if (TextEquals(key, kVarMaxWorldX) && !value.empty())
        vars.MaxWorldX = Clamp(StrToInt(value), 0, kMaxMapWidth);
    if (TextEquals(key, kVarSky) && !value.empty())
        vars.Sky = Clamp(StrToInt(value), 0, kScreenHeight);
    if (TextEquals(key, kVarGround) && !value.empty())
        vars.Ground = Clamp(StrToInt(value), 0, kScreenHeight);
}

} // namespace tv
