#pragma once

#include <cstdint>
#include <string_view>

namespace tv {

// Reads an integer as the designer types it: an optional sign, then decimal digits or "$"
// and hexadecimal digits. Decimal values must fit 32 bits signed; hexadecimal ones may use all
// 32 bits and are taken as their two's-complement value ("$FFFFFFFF" is -1), so colours go
// through unchanged. Anything else raises "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

} // namespace tv
