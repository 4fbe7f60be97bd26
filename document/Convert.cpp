#include "document/Convert.h"

#include "mapdata/Errors.h"

#include <string>

namespace tv {

namespace {

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw EError("'" + std::string(text) + "' is not a valid integer value");
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int32_t StrToInt(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const bool hex = i < text.size() && text[i] == '$';
    if (hex)
        ++i;
    if (i >= text.size())
        NotAnInteger(text);

    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit =
            hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            NotAnInteger(text);
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            NotAnInteger(text);
    }
    if (hex) {
        const auto bits = static_cast<uint32_t>(value);
        const auto result = static_cast<int32_t>(bits);
        return negative ? static_cast<int32_t>(0u - bits) : result;
    }
    const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (value > limit)
        NotAnInteger(text);
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(value))
                    : static_cast<int32_t>(value);
}

} // namespace tv
