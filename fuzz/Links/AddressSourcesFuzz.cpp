// Random texts through the address sources: the link scan of an HTML text,
// the Internet Shortcut reader and the by-name dispatch of a file.
// Input layout: byte 0 picks the file name for the dispatch, the rest is the
// file's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Links/AddressSources.h"

namespace {

using namespace vellumark;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool StartsWithNoCase(std::string_view text, std::string_view lower) {
  if (text.size() < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

// Every link found comes from its own "<a" (any case).
std::size_t CountLinkStarts(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '<' && Lower(text[i + 1]) == 'a') ++count;
  }
  return count;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const names[] = {"a.url", "b.html", "c.htm", "d.txt", "noext", "dir.url/e"};
  if (size < 1) return 0;
  const std::string_view name = names[data[0] % (sizeof names / sizeof *names)];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const TFoundAddresses links = AddressesOfHtml(text);
  for (const std::string& address : links.addresses) {
    Check(StartsWithNoCase(address, "http:") || StartsWithNoCase(address, "https:"));
    Check(static_cast<unsigned char>(address.back()) > 0x20);  // trimmed
  }
  Check(links.addresses.size() + links.skipped <= CountLinkStarts(text));

  if (const auto address = AddressOfInternetShortcut(text)) {
    Check(!address->empty() && !IsBlank(address->front()) && !IsBlank(address->back()));
    Check(address->find_first_of("\r\n") == std::string::npos);
  }

  const TFoundAddresses found = AddressesOfFile(name, text);
  for (const std::string& address : found.addresses) Check(!address.empty());
  (void)IsBookmarkExport(text);
  return 0;
}
