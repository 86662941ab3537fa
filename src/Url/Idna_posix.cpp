// IDNA through ICU's UTS #46 implementation.
#include <unicode/uidna.h>

#include <cstdint>

#include "Url/Idna.h"

namespace vellumark::url {

namespace {

// ICU has no switch for CheckHyphens or VerifyDnsLength: it always reports
// them, and with both off these reports are no errors.
constexpr std::uint32_t kNotErrors = UIDNA_ERROR_EMPTY_LABEL | UIDNA_ERROR_LABEL_TOO_LONG |
                                     UIDNA_ERROR_DOMAIN_NAME_TOO_LONG | UIDNA_ERROR_LEADING_HYPHEN |
                                     UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;

// Opened once; a UTS #46 object is immutable, so all threads share it.
const UIDNA* Uts46() {
  static const UIDNA* const idna = [] {
    UErrorCode status = U_ZERO_ERROR;
    // No UIDNA_USE_STD3_RULES and no UIDNA_CHECK_CONTEXTO.
    UIDNA* opened = uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, &status);
    return U_SUCCESS(status) ? opened : nullptr;
  }();
  return idna;
}

}  // namespace

std::optional<std::string> DomainToAsciiPlatform(std::string_view utf8Domain) {
  const UIDNA* idna = Uts46();
  // A domain is far shorter than ICU's int32_t lengths; anything near them is no domain.
  if (idna == nullptr || utf8Domain.size() > 0xFFFFF) return std::nullopt;
  const auto length = static_cast<std::int32_t>(utf8Domain.size());
  std::string ascii(utf8Domain.size() * 2 + 64, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const std::int32_t written = uidna_nameToASCII_UTF8(idna, utf8Domain.data(), length, ascii.data(),
                                                        static_cast<std::int32_t>(ascii.size()), &info, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      ascii.resize(static_cast<std::size_t>(written));
      continue;
    }
    if (U_FAILURE(status) || (info.errors & ~kNotErrors) != 0) return std::nullopt;
    ascii.resize(static_cast<std::size_t>(written));
    return ascii;
  }
  return std::nullopt;
}

}  // namespace vellumark::url
