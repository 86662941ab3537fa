// The clipboard's HTML form of copied lines: the fragment (markup kept or
// escaped) and the document around it, read back by its byte offsets.
#include "Forms/HtmlClipboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms/CfHtml.h"

namespace vellumark::forms {
namespace {

const std::string Japanese = "\xe6\x97\xa5\xe6\x9c\xac";  // "日本" in UTF-8

TEST(HtmlClipboard, FragmentJoinsTheLinesAndEscapesTextOfAPlainTemplate) {
  const std::string tag = "<a href=\"http://h/?a=1&b=2\">" + Japanese + " caf&#233;</a>";
  const struct {
    std::vector<std::string> lines;
    bool markup;
    std::string fragment;
  } cases[] = {
      {{}, true, ""},
      {{""}, false, ""},
      {{"a", "", "b"}, false, "a<br>\r\n<br>\r\nb"},
      {{tag, tag}, true, tag + "<br>\r\n" + tag},
      {{tag}, false,
       "&lt;a href=&quot;http://h/?a=1&amp;b=2&quot;&gt;" + Japanese + " caf&amp;#233;&lt;/a&gt;"},
      {{"'x' > y"}, false, "'x' &gt; y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HtmlClipboardFragment(c.lines, c.markup), c.fragment) << (c.lines.empty() ? "" : c.lines[0]);
  }
}

TEST(HtmlClipboard, DocumentOffsetsFindTheFragmentByBytes) {
  const std::string fragments[] = {
      "",
      "<a href=\"x\">" + Japanese + "</a><br>\r\n<b>&#233;</b>",  // offsets count bytes, not characters
      "<!--EndFragment--></body></html>",                         // markers inside do not mislead the offsets
      std::string(123456, 'x'),                                   // six-digit offsets, still ten wide
  };
  for (const std::string& fragment : fragments) {
    const std::string document = HtmlClipboardDocument(fragment);
    std::string read;
    ASSERT_TRUE(cfhtml::ReadFragment(document, read)) << fragment.substr(0, 40);
    EXPECT_EQ(read, fragment);
  }
}

}  // namespace
}  // namespace vellumark::forms
