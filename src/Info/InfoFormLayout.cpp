#include "Info/InfoFormLayout.h"

#include <algorithm>

namespace vellumark {

TPixelPoint CenterOnWorkAreaPosition(const TPixelRect& workArea, int width, int height) {
  // Built-in division truncates toward zero, as the placement wants; the
  // sums are taken in 64 bits so extreme rectangles cannot overflow.
  const long long freeWidth = static_cast<long long>(workArea.right) - workArea.left - width;
  const long long freeHeight = static_cast<long long>(workArea.bottom) - workArea.top - height;
  return TPixelPoint{static_cast<int>(freeWidth / 2), static_cast<int>(freeHeight / 2)};
}

TPixelSize FitToChildren(std::span<const TPixelRect> children, int margin) {
  int right = 0;
  int bottom = 0;
  for (const TPixelRect& child : children) {
    right = std::max(right, child.right);
    bottom = std::max(bottom, child.bottom);
  }
  return TPixelSize{right + margin, bottom + margin};
}

std::string MailLinkText(std::string_view mail, std::string_view exeFileName) {
  std::string text = "MailTo:";
  text += mail;
  text += "?subject=from [";
  text += exeFileName;
  text += "] user";
  return text;
}

std::string ExeVersionText(std::string_view fileVersion) {
  std::string text = "Ver.";
  text += fileVersion;
  return text;
}

}  // namespace vellumark
