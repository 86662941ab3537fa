// A timer of the window layer (Windows).
#pragma once

#include <windows.h>

#include <functional>

namespace vellumark::forms {

// A message-loop timer owned by a window: while enabled it calls onTimer
// every `interval` milliseconds. Disabling and enabling again restarts the
// interval.
class TTimer {
 public:
  explicit TTimer(unsigned interval) : interval_(interval) {}
  ~TTimer() { Stop(); }
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  // Binds the timer to its window; it starts when enabled.
  void Attach(HWND owner, UINT_PTR id);
  void Detach();
  UINT_PTR Id() const { return id_; }
  unsigned Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Called by the owner on the timer's WM_TIMER.
  void Tick();

  std::function<void(TTimer& sender)> onTimer;

 private:
  void Start();
  void Stop();
  unsigned interval_;
  bool enabled_ = true;
  HWND owner_ = nullptr;
  UINT_PTR id_ = 0;
  bool running_ = false;
};

}  // namespace vellumark::forms
