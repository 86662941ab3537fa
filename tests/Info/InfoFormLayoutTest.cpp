#include "Info/InfoFormLayout.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace vellumark {
namespace {

TEST(CenterOnWorkAreaPosition, CentresFromTheScreenOrigin) {
  // A full-screen work area.
  EXPECT_EQ(CenterOnWorkAreaPosition({0, 0, 1024, 768}, 372, 460).x, 326);
  EXPECT_EQ(CenterOnWorkAreaPosition({0, 0, 1024, 768}, 372, 460).y, 154);
  // A task bar docked at the left (work area from x 200) or at the top (from
  // y 30): only the area's size counts, its edges are not added.
  const TPixelPoint left = CenterOnWorkAreaPosition({200, 0, 1224, 768}, 372, 460);
  EXPECT_EQ(left.x, 326);
  EXPECT_EQ(left.y, 154);
  const TPixelPoint top = CenterOnWorkAreaPosition({200, 30, 1000, 700}, 372, 460);
  EXPECT_EQ(top.x, 214);  // (800 - 372) / 2
  EXPECT_EQ(top.y, 105);  // (670 - 460) / 2
}

TEST(CenterOnWorkAreaPosition, HalvesTruncateTowardZero) {
  // Odd remainders drop the half pixel.
  EXPECT_EQ(CenterOnWorkAreaPosition({0, 0, 1023, 767}, 370, 460).x, 326);
  EXPECT_EQ(CenterOnWorkAreaPosition({0, 0, 1023, 767}, 370, 460).y, 153);
  // A window larger than the work area: -5 / 2 is -2 and -3 / 2 is -1
  // (not -3 and -2 as a floor division would give).
  const TPixelPoint big = CenterOnWorkAreaPosition({0, 0, 100, 100}, 105, 103);
  EXPECT_EQ(big.x, -2);
  EXPECT_EQ(big.y, -1);
  // Extreme rectangles do not overflow on the way.
  const int max = std::numeric_limits<int>::max();
  const int min = std::numeric_limits<int>::min();
  EXPECT_EQ(CenterOnWorkAreaPosition({min, 0, max, 0}, 1, 0).x, max);  // (2^32 - 2) / 2
}

TEST(FitToChildren, ReachesTheFarthestChildPlusTheMargin) {
  const std::vector<TPixelRect> children{{18, 18, 50, 50}, {66, 26, 200, 57}, {26, 354, 310, 369}};
  const TPixelSize size = FitToChildren(children, 10);
  EXPECT_EQ(size.width, 320);   // 310 + 10
  EXPECT_EQ(size.height, 379);  // 369 + 10
  // Children keep their places: a child far from the origin still counts
  // from the origin, not from the nearest child.
  const std::vector<TPixelRect> one{{100, 200, 150, 220}};
  EXPECT_EQ(FitToChildren(one, 8).width, 158);
  EXPECT_EQ(FitToChildren(one, 8).height, 228);
  // Nothing to fit: the margin alone.
  EXPECT_EQ(FitToChildren({}, 10).width, 10);
  EXPECT_EQ(FitToChildren({}, 10).height, 10);
}

TEST(InfoTexts, MailLinkCarriesTheProgramFileName) {
  EXPECT_EQ(MailLinkText(InfoMailAddress, "Vellumark.exe"),
            "MailTo:vellumark@example.org?subject=from [Vellumark.exe] user");
  // Nothing is encoded: blanks, ampersands and Shift_JIS bytes pass as they are.
  EXPECT_EQ(MailLinkText("a b&c@example.org", "\x83\x65\x83\x58\x83\x67.exe"),  // テスト.exe
            "MailTo:a b&c@example.org?subject=from [\x83\x65\x83\x58\x83\x67.exe] user");
  EXPECT_EQ(MailLinkText("", ""), "MailTo:?subject=from [] user");
}

TEST(InfoTexts, Version) {
  EXPECT_EQ(ExeVersionText("0.6.9.19"), "Ver.0.6.9.19");
  EXPECT_EQ(ExeVersionText(""), "Ver.");
}

}  // namespace
}  // namespace vellumark
