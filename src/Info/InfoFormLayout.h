// The about window's arithmetic and texts that need no window: where the
// window goes on the screen, how large a container becomes when it fits its
// content, the mail link, and the fixed texts of the link labels.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vellumark {

// The fixed texts of the about window's link labels and credit line.
inline constexpr const char* InfoHomePageAddress = "http://www.example.org/";
inline constexpr const char* InfoMailAddress = "vellumark@example.org";
inline constexpr const char* InfoCreditLine = "Built by the Vellumark project with C++ and MinGW-w64";

// A rectangle in pixels; right and bottom lie just outside it.
struct TPixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct TPixelPoint {
  int x = 0, y = 0;
};

struct TPixelSize {
  int width = 0, height = 0;
};

// The top-left corner of a window of `width` x `height` centred in a
// rectangle of the work area's size anchored at the screen origin: the work
// area's own left and top edges are not added. Halves truncate toward zero,
// also when the window is larger than the work area.
TPixelPoint CenterOnWorkAreaPosition(const TPixelRect& workArea, int width, int height);

// The client size of a container that fits its visible children (given in
// its client coordinates): as far as the rightmost and the lowest child
// reach, plus `margin` on the right and at the bottom. Children keep their
// places. With no children the size is the margin alone.
TPixelSize FitToChildren(std::span<const TPixelRect> children, int margin);

// "MailTo:<mail>?subject=from [<exeFileName>] user", nothing encoded.
std::string MailLinkText(std::string_view mail, std::string_view exeFileName);

// "Ver." followed by the file version (alone when there is none).
std::string ExeVersionText(std::string_view fileVersion);

}  // namespace vellumark
