// The dispatcher with every target, and the per-character operations, on
// any byte string. The first input byte picks the target.
#include "FuzzSupport.h"
#include "jconvert/jconvert.h"

using namespace vellumark;
using vellumark::fuzzing::Check;

namespace {

std::string Expected(std::string_view text, TJapaneseCode detected, int target) {
  const bool jis = detected == jcJisNew || detected == jcJisOld;
  if (target == jcSjis && jis) return JisToSjis(text);
  if (target == jcSjis && detected == jcEuc) return EucToSjis(text);
  if (target == jcEuc && jis) return JisToEuc(text);
  if (target == jcEuc && detected == jcSjis) return SjisToEuc(text);
  if (target == jcJisNew && detected == jcEuc) return EucToJis(text);
  if (target == jcJisNew && detected == jcSjis) return SjisToJis(text);
  return std::string(text);
}

void CheckCharOps(std::string_view text) {
  const std::size_t n = text.size();
  if (n >= 2) {
    const auto a = static_cast<unsigned char>(text[0]);
    const auto b = static_cast<unsigned char>(text[1]);
    const std::string sjis = JisCharToSjis(a, b);
    const std::string jis = SjisCharToJis(a, b);
    Check(sjis.size() == 2 && jis.size() == 2, "pair operations give two bytes");
    if (a >= 0x21 && a <= 0x7E && b >= 0x21 && b <= 0x7E) {
      const std::string back =
          SjisCharToJis(static_cast<unsigned char>(sjis[0]), static_cast<unsigned char>(sjis[1]));
      Check(back == text.substr(0, 2), "pair operations are inverse on valid pairs");
    }
  }
  // The kana operations at every position, and at the zero past the end.
  for (std::size_t start = 1; start <= n + 1; ++start) {
    std::size_t index = start;
    const std::string pair = SjisKanaToJis(text, index);
    Check(pair.size() == 2, "Shift_JIS kana gives one pair");
    Check(index == start + 1 || (index == start + 2 && start < n), "Shift_JIS kana advances by 1 or 2");
    if (start > n) continue;
    index = start;
    const std::string euc = EucKanaToJis(text, index);
    Check(euc.size() == 2, "EUC-JP kana gives one pair");
    Check(index == start + 2 || (index == start + 4 && start + 2 < n), "EUC-JP kana advances by 2 or 4");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int target = static_cast<int>(data[0] % 10) - 1;  // -1 .. 8
  const fuzzing::TExactCopy copy(data + 1, size - 1);
  const std::string_view text = copy.View();

  const TJapaneseCode detected = DetectJapaneseCode(text);
  const std::string converted = ConvertJapaneseCode(text, target);
  Check(converted == Expected(text, detected, target), "dispatcher applies the one conversion that fits");
  if (detected == jcAscii || detected == jcBinary || detected == jcEucOrSjis || detected == target) {
    Check(converted == text, "nothing to convert leaves the text as it was");
  }
  CheckCharOps(text);
  return 0;
}
