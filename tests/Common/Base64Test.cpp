#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Common/Base64.h"

namespace vellumark {
namespace {

TEST(Base64, DecodesWhatItEncodesAndRefusesTheRest) {
  struct TRow {
    std::string text;
    std::optional<std::string> bytes;
  };
  const TRow rows[] = {
      {"", std::string()},
      {"TlRMTVNTUAA=", std::string("NTLMSSP\0", 8)},
      {"TlRMTVNTUAA", std::string("NTLMSSP\0", 8)},  // padding left out
      {"YQ==", "a"},
      {"YWI=", "ab"},
      {"/+8=", "\xff\xef"},
      {"YQ=", std::nullopt},    // half the padding
      {"Y===", std::nullopt},   // no length an encoding has
      {"YR==", std::nullopt},   // stray bits in the last character
      {"Y Q==", std::nullopt},  // a blank inside
      {"YQ==YQ==", std::nullopt},
      {"-_8=", std::nullopt},  // the URL alphabet
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(Base64Decode(row.text), row.bytes) << row.text;
    if (row.bytes) {
      EXPECT_EQ(Base64Decode(Base64Encode(*row.bytes)), row.bytes) << row.text;
    }
  }
}

}  // namespace
}  // namespace vellumark
