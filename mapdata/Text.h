#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QString;

namespace tv {

class TStream;

// Texts are held as UTF-8. Inside streams they travel as tagged strings:
//   0x06 len8 bytes      (Windows-1250 bytes, length 0..255)
//   0x0C len32 bytes     (Windows-1250 bytes, longer texts)
//   0x14 len32 utf8      (any text with a character outside ASCII)
//   0x12 units32 utf16le (read only)
enum : uint8_t {
    kTagShortString = 0x06,
    kTagLongString = 0x0C,
    kTagUtf16String = 0x12,
    kTagUtf8String = 0x14,
};

void WriteStreamString(TStream& stream, std::string_view text);
// Leaves the position right after the string. Raises "Stream read error" for data that ends
// early (or a length the stream cannot hold) and "Invalid property value" for an unknown tag.
std::string ReadStreamString(TStream& stream);
// The common forms of a tagged string (short ASCII strings and well-formed UTF-8), which read
// as exactly their bytes, lent straight from a stream that holds its bytes in memory. False,
// with the position unchanged, for every other form and for streams that cannot lend them;
// ReadStreamString reads those.
bool BorrowStreamString(TStream& stream, std::string_view& text);

// The one name comparison: Unicode case folding, so "Á" equals "á" and ASCII ignores case.
bool TextEquals(std::string_view a, std::string_view b);
bool TextIsOneOf(std::string_view text, const std::vector<std::string>& candidates);
bool TextInList(std::string_view text, const std::vector<std::string>& list);
// The key under which TextEquals-equal texts meet in an index.
std::string FoldedKey(std::string_view text);

// A held UTF-8 text as a QString.
QString ToQString(std::string_view text);

// Windows-1250 <-> UTF-8.
std::string Windows1250ToUtf8(std::string_view bytes);
std::string Utf8ToWindows1250(std::string_view text);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace tv
