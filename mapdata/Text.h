#pragma once

#include "mapdata/Stream.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class QString;

namespace tv {

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

// The most bytes one text may take in a stream (UTF-16 counts two per unit): far above any
// real name, and low enough that a hostile length cannot take the machine's memory.
inline constexpr uint32_t kMaxTextBytes = 1u << 20;

// Raises ETextTooLong naming the field for a text over kMaxTextBytes, which no reader takes.
void CheckStreamText(std::string_view text, const char* field);
// Writes a text as a tagged string; one over kMaxTextBytes is refused (CheckStreamText) before
// anything is written, so a writer never makes a file its reader refuses.
void WriteStreamString(TStream& stream, std::string_view text, const char* field = "a text");
// Leaves the position right after the string. Raises "Stream read error" for data that ends
// early (or a length the stream cannot hold), also with a second line naming the length and
// the string's offset for a text longer than kMaxTextBytes, and "Invalid property value" for
// an unknown tag.
std::string ReadStreamString(TStream& stream);

inline bool IsAscii(std::string_view text) {
    // Fixed-size loads only, overlapping where the length is not a multiple of their size, so
    // that short texts of any length take the same few steps.
    const char* const p = text.data();
    const size_t n = text.size();
    if (n >= 8) {
        uint64_t bits;
        std::memcpy(&bits, p + n - 8, 8);
        for (size_t i = 0; i + 8 < n; i += 8) {
            uint64_t word;
            std::memcpy(&word, p + i, 8);
            bits |= word;
        }
        return (bits & 0x8080808080808080ull) == 0;
    }
    if (n >= 4) {
        uint32_t first;
        uint32_t last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return ((first | last) & 0x80808080u) == 0;
    }
    if (n == 0)
        return true;
    return ((p[0] | p[n / 2] | p[n - 1]) & 0x80) == 0; // all of one to three bytes
}

// The UTF-8 form of BorrowStreamString.
std::string_view BorrowUtf8StreamString(TStream& stream);

// The common forms of a tagged string (short ASCII strings and well-formed UTF-8), which read
// as exactly their bytes, lent straight from a stream that holds its bytes in memory. A view
// whose data() is nullptr, with the position unchanged, for every other form and for streams
// that cannot lend them; ReadStreamString reads those. Inline: records read most of their
// texts through it.
[[gnu::always_inline]] inline std::string_view BorrowStreamString(TStream& stream) {
    const uint8_t* head = stream.Peek(2);
    if (!head)
        return {};
    if (head[0] != kTagShortString)
        return BorrowUtf8StreamString(stream);
    const size_t length = head[1];
    const uint8_t* whole = stream.Peek(2 + length);
    if (!whole)
        return {};
    const std::string_view bytes(reinterpret_cast<const char*>(whole + 2), length);
    if (!IsAscii(bytes))
        return {};
    stream.Borrow(2 + length);
    return bytes;
}

// A tagged string as a view: lent by the stream when it can, else read into held.
inline std::string_view ReadStreamStringView(TStream& stream, std::string& held) {
    const std::string_view lent = BorrowStreamString(stream);
    if (lent.data())
        return lent;
    held = ReadStreamString(stream);
    return held;
}

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

// A text from a file made safe to print: control characters (C0 but for the newline and the
// tab when keepLayout, DEL, C1) become \x1b (\u009b for C1), and bytes that are not UTF-8
// become \xff, so that file contents cannot drive a terminal.
std::string EscapeControls(std::string_view text, bool keepLayout = false);
// At most maxChars characters of a text, with "…" in place of the rest (never cutting a
// character in two).
std::string ShortenText(std::string_view text, size_t maxChars = 200);
// A name from a file as a message shows it: shortened, with its controls escaped.
std::string MessageName(std::string_view text);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace tv
