#include "Forms/Timer.h"

namespace vellumark::forms {

void TTimer::Attach(HWND owner, UINT_PTR id) {
  Stop();
  owner_ = owner;
  id_ = id;
  if (enabled_) Start();
}

void TTimer::Detach() {
  Stop();
  owner_ = nullptr;
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Stop();
  if (enabled_) Start();
}

void TTimer::Start() {
  if (owner_ == nullptr || interval_ == 0) return;
  running_ = SetTimer(owner_, id_, interval_, nullptr) != 0;
}

void TTimer::Stop() {
  if (running_ && owner_ != nullptr) KillTimer(owner_, id_);
  running_ = false;
}

void TTimer::Tick() {
  if (enabled_ && onTimer) onTimer(*this);
}

}  // namespace vellumark::forms
