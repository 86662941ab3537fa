// The page data of one address: what the fetch found, field by field, for
// the tag templates to use. Texts are Shift_JIS bytes.
#pragma once

#include <cstdint>
#include <string>

namespace vellumark {

struct TPageInfo {
  std::string URL, Host, Page, Status;
  std::int32_t StatusCode = 0;
  std::string ContentType, Charset, Title, Description;
  // The message of the failure that ended the fetch (unknown host, refused
  // connection, time-out, certificate, handshake); empty when it ended
  // normally.
  std::string Error;
};

}  // namespace vellumark
