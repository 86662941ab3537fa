// Binding the handler names of a window's table to the window's member
// functions, the way both windows of the program do it.
#pragma once

#include <span>
#include <string_view>

#include "Forms/Controls.h"

namespace vellumark::forms {

// One name of the table and the member function it stands for.
template <class TWindow>
struct THandlerName {
  std::string_view name;
  void (TWindow::*handler)(TComponent& sender);
};

// The handler called `name` among `handlers`, bound to `window`; an empty
// event when no row has that name.
template <class TWindow>
TNotifyEvent BindHandler(TWindow& window, std::span<const THandlerName<TWindow>> handlers,
                         std::string_view name) {
  for (const auto& entry : handlers) {
    if (entry.name == name) {
      return [&window, handler = entry.handler](TComponent& sender) { (window.*handler)(sender); };
    }
  }
  return {};
}

}  // namespace vellumark::forms
