// EucToSjis and EucToJis on any byte string, and round trips on well-formed
// EUC-JP built from the input.
#include "FuzzSupport.h"
#include "jconvert/jconvert.h"

using namespace vellumark;
using vellumark::fuzzing::Check;

namespace {

bool HasHighByte(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// The last escape sequence written returns to the single-byte set.
bool EndsInSingleByteSet(const std::string& jis) {
  const auto enter = jis.rfind("\x1b$B");
  return enter == std::string::npos || jis.find("\x1b(J", enter) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzing::TExactCopy copy(data, size);
  const std::string_view raw = copy.View();
  const std::string sjis = EucToSjis(raw);
  const std::string jis = EucToJis(raw);
  Check(sjis.size() <= size + 1, "Shift_JIS from EUC-JP is no longer than its input plus one");
  Check(jis.size() <= 3 * size + 8, "JIS from EUC-JP is bounded");
  if (!HasHighByte(raw)) Check(jis == raw, "7-bit text passes EucToJis unchanged");

  if (size == 0) return 0;
  const bool withKana = data[0] & 1;
  fuzzing::TByteSource src(raw.substr(1));
  const std::string euc = fuzzing::MakeEuc(src, withKana);
  const fuzzing::TExactCopy eucCopy(reinterpret_cast<const std::uint8_t*>(euc.data()), euc.size());
  const std::string toSjis = EucToSjis(eucCopy.View());
  const std::string toJis = EucToJis(eucCopy.View());
  Check(EndsInSingleByteSet(toJis), "JIS from EUC-JP ends in the single-byte set");
  Check(SjisToEuc(toSjis) == euc, "EUC-JP survives a trip through Shift_JIS");
  Check(SjisToJis(toSjis) == toJis, "both roads from EUC-JP to JIS agree");
  if (!withKana) {
    Check(JisToEuc(toJis) == euc, "EUC-JP without kana survives a trip through JIS");
    Check(JisToSjis(toJis) == toSjis, "both roads from EUC-JP to Shift_JIS agree");
  }
  return 0;
}
