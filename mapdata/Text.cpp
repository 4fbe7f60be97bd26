#include "mapdata/Text.h"

#include "mapdata/Errors.h"
#include "mapdata/Stream.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tv {

namespace {

// Reads a 32-bit length that must fit in what is left of the stream and within kMaxTextBytes.
uint32_t ReadLength32(TStream& stream, uint32_t unitSize) {
    const int32_t length = stream.ReadInt32();
    if (length < 0)
        throw EError(kStreamReadError);
    const uint64_t bytes = static_cast<uint64_t>(length) * unitSize;
    if (bytes > stream.Remaining())
        throw EError(kStreamReadError);
    if (bytes > kMaxTextBytes) {
        const uint64_t tagOffset = stream.Position() - 5;
        throw EError(Format("%s\na text of %llu bytes at offset %llu is over the limit of %u bytes",
                            kStreamReadError, static_cast<unsigned long long>(bytes),
                            static_cast<unsigned long long>(tagOffset), kMaxTextBytes));
    }
    return static_cast<uint32_t>(length);
}

std::string ReadBytes(TStream& stream, uint32_t count) {
    std::string bytes(count, '\0');
    stream.ReadBuffer(bytes.data(), count);
    return bytes;
}

// The length of the well-formed UTF-8 sequence (no overlong forms, surrogates or code points
// past U+10FFFF) that starts with a byte of 0x80 or above at p; 0 when there is none.
inline size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = *p;
    int more;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        if (c == 0xE0)
            low = 0xA0; // no overlong forms
        if (c == 0xED)
            high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (end - p <= more)
        return 0;
    if (p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i <= more; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return static_cast<size_t>(more + 1);
}

// True for well-formed UTF-8 that does not start with a byte order mark: exactly the texts
// that decoding leaves as they are.
bool IsPlainUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    if (text.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    while (p < end) {
        // ASCII runs eight bytes at a time.
        uint64_t word;
        while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0))
            p += 8;
        if (p == end)
            break;
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const size_t length = Utf8SequenceLength(p, end);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

} // namespace

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void CheckStreamText(std::string_view text, const char* field) {
    if (text.size() > kMaxTextBytes)
        throw ETextTooLong(field, text.size());
}

void WriteStreamString(TStream& stream, std::string_view text, const char* field) {
    CheckStreamText(text, field);
    if (!IsAscii(text)) {
        stream.WriteUInt8(kTagUtf8String);
        stream.WriteInt32(static_cast<int32_t>(text.size()));
    } else if (text.size() <= 255) {
        stream.WriteUInt8(kTagShortString);
        stream.WriteUInt8(static_cast<uint8_t>(text.size()));
    } else {
        stream.WriteUInt8(kTagLongString);
        stream.WriteInt32(static_cast<int32_t>(text.size()));
    }
    stream.WriteBuffer(text.data(), text.size());
}

std::string ReadStreamString(TStream& stream) {
    const uint8_t tag = stream.ReadUInt8();
    switch (tag) {
    case kTagShortString: {
        const uint8_t length = stream.ReadUInt8();
        return Windows1250ToUtf8(ReadBytes(stream, length));
    }
    case kTagLongString:
        return Windows1250ToUtf8(ReadBytes(stream, ReadLength32(stream, 1)));
    case kTagUtf8String: {
        const std::string bytes = ReadBytes(stream, ReadLength32(stream, 1));
        // Re-encoding replaces malformed sequences so that held texts are always valid UTF-8.
        return ToQString(bytes).toStdString();
    }
    case kTagUtf16String: {
        const uint32_t units = ReadLength32(stream, 2);
        std::u16string utf16(units, u'\0');
        for (uint32_t i = 0; i < units; ++i)
            utf16[i] = stream.ReadUInt16();
        return QString::fromStdU16String(utf16).toStdString();
    }
    default:
        throw EError(kInvalidPropertyValue);
    }
}

std::string_view BorrowUtf8StreamString(TStream& stream) {
    const uint8_t* head = stream.Peek(5);
    if (!head || head[0] != kTagUtf8String)
        return {};
    const uint32_t length = DecodeUInt32(head + 1);
    if (length > kMaxTextBytes)
        return {}; // ReadStreamString reports it
    const uint8_t* whole = stream.Peek(5 + size_t{length});
    if (!whole)
        return {};
    const std::string_view bytes(reinterpret_cast<const char*>(whole + 5), length);
    if (!IsPlainUtf8(bytes))
        return {};
    stream.Borrow(5 + size_t{length});
    return bytes;
}

bool TextEquals(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && IsAscii(a) && IsAscii(b)) {
        for (size_t i = 0; i < a.size(); ++i) {
            unsigned char x = static_cast<unsigned char>(a[i]);
            unsigned char y = static_cast<unsigned char>(b[i]);
            if (x >= 'A' && x <= 'Z')
                x = static_cast<unsigned char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<unsigned char>(y - 'A' + 'a');
            if (x != y)
                return false;
        }
        return true;
    }
    return ToQString(a).compare(ToQString(b), Qt::CaseInsensitive) == 0;
}

bool TextIsOneOf(std::string_view text, const std::vector<std::string>& candidates) {
    for (const auto& c : candidates)
        if (TextEquals(text, c))
            return true;
    return false;
}

bool TextInList(std::string_view text, const std::vector<std::string>& list) {
    return TextIsOneOf(text, list);
}

std::string FoldedKey(std::string_view text) {
    return ToQString(text).toCaseFolded().toStdString();
}

std::string Windows1250ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes))
        return std::string(bytes);
    QStringDecoder decoder("windows-1250");
    const QString text =
        decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return text.toStdString();
}

std::string Utf8ToWindows1250(std::string_view text) {
    if (IsAscii(text))
        return std::string(text);
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder(ToQString(text));
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string EscapeControls(std::string_view text, bool keepLayout) {
    std::string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c >= 0x80) {
            const size_t length = Utf8SequenceLength(p, end);
            if (length == 0) {
                out += Format("\\x%02x", c);
                ++p;
            } else if (c == 0xC2 && p[1] < 0xA0) {
                out += Format("\\u%04x", p[1]); // C1 controls: U+0080..U+009F
                p += 2;
            } else {
                out.append(reinterpret_cast<const char*>(p), length);
                p += length;
            }
            continue;
        }
        if ((c < 0x20 && !(keepLayout && (c == '\n' || c == '\t'))) || c == 0x7F)
            out += Format("\\x%02x", c);
        else
            out += static_cast<char>(c);
        ++p;
    }
    return out;
}

std::string ShortenText(std::string_view text, size_t maxChars) {
    if (text.size() <= maxChars)
        return std::string(text); // no more characters than bytes
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // Every byte but a UTF-8 continuation byte starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (chars == maxChars)
            return std::string(text.substr(0, i)) + "\xE2\x80\xA6"; // "…"
        ++chars;
    }
    return std::string(text);
}

std::string MessageName(std::string_view text) {
    return EscapeControls(ShortenText(text));
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    return out;
}

} // namespace tv
