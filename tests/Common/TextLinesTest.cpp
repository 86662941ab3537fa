// The line rule of every multi-line text: the address list, the result box,
// input and dropped files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/TextLines.h"

namespace vellumark {
namespace {

using Lines = std::vector<std::string>;

TEST(TextLines, LinesFollowStringListRules) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("a"), Lines{"a"});
  EXPECT_EQ(SplitLines("a\n"), Lines{"a"});          // no empty line after the last break
  EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(SplitLines("a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\rb"), (Lines{"a", "b"}));    // a lone CR ends a line too
  EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));  // empty lines are kept
  EXPECT_EQ(SplitLines("\n"), Lines{""});
  EXPECT_EQ(SplitLines("\r\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(SplitLines("a\n\r"), (Lines{"a", ""}));   // LF then a lone CR: two breaks
  EXPECT_EQ(SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  // Nothing is trimmed.
  EXPECT_EQ(SplitLines(" http://x/ \t\n"), Lines{" http://x/ \t"});
  // The same rules for wide text (the window's controls).
  EXPECT_EQ(SplitLines(std::wstring_view(L"a\r\n\u65e5\rb\n")), (std::vector<std::wstring>{L"a", L"\u65e5", L"b"}));
}

}  // namespace
}  // namespace vellumark
