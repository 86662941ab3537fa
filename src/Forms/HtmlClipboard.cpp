#include "Forms/HtmlClipboard.h"

namespace vellumark::forms {
namespace {

// An offset as ten decimal digits, zeros in front.
std::string TenDigits(std::size_t value) {
  std::string digits(10, '0');
  for (auto it = digits.rbegin(); it != digits.rend() && value != 0; ++it, value /= 10) {
    *it = static_cast<char>('0' + value % 10);
  }
  return digits;
}

// Every offset has ten digits, so the header's length is the same whatever
// the offsets are.
std::string Header(std::size_t startHtml, std::size_t endHtml, std::size_t startFragment,
                   std::size_t endFragment) {
  return "Version:0.9\r\nStartHTML:" + TenDigits(startHtml) + "\r\nEndHTML:" + TenDigits(endHtml) +
         "\r\nStartFragment:" + TenDigits(startFragment) + "\r\nEndFragment:" + TenDigits(endFragment) +
         "\r\n";
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string HtmlClipboardFragment(std::span<const std::string> lines, bool markup) {
  std::string fragment;
  for (const std::string& line : lines) {
    if (&line != &lines.front()) fragment += "<br>\r\n";
    fragment += markup ? line : HtmlEscape(line);
  }
  return fragment;
}

std::string HtmlClipboardDocument(std::string_view utf8Fragment) {
  constexpr std::string_view before = "<html><body>\r\n<!--StartFragment-->";
  constexpr std::string_view after = "<!--EndFragment-->\r\n</body></html>";
  const std::size_t startHtml = Header(0, 0, 0, 0).size();
  const std::size_t startFragment = startHtml + before.size();
  const std::size_t endFragment = startFragment + utf8Fragment.size();
  const std::size_t endHtml = endFragment + after.size();
  std::string document = Header(startHtml, endHtml, startFragment, endFragment);
  document.reserve(endHtml);
  document += before;
  document += utf8Fragment;
  document += after;
  return document;
}

}  // namespace vellumark::forms
