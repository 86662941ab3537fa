// A buffer that an SSPI package (Schannel, NTLM, Negotiate) allocated for
// the caller, freed on every way out. For the Windows files of the
// transport only; they include <windows.h> and <security.h> first.
#pragma once

namespace vellumark {

class TContextBuffer {
 public:
  explicit TContextBuffer(void* buffer) : buffer_(buffer) {}
  ~TContextBuffer() {
    if (buffer_ != nullptr) FreeContextBuffer(buffer_);
  }
  TContextBuffer(const TContextBuffer&) = delete;
  TContextBuffer& operator=(const TContextBuffer&) = delete;

 private:
  void* buffer_;
};

}  // namespace vellumark
