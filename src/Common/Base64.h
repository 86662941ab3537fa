// Base64 (the standard alphabet, with padding), for the credentials of a
// Basic sign-in and the tokens of a Negotiate or NTLM one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

std::string Base64Encode(std::string_view bytes);

// The bytes of `text`, Base64 with its padding or none; nothing when it
// holds anything else (a character outside the alphabet, padding in the
// middle, a length no encoding has, stray bits in the last character).
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace vellumark
