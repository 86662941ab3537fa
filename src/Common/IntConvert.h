// The program's one way of reading text as an integer: address parts, INI
// values and the HTTP status code all go through here, so they accept the
// same spellings.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vellumark {

// Accepted: leading blanks (spaces), then either an optional "+" or "-" and
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// Nothing may follow the digits. An empty text, any other character, a sign
// before a hexadecimal prefix, or a value outside the signed 32-bit range
// fails.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// TryStrToInt, with the caller's default when the conversion fails.
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);

}  // namespace vellumark
