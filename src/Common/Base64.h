// Base64 (the standard alphabet, with padding), for the credentials of a
// Basic sign-in.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

std::string Base64Encode(std::string_view bytes);

}  // namespace vellumark
