// SjisToEuc and SjisToJis on any byte string, and round trips on
// well-formed Shift_JIS built from the input.
#include "FuzzSupport.h"
#include "jconvert/jconvert.h"

using namespace vellumark;
using vellumark::fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzing::TExactCopy copy(data, size);
  const std::string_view raw = copy.View();
  const std::string euc = SjisToEuc(raw);
  const std::string jis = SjisToJis(raw);
  Check(euc.size() <= 2 * size, "EUC-JP from Shift_JIS is at most twice as long");
  Check(jis.size() <= 5 * size + 3, "JIS from Shift_JIS is bounded");

  if (size == 0) return 0;
  const bool withKana = data[0] & 1;
  fuzzing::TByteSource src(raw.substr(1));
  const std::string sjis = fuzzing::MakeSjis(src, withKana);
  const fuzzing::TExactCopy sjisCopy(reinterpret_cast<const std::uint8_t*>(sjis.data()), sjis.size());
  const std::string toEuc = SjisToEuc(sjisCopy.View());
  const std::string toJis = SjisToJis(sjisCopy.View());
  Check(EucToSjis(toEuc) == sjis, "Shift_JIS survives a trip through EUC-JP");
  Check(EucToJis(toEuc) == toJis, "both roads from Shift_JIS to JIS agree");
  const TJapaneseCode code = DetectJapaneseCode(toJis);
  Check(code == jcJisNew || code == jcBinary || toJis == sjis, "JIS output announces itself");
  if (!withKana) {
    Check(JisToSjis(toJis) == sjis, "Shift_JIS without kana survives a trip through JIS");
    Check(JisToEuc(toJis) == toEuc, "both roads from Shift_JIS to EUC-JP agree");
  }
  return 0;
}
