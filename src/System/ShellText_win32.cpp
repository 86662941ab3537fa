#include <windows.h>

#include "Common/Codepage.h"
#include "Common/SystemMessage.h"
#include "System/ShellText.h"

namespace vellumark {

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer != nullptr) text = WideToSjis(std::wstring_view(buffer, length));
  if (buffer != nullptr) LocalFree(buffer);
  return TrimSystemMessage(std::move(text));
}

}  // namespace vellumark
