#include <gtest/gtest.h>

#include <string>

#include "cli/CliOutput.h"

namespace vellumark {
namespace {

TEST(CliOutput, BrokenUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(ToValidUtf8("plain"), "plain");
  EXPECT_EQ(ToValidUtf8("\xE6\x97\xA5\xF0\x9F\x98\x80"), "\xE6\x97\xA5\xF0\x9F\x98\x80");
  EXPECT_EQ(ToValidUtf8("a\x80z"), "a\xEF\xBF\xBDz");                 // stray continuation
  EXPECT_EQ(ToValidUtf8("a\xE6\x97"), "a\xEF\xBF\xBD");                    // cut off at the end
  EXPECT_EQ(ToValidUtf8("\xE6\x97z"), "\xEF\xBF\xBDz");                    // cut off in the middle
  EXPECT_EQ(ToValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD");                           // overlong "/"
  EXPECT_EQ(ToValidUtf8("\xE0\x80\xAF"), "\xEF\xBF\xBD");               // overlong, 3 bytes
  EXPECT_EQ(ToValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD");               // a surrogate
  EXPECT_EQ(ToValidUtf8("\xF4\x90\x80\x80"), "\xEF\xBF\xBD");           // past U+10FFFF
  EXPECT_EQ(ToValidUtf8("\xFF\xFE"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ToValidUtf8(std::string("\0", 1)), std::string("\0", 1));  // NUL is valid UTF-8
}

TEST(CliOutput, JsonStringsEscapeEverythingJsonForbids) {
  EXPECT_EQ(JsonString(""), "\"\"");
  EXPECT_EQ(JsonString("say \"hi\" \\ /"), "\"say \\\"hi\\\" \\\\ /\"");
  EXPECT_EQ(JsonString("a\r\nb\tc\b\f"), "\"a\\r\\nb\\tc\\b\\f\"");
  EXPECT_EQ(JsonString(std::string("\0\x01\x1f\x7f", 4)), "\"\\u0000\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString("\xE6\x97\xA5"), "\"\xE6\x97\xA5\"");
  EXPECT_EQ(JsonString("x\xE6\x97"), "\"x\xEF\xBF\xBD\"");
}

// True when `text` is well-formed UTF-8 with no raw control character: what
// any JSON line must be.
bool IsCleanJsonText(const std::string& text) {
  if (ToValidUtf8(text) != text) return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

TEST(CliOutput, JsonLineCarriesEveryFieldInUtf8) {
  TPageInfo info;
  info.URL = "http://sjis.demo.example/";
  info.Host = "sjis.demo.example";
  info.Page.assign(1, '/');  // (a one-byte literal here trips a false -Wrestrict in g++ 12 -O3)
  info.Status = "HTTP/1.1 200 OK";
  info.StatusCode = 200;
  info.ContentType = "text/html";
  info.Charset = "Shift_JIS";
  info.Title = "\x93\xFA\x96\x7B\r\n\"2\"";  // 日本, a line break and quotes
  info.Description = "";
  info.Error = "[\x93\xFA.test] certificate is not trusted";
  EXPECT_EQ(FormatJsonLine(info),
            "{\"URL\":\"http://sjis.demo.example/\",\"Host\":\"sjis.demo.example\",\"Page\":\"/\","
            "\"Status\":\"HTTP/1.1 200 OK\",\"StatusCode\":200,\"ContentType\":\"text/html\","
            "\"Charset\":\"Shift_JIS\",\"Title\":\"\xE6\x97\xA5\xE6\x9C\xAC\\r\\n\\\"2\\\"\","
            "\"Description\":\"\",\"Error\":\"[\xE6\x97\xA5.test] certificate is not trusted\"}");

  // A record of a failed fetch: the title is left empty (no address in its
  // place), the status code is a number.
  TPageInfo failed;
  failed.URL = "http://x/";
  failed.StatusCode = -1;
  const std::string line = FormatJsonLine(failed);
  EXPECT_NE(line.find("\"StatusCode\":-1,"), std::string::npos);
  EXPECT_NE(line.find("\"Title\":\"\""), std::string::npos);
}

TEST(CliOutput, ShiftJisThatDoesNotConvertStillGivesValidJson) {
  TPageInfo info;
  // A lone lead byte at the end, a lead byte before a byte that cannot
  // follow it, unassigned codes, a bare 0x80 and 0xFF, raw control bytes.
  info.Title.assign(1, '\x93');
  info.Description = std::string("\x81\x0A\x85\x40\xEF\xFC\x80\xFF\xA0\x1B[0m\x00", 14);
  info.URL.assign(1, '\x82');
  const std::string line = FormatJsonLine(info);
  EXPECT_TRUE(IsCleanJsonText(line)) << line;
  EXPECT_EQ(line.front(), '{');
  EXPECT_EQ(line.back(), '}');
}

TEST(CliOutput, TagLinesInEitherEncoding) {
  const std::string sjis = "<a href=\"http://x/\">\x93\xFA\x96\x7B</a>:[2007/01/05]";
  EXPECT_EQ(EncodeTagLine(sjis, TOutputEncoding::ShiftJis), sjis + "\r\n");
  EXPECT_EQ(EncodeTagLine(sjis, TOutputEncoding::Utf8),
            "<a href=\"http://x/\">\xE6\x97\xA5\xE6\x9C\xAC</a>:[2007/01/05]\n");
  EXPECT_EQ(EncodeTagLine("", TOutputEncoding::ShiftJis), "\r\n");
  EXPECT_EQ(EncodeTagLine("", TOutputEncoding::Utf8), "\n");
  // Half-width katakana (one byte in Shift_JIS) come out as their own
  // characters in UTF-8: ｱ is U+FF71.
  EXPECT_EQ(EncodeTagLine("\xB1", TOutputEncoding::Utf8), "\xEF\xBD\xB1\n");
  const std::string bad = EncodeTagLine("x\x93", TOutputEncoding::Utf8);
  EXPECT_EQ(ToValidUtf8(bad), bad);
}

}  // namespace
}  // namespace vellumark
