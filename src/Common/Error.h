// The one kind of error the program raises: it carries only a message text
// (Shift_JIS bytes, like every text of the program).
#pragma once

#include <stdexcept>
#include <string>

namespace vellumark {

class TError : public std::runtime_error {
 public:
  explicit TError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vellumark
