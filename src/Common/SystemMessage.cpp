#include "Common/SystemMessage.h"

namespace vellumark {

std::string TrimSystemMessage(std::string text) {
  while (!text.empty()) {
    const auto last = static_cast<unsigned char>(text.back());
    if (last > 32 && last != '.') break;
    text.pop_back();
  }
  return text;
}

}  // namespace vellumark
