#pragma once

// The editable properties of a placed object (the Modify page's grid) and of the map (the Map
// Vars page's grid): the rows as text, and applying a typed value. No widgets: the pages show
// the rows, the document applies the values.

#include "mapdata/Objects.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

class TMap;

// How a grid row is edited.
enum class TRowStyle { Text, Ellipsis, PickList };

struct TPropertyRow {
    std::string Key;
    std::string Value;
    TRowStyle Style = TRowStyle::Text;
    std::vector<std::string> PickList;
    // When set, the value is one the map file does not keep for this object: the grid greys
    // the row and shows the note as its tooltip.
    std::string Note;
};

// Keys of the object grid, in the order they are first written.
inline constexpr const char* kPropName = "Name";
inline constexpr const char* kPropClass = "Class";
inline constexpr const char* kPropLeft = "left";
inline constexpr const char* kPropTop = "Top";
inline constexpr const char* kPropTexture = "Texture";
inline constexpr const char* kPropWidth = "Width";
inline constexpr const char* kPropHeight = "Height";
inline constexpr const char* kPropColor = "Color";
inline constexpr const char* kPropZ = "Z";
inline constexpr const char* kPropSpeed = "Speed";
inline constexpr const char* kPropFrameWidth = "Frame Width";
inline constexpr const char* kPropFrameHeight = "Frame Height";
inline constexpr const char* kPropBlend = "Blend";

// Keys of the map grid, in their order.
inline constexpr const char* kVarName = "Name";
inline constexpr const char* kVarMaxWorldX = "Max World X";
inline constexpr const char* kVarGround = "Ground";
inline constexpr const char* kVarSky = "Sky";
inline constexpr const char* kVarThemeMusic = "Theme Music";

// The logical screen's height bounds Top and Height; the map's width bounds Left and Width.
inline constexpr int32_t kScreenHeight = 600;
inline constexpr int32_t kMaxMapWidth = 50000;

std::vector<TPropertyRow> ObjectRows(const TBaseInfo& record);
// The rows several records share: keeps the rows of shared whose key (as keys compare) rows has
// too, emptying a value or note that differs from that row's.
void KeepSharedRows(std::vector<TPropertyRow>& shared, const std::vector<TPropertyRow>& rows);

// Applies a typed value to a record as the object grid does: numbers only from a text that is
// there, clamped where the row says so; read-only rows ("Class", "Frame Width", "Frame
// Height") and "Texture" change nothing. Raises "'<text>' is not a valid integer value" (or
// floating point value, or blend mode) before anything changes.
void ApplyObjectProperty(TBaseInfo& record, const std::string& key, const std::string& value,
                         int32_t maxWorldX);

// The map variables the Map Vars page edits (and the undo steps that change them keep).
struct TMapVars {
    std::string MapName;
    int32_t MaxWorldX = 0;
    int32_t Ground = 0;
    int32_t Sky = 0;
    std::string ThemeMusic;

    bool operator==(const TMapVars&) const = default;
};

TMapVars MapVarsOf(const TMap& map);
void SetMapVars(TMap& map, const TMapVars& vars);
std::vector<TPropertyRow> MapVarRows(const TMapVars& vars);
// Applies a typed value as the map grid does: "Name" as typed, numbers clamped and only from
// a text that is there; "Theme Music" and unknown keys change nothing. Raises for a number
// that cannot be read, before anything changes.
void ApplyMapVar(TMapVars& vars, const std::string& key, const std::string& value);

} // namespace tv
