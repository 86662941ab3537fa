// Bot-check replies row by row: the status, the header fields and the body of
// a reply, and the sign its message names (empty: a page, no check).
#include "Links/BotCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace vellumark {
namespace {

struct TCase {
  int status;
  std::string_view fields;  // header lines, each ending "\r\n"
  std::string_view body;
  std::string_view named;
};

constexpr std::string_view kPlatform = "<script src=\"/cdn-cgi/challenge-platform/h/b/orchestrate/jsch/v1\">";

const std::vector<TCase>& Cases() {
  static const std::vector<TCase> cases = {
      // The check's header counts whatever the status.
      {200, "cf-mitigated: challenge\r\n", "<title>Home</title>", "cf-mitigated"},
      {403, "CF-Mitigated:  CHALLENGE \r\n", "", "cf-mitigated"},
      {200, "cf-mitigated: block\r\n", "", ""},
      {200, "X-Note: cf-mitigated: challenge\r\n", "cf-mitigated: challenge", ""},

      // The script path and the titles only in a refusal.
      {429, "", kPlatform, "/cdn-cgi/challenge-platform/"},
      {404, "", kPlatform, ""},
      {503, "", "<title>Just a moment...</title>", "Just a moment..."},
      {403, "", "<TITLE lang=en>\r\n  Just a moment...\n</TITLE>", "Just a moment..."},
      {403, "", "<title>Attention Required! | Cloudflare</title>", "Attention Required! | Cloudflare"},
      {200, "", "<title>Just a moment...</title>", ""},
      {503, "", "<title>Just a moment... then the news</title>", ""},
      {503, "", "<title>Service Unavailable</title> Just a moment...", ""},
      {500, "", "<title>Just a moment...</title>", ""},
  };
  return cases;
}

TEST(BotCheck, Rows) {
  for (const TCase& row : Cases()) {
    const std::string head = "HTTP/1.1 " + std::to_string(row.status) + " X\r\n" + std::string(row.fields) + "\r\n";
    const std::string text = head + std::string(row.body);
    const auto check = BotCheckOf(row.status, head, text);
    EXPECT_EQ(check.has_value(), !row.named.empty()) << row.status << " " << text;
    if (check) {
      EXPECT_NE(check->find(row.named), std::string::npos) << *check;
    }
  }
}

}  // namespace
}  // namespace vellumark
