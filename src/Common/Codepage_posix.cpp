// Code page 932 through glibc's iconv ("CP932" <-> "WCHAR_T", which is
// UTF-32 in the machine's byte order). A descriptor is opened for each call,
// so conversions on several threads never share one.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "Common/Codepage.h"
#include "Common/CodepageBackend.h"
#include "Common/Error.h"

namespace vellumark::codepage_backend {

namespace {

class TIconv {
 public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw TError(std::string("No conversion from ") + from + " to " + to + ": " +
                   std::strerror(errno));
    }
  }
  ~TIconv() { iconv_close(cd_); }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;

  // Converts as much as it can; returns false with errno set where it stops.
  bool Convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
    char* inPtr = const_cast<char*>(in);  // iconv's signature is not const-correct
    const std::size_t result = iconv(cd_, &inPtr, &inLeft, &out, &outLeft);
    in = inPtr;
    return result != static_cast<std::size_t>(-1);
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::wstring DecodeWellFormed(std::string_view sjis) {
  // One wide character per Shift_JIS character, so never more than one per byte.
  std::wstring result(sjis.size(), L'\0');
  TIconv converter("WCHAR_T", "CP932");
  const char* in = sjis.data();
  std::size_t inLeft = sjis.size();
  char* out = reinterpret_cast<char*>(result.data());
  std::size_t outLeft = result.size() * sizeof(wchar_t);
  while (inLeft > 0 && !converter.Convert(in, inLeft, out, outLeft)) {
    if (errno != EILSEQ && errno != EINVAL) {
      throw TError(std::string("Shift_JIS conversion failed: ") + std::strerror(errno));
    }
    // An unassigned pair (or, defensively, anything else iconv refuses)
    // becomes one U+30FB for one character.
    const std::size_t length =
        SjisCharLength(std::string_view(in, inLeft), 0);
    const wchar_t replacement = kUndecodable;
    std::memcpy(out, &replacement, sizeof replacement);
    out += sizeof replacement;
    outLeft -= sizeof replacement;
    in += length;
    inLeft -= length;
  }
  result.resize(result.size() - outLeft / sizeof(wchar_t));
  return result;
}

std::string EncodeBmp(std::wstring_view bmp) {
  std::string result(bmp.size() * 2, '\0');
  TIconv converter("CP932", "WCHAR_T");
  const char* in = reinterpret_cast<const char*>(bmp.data());
  std::size_t inLeft = bmp.size() * sizeof(wchar_t);
  char* out = result.data();
  std::size_t outLeft = result.size();
  while (inLeft > 0 && !converter.Convert(in, inLeft, out, outLeft)) {
    if (errno != EILSEQ) {
      throw TError(std::string("Shift_JIS conversion failed: ") + std::strerror(errno));
    }
    *out++ = '?';
    --outLeft;
    in += sizeof(wchar_t);
    inLeft -= sizeof(wchar_t);
  }
  result.resize(result.size() - outLeft);
  return result;
}

}  // namespace vellumark::codepage_backend
