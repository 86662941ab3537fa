// The "<body" stop test: the block-wise scan must give, after every block,
// exactly the answer of searching the whole collected text up to its first
// zero byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Links/PageFetcherMarker.h"

namespace vellumark {
namespace {

using namespace std::string_literals;

// Reference answer, written the slow and obvious way.
bool WholeBufferHasMarker(std::string_view collected) {
  std::string text(collected.substr(0, collected.find('\0')));
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return text.find("<body") != std::string::npos;
}

// Feeds `text` in blocks ending at `cuts` (ascending positions) and compares
// the scan with the reference after every block. Returns the number of
// mismatches and records the first in `where`.
int CountMismatches(const std::string& text, const std::vector<std::size_t>& cuts,
                    std::string* where) {
  TBodyMarkerScan scan;
  std::string collected;
  std::size_t from = 0;
  int mismatches = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(text.size());
  for (std::size_t end : ends) {
    if (end < from) continue;
    collected.append(text, from, end - from);
    const bool got = scan.Update(collected, end - from);
    if (got != WholeBufferHasMarker(collected)) {
      if (mismatches++ == 0 && where) {
        *where = "after " + std::to_string(collected.size()) + " bytes of \"" + text + "\"";
      }
    }
    from = end;
  }
  return mismatches;
}

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = {
      "<body>",
      "head<body bgcolor=white>rest",
      "<BODY>",
      "<BoDy onload=x>",
      "<<body",
      "<bod<body",
      "<bo<body",
      "< body>",
      "<bod>",
      "body",
      "<bodx<bodY",
      "\0<body>"s,
      "abc\0<body>"s,
      "<bo\0dy>"s,
      "<body\0"s,
      "x\0y\0<body"s,
      "<title>t</title></head>\r\n<Body>",
      "\x93\xfa<body>",
      "",
  };
  return texts;
}

TEST(BodyMarkerScan, AgreesWithWholeBufferSearchForEveryOneAndTwoCutSplit) {
  for (const std::string& text : Texts()) {
    for (std::size_t a = 0; a <= text.size(); ++a) {
      for (std::size_t b = a; b <= text.size(); ++b) {
        std::string where;
        EXPECT_EQ(CountMismatches(text, {a, b}, &where), 0) << where;
      }
    }
  }
}

TEST(BodyMarkerScan, AgreesWithWholeBufferSearchByteByByte) {
  for (const std::string& text : Texts()) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < text.size(); ++i) cuts.push_back(i);
    std::string where;
    EXPECT_EQ(CountMismatches(text, cuts, &where), 0) << where;
  }
}

TEST(BodyMarkerScan, AgreesWithWholeBufferSearchOnRandomTextsAndSplits) {
  // A small alphabet makes near-misses, split markers and zero bytes common.
  const std::string alphabet = "<bodyBODYx \0"s;
  std::mt19937 random(20240607);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t length = random() % 40;
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    if (random() % 3 == 0 && length > 0) text.insert(random() % length, (random() % 2) ? "<body" : "<BODY");
    std::vector<std::size_t> cuts;
    for (std::size_t pos = 0; pos < text.size();) {
      pos += 1 + random() % 6;
      cuts.push_back(std::min(pos, text.size()));
    }
    std::string where;
    ASSERT_EQ(CountMismatches(text, cuts, &where), 0) << where;
  }
}

TEST(BodyMarkerScan, SplitMarkerAndZeroByteCases) {
  TBodyMarkerScan scan;
  std::string collected = "<bo";
  EXPECT_FALSE(scan.Update(collected, 3));
  collected += "dy>";
  EXPECT_TRUE(scan.Update(collected, 3)) << "\"<bo\" | \"dy\" across two blocks";
  collected += "more";
  EXPECT_TRUE(scan.Update(collected, 4)) << "a found marker stays found";

  scan.Reset();
  collected = "abc\0"s;
  EXPECT_FALSE(scan.Update(collected, collected.size()));
  collected += "<body>";
  EXPECT_FALSE(scan.Update(collected, 6)) << "nothing after the first zero byte counts";

  scan.Reset();
  collected = "<BO";
  EXPECT_FALSE(scan.Update(collected, 3));
  collected += "dY";
  EXPECT_TRUE(scan.Update(collected, 2)) << "any letter case";
}

TEST(BodyMarkerScan, ContainsBodyMarkerReadsZeroBytesAsData) {
  EXPECT_TRUE(ContainsBodyMarker("\0<body"s));
  EXPECT_TRUE(ContainsBodyMarker("<bOdY"));
  EXPECT_FALSE(ContainsBodyMarker("<bod"));
  EXPECT_FALSE(ContainsBodyMarker("< body"));
  EXPECT_FALSE(ContainsBodyMarker(""));
}

}  // namespace
}  // namespace vellumark
