// The per-character pair operations of the public interface.
#include "jconvert/PairArithmetic.h"

#include "jconvert/jconvert.h"

namespace vellumark {

using jconvert_detail::TBytePair;

namespace {

std::string PairText(TBytePair pair) {
  return std::string{static_cast<char>(pair.first), static_cast<char>(pair.second)};
}

}  // namespace

std::string JisCharToSjis(unsigned char first, unsigned char second) {
  return PairText(jconvert_detail::JisPairToSjis(first, second));
}

std::string SjisCharToJis(unsigned char first, unsigned char second) {
  return PairText(jconvert_detail::SjisPairToJis(first, second));
}

}  // namespace vellumark
