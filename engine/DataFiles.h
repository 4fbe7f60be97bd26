#pragma once

#include <QFont>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// A file read whole into memory. Data belongs to whoever holds the record.
struct TLoadFile {
    std::string FileName; // the full path that was opened (as composed, data style)
    int32_t Size = 0;     // bytes in Data
    std::vector<uint8_t> Data;
};

// The data folder for a name, chosen by its extension (case ignored): "Data\Sound\" for
// ".wav", "Data\Graphic\" for ".jpg" ".png" ".bmp", "Data\Music\" for ".mid" ".mp3" ".wma",
// empty for anything else.
std::string DataFolderFor(std::string_view name);

// The full name a data file is looked up under: BaseFolder() + the folder + name, or the
// name unchanged when its extension has no folder (then relative to the current folder).
// Backslashes are kept; NativePath turns the result into a file-system path.
std::string DataFilePath(std::string_view name);

// Reads the data file into the record (file name: the full name as DataFilePath gives it;
// size; data) and returns true. When no such file exists it shows "File Not Found : <native
// path>", leaves the record untouched and returns false. A file that exists but cannot be
// read raises an EError.
bool LoadDataFile(std::string_view name, TLoadFile& record);

// Releases the record's data block (file name kept, size 0).
void FreeLoadFile(TLoadFile& record);

// Font style bits of TFontInfo::Style's low byte.
enum : uint32_t {
    fsBold = 1u << 0,
    fsItalic = 1u << 1,
    fsUnderline = 1u << 2,
    fsStrikeOut = 1u << 3,
};

struct TFontInfo {
    std::string Name;
    int32_t Size = 0;   // points
    uint32_t Color = 0; // ARGB; text uses red, green and blue only
    uint32_t Style = 0; // fsBold | fsItalic | ...
};

inline constexpr size_t kFontTableSize = 13;
// The engine's font styles. Entry 8: the message window's title; entry 7: its text.
extern const std::array<TFontInfo, kFontTableSize> FontTable;

// A family that exists on this machine for a face name: the name itself when installed,
// otherwise a stand-in ("Orea" becomes a sans-serif face, "Calligraphia" and other unknown
// faces a serif face, falling back to the application's default family).
std::string ResolveFontFamily(std::string_view name);

// A QFont for a table entry: resolved family, point size and style bits.
QFont MakeFont(const TFontInfo& info);

} // namespace tv
