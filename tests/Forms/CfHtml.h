// Reads a clipboard HTML document ("HTML Format") as a pasting program does:
// by the byte offsets of its header. Portable, for the unit test of the
// document and for the window test that reads the real clipboard.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

namespace vellumark::cfhtml {

// The fragment of `document`, after checking that the header is version 0.9
// with four ten-digit offsets, that StartHTML is where the header ends and
// <html> starts, that StartFragment follows <!--StartFragment-->,
// EndFragment is at <!--EndFragment-->, and EndHTML is the document's end
// after </html>.
inline ::testing::AssertionResult ReadFragment(std::string_view document, std::string& fragment) {
  std::map<std::string, std::string, std::less<>> fields;
  std::size_t at = 0;
  for (std::size_t end; (end = document.find("\r\n", at)) != std::string_view::npos; at = end + 2) {
    const std::string_view line = document.substr(at, end - at);
    const std::size_t colon = line.find(':');
    if (line.starts_with('<') || colon == std::string_view::npos) break;
    fields[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
  }
  if (fields["Version"] != "0.9") return ::testing::AssertionFailure() << "version " << fields["Version"];
  std::map<std::string, std::size_t> offsets;
  for (const char* name : {"StartHTML", "EndHTML", "StartFragment", "EndFragment"}) {
    const std::string& digits = fields[name];
    if (digits.size() != 10 || digits.find_first_not_of("0123456789") != std::string::npos) {
      return ::testing::AssertionFailure() << name << " is \"" << digits << "\"";
    }
    offsets[name] = std::stoul(digits);
  }
  const std::size_t startHtml = offsets["StartHTML"], endHtml = offsets["EndHTML"];
  const std::size_t start = offsets["StartFragment"], end = offsets["EndFragment"];
  constexpr std::string_view open = "<!--StartFragment-->", close = "<!--EndFragment-->";
  if (startHtml != at || !document.substr(startHtml).starts_with("<html>")) {
    return ::testing::AssertionFailure() << "StartHTML " << startHtml << ", header ends at " << at;
  }
  if (endHtml != document.size() || !document.ends_with("</html>")) {
    return ::testing::AssertionFailure() << "EndHTML " << endHtml << " of " << document.size();
  }
  if (start < startHtml + open.size() || document.substr(start - open.size(), open.size()) != open) {
    return ::testing::AssertionFailure() << "StartFragment " << start << " is not after " << open;
  }
  if (end < start || end > endHtml || document.substr(end, close.size()) != close) {
    return ::testing::AssertionFailure() << "EndFragment " << end << " is not at " << close;
  }
  fragment = document.substr(start, end - start);
  return ::testing::AssertionSuccess();
}

}  // namespace vellumark::cfhtml
