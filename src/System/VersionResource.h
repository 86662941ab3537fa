// Reading the strings of an executable's version resource, and the window
// caption made from the running program's version.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellumark {

// The twelve standard string names of a version resource, in their usual
// order.
inline constexpr const char* VersionInfoKeys[12] = {
    "Comments",         "CompanyName",  "FileDescription", "FileVersion",
    "InternalName",     "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild",     "ProductName",  "ProductVersion",  "SpecialBuild",
};

// The sub-block path of a string value: "\StringFileInfo\", the language
// and the code page of `translation` (low and high 16 bits) as four
// upper-case hexadecimal digits each, "\", then `keyName`.
std::string VersionValuePath(std::string_view keyName, std::uint32_t translation);

// A value as read from the resource: at most `length` characters, stopping
// at the first zero, without leading and trailing blanks and control
// characters.
std::string TrimVersionValue(std::string_view raw, std::size_t length);

// "<title> Ver.<fileVersion> - <windowName>".
std::string CaptionFromVersion(std::string_view title, std::string_view fileVersion,
                               std::string_view windowName);

// One named string of the version resource of the file at `filePath`, for
// the first translation the resource lists; empty when the file has no
// version resource, no translation or no such string. Never throws.
std::string GetVersionInfoValue(const std::string& keyName, const std::string& filePath);

// The same for the running executable.
std::string GetOwnVersionInfoValue(const std::string& keyName);

}  // namespace vellumark
