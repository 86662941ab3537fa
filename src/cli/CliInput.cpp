#include "cli/CliInput.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "Common/Error.h"
#include "Common/TextLines.h"
#include "Links/AddressSources.h"
#include "cli/CliMessage.h"

namespace vellumark {

std::vector<std::string> AddressesFromText(std::string_view utf8Text) {
  if (utf8Text.starts_with("\xEF\xBB\xBF")) utf8Text.remove_prefix(3);
  std::vector<std::string> lines = SplitLines(utf8Text);
  for (auto& line : lines) line.resize(CutUtf8AddressLine(line).size());
  return lines;
}

std::string ReadAll(std::istream& in) {
  std::string text;
  std::vector<char> block(64 * 1024);
  for (;;) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const std::streamsize got = in.gcount();
    if (got > 0) text.append(block.data(), static_cast<std::size_t>(got));
    if (!in) break;
  }
  return text;
}

std::vector<std::string> ReadAddresses(const std::vector<std::string>& files,
                                       std::istream& standardInput,
                                       std::size_t* skippedLinks) {
  std::vector<std::string> addresses;
  auto append = [&](std::string_view text) {
    if (IsBookmarkExport(text)) {
      TFoundAddresses links = AddressesOfHtml(text);
      for (auto& link : links.addresses) {
        link.resize(CutUtf8AddressLine(link).size());
        addresses.push_back(std::move(link));
      }
      if (skippedLinks) *skippedLinks += links.skipped;
      return;
    }
    auto lines = AddressesFromText(text);
    addresses.insert(addresses.end(), std::make_move_iterator(lines.begin()),
                     std::make_move_iterator(lines.end()));
  };
  if (files.empty()) {
    append(ReadAll(standardInput));
    if (standardInput.bad()) throw TError("cannot read standard input");
    return addresses;
  }
  for (const auto& name : files) {
    if (name == "-") {
      append(ReadAll(standardInput));
      if (standardInput.bad()) throw TError("cannot read standard input");
      continue;
    }
    const std::filesystem::path path(std::u8string(name.begin(), name.end()));
    const std::string cannotRead = "cannot read " + QuotedForMessage(name);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw TError(cannotRead + ": it is a folder");
    if (!std::filesystem::exists(path, ec)) throw TError(cannotRead + ": no such file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw TError(cannotRead);
    const std::string text = ReadAll(in);
    if (in.bad()) throw TError(cannotRead);
    append(text);
  }
  return addresses;
}

}  // namespace vellumark
