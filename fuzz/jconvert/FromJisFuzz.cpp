// JisToSjis and JisToEuc on any byte string, and on well-formed JIS built
// from the input, where both must agree with the EUC-JP/Shift_JIS pair.
#include "FuzzSupport.h"
#include "jconvert/jconvert.h"

using namespace vellumark;
using vellumark::fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzing::TExactCopy copy(data, size);
  const std::string_view raw = copy.View();
  const std::string sjis = JisToSjis(raw);
  const std::string euc = JisToEuc(raw);
  Check(sjis.find('\0') == std::string::npos, "Shift_JIS from JIS stops at a zero byte");
  Check(sjis.size() <= size + 1, "Shift_JIS from JIS is no longer than its input plus one");
  Check(euc.size() <= size, "EUC-JP from JIS is no longer than its input");

  fuzzing::TByteSource src(raw);
  const std::string jis = fuzzing::MakeJis(src);
  const fuzzing::TExactCopy jisCopy(reinterpret_cast<const std::uint8_t*>(jis.data()), jis.size());
  const std::string viaSjis = JisToSjis(jisCopy.View());
  const std::string viaEuc = JisToEuc(jisCopy.View());
  Check(EucToSjis(viaEuc) == viaSjis, "JIS to Shift_JIS equals JIS to EUC-JP to Shift_JIS");
  Check(SjisToEuc(viaSjis) == viaEuc, "JIS to EUC-JP equals JIS to Shift_JIS to EUC-JP");
  Check(JisToSjis(SjisToJis(viaSjis)) == viaSjis, "Shift_JIS from JIS survives a trip through JIS");
  return 0;
}
