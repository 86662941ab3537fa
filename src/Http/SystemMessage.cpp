#include "Http/SystemMessage.h"

#include "Http/Socket.h"

namespace vellumark {

std::string SystemMessageText(int code) { return TrimSystemMessage(socketapi::RawErrorText(code)); }

}  // namespace vellumark
