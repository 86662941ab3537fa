// Version-resource addressing and the caption made from the version.
#include "System/VersionResource.h"

#include <gtest/gtest.h>

namespace vellumark {
namespace {

TEST(VersionResourceTest, ValuePathUsesLanguageThenCodePageInUpperCaseHex) {
  EXPECT_EQ(VersionValuePath("FileVersion", 0x03A40411u), "\\StringFileInfo\\041103A4\\FileVersion");
  EXPECT_EQ(VersionValuePath("Comments", 0x04B00409u), "\\StringFileInfo\\040904B0\\Comments");
  EXPECT_EQ(VersionValuePath("X", 0u), "\\StringFileInfo\\00000000\\X");
  // A key is taken as it is, never as a format.
  EXPECT_EQ(VersionValuePath("%s%d", 0xABCDEF01u), "\\StringFileInfo\\EF01ABCD\\%s%d");
}

TEST(VersionResourceTest, ValuesAreCutAtTheLengthAndTheFirstZeroThenTrimmed) {
  EXPECT_EQ(TrimVersionValue(std::string_view("0.6.9.19\0junk", 13), 13), "0.6.9.19");
  EXPECT_EQ(TrimVersionValue(" \t 0.6.9.19 \r\n", 20), "0.6.9.19");
  EXPECT_EQ(TrimVersionValue("0.6.9.19", 3), "0.6");
  EXPECT_EQ(TrimVersionValue("   ", 3), "");
  // Shift_JIS bytes above 0x80 are text, not blanks.
  EXPECT_EQ(TrimVersionValue(" \x83\x65 ", 4), "\x83\x65");
}

TEST(VersionResourceTest, CaptionJoinsTitleVersionAndWindowName) {
  EXPECT_EQ(CaptionFromVersion("Vellumark", "0.6.9.19", "MainForm"),
            "Vellumark Ver.0.6.9.19 - MainForm");
  EXPECT_EQ(CaptionFromVersion("Vellumark", "", "InfoForm"), "Vellumark Ver. - InfoForm");
}

TEST(VersionResourceTest, KeysAreTheTwelveStandardNames) {
  EXPECT_STREQ(VersionInfoKeys[0], "Comments");
  EXPECT_STREQ(VersionInfoKeys[2], "FileDescription");
  EXPECT_STREQ(VersionInfoKeys[3], "FileVersion");
  EXPECT_STREQ(VersionInfoKeys[11], "SpecialBuild");
}

}  // namespace
}  // namespace vellumark
