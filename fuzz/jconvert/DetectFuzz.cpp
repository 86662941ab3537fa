// Detection on any byte string: no read beyond the zero past the end, a
// result among the seven ids, and the order of the pre-scan and the scan.
#include "FuzzSupport.h"
#include "jconvert/jconvert.h"

using namespace vellumark;
using vellumark::fuzzing::Check;

namespace {

bool HasControlByteInPreScan(std::string_view text) {
  for (std::size_t i = 0; i < BinaryScanLimit && i + 1 < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b <= 0x07 || b == 0xFF) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzing::TExactCopy copy(data, size);
  const std::string_view text = copy.View();
  const TJapaneseCode code = DetectJapaneseCode(text);
  Check(code >= jcAscii && code <= jcEucOrSjis, "result is one of the seven ids");
  if (size < 2) Check(code == jcAscii, "a text of fewer than two bytes is ascii");
  if (HasControlByteInPreScan(text)) Check(code == jcBinary, "pre-scan finds a control byte");

  // Behind a leading ESC $ B only the pre-scan can change the answer.
  std::string jis = "\x1b$B";
  jis.append(text.data(), text.size());
  const fuzzing::TExactCopy jisCopy(reinterpret_cast<const std::uint8_t*>(jis.data()), jis.size());
  const TJapaneseCode jisCode = DetectJapaneseCode(jisCopy.View());
  Check(jisCode == (HasControlByteInPreScan(jis) ? jcBinary : jcJisNew), "leading ESC $ B decides");
  return 0;
}
