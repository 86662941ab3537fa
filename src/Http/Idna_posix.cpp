// IDNA through libidn2: UTS #46 non-transitional mapping, then the IDNA2008
// label rules. No STD3 rule: libidn2 would quietly drop a character such a
// rule refuses instead of refusing the name, and browsers do not apply it.
#include <idn2.h>

#include <cstdlib>
#include <memory>

#include "Http/Idna.h"

namespace vellumark::idna {

std::optional<std::string> ToAscii(std::string_view utf8Name) {
  const std::string input(utf8Name);
  // A zero byte inside would end the name early for the library.
  if (input.find('\0') != std::string::npos) return std::nullopt;
  char* output = nullptr;
  if (idn2_to_ascii_8z(input.c_str(), &output, IDN2_NONTRANSITIONAL) != IDN2_OK) return std::nullopt;
  const std::unique_ptr<char, decltype(&std::free)> owned(output, &std::free);
  return std::string(output);
}

}  // namespace vellumark::idna
