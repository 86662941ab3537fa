// Texts that describe the running Windows version: the simple OS line, the
// detailed product name with its edition and service pack, and the
// description the about window shows.
//
// The description logic is plain code over a version record and a small
// registry reader, so every branch runs on any platform with made-up
// records; the Windows build fills the record from the system and reads the
// real registry (OsVersion_win32.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vellumark {

// The fields of the system's OS version record that the descriptions read.
// suiteMask and productType are filled only by the extended query.
struct TOsVersionRecord {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 9x family, 2 NT family
  std::string csdVersion;        // service-pack text, up to its terminating NUL
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// Read access to HKEY_LOCAL_MACHINE, as much as the product name needs.
class TMachineRegistry {
 public:
  virtual ~TMachineRegistry() = default;
  // The bytes of a value of the key, as stored (a string value usually ends
  // in its NUL). Empty optional when the key does not open, the value cannot
  // be read, or it is longer than maxBytes. The key is closed again in every
  // case.
  virtual std::optional<std::string> ReadValue(std::string_view keyPath, std::string_view valueName,
                                               std::size_t maxBytes) const = 0;
  // Whether the key opens for reading values (it is closed again at once).
  virtual bool KeyExists(std::string_view keyPath) const = 0;
};

// The system's version query, one call per record size.
class TOsVersionSource {
 public:
  virtual ~TOsVersionSource() = default;
  // Fills `record` (zero-filled first) with the extended record when
  // `extended` is true, else with the basic one. False when the system
  // refuses that record size.
  virtual bool Query(bool extended, TOsVersionRecord& record) const = 0;
};

// "Windows 3.1", "Windows 95" or "Windows NT" for platform ids 0, 1 and 2;
// empty for any other id.
std::string GetPlatformName(std::uint32_t platformId);

// The simple OS line "%s Version %d.%d (Build %d : %s)" of a basic record.
// The build number is printed whole (on the 9x family its high word holds
// the version numbers).
std::string FormatOSVersionText(const TOsVersionRecord& record);

// The detailed product name, such as "Microsoft Windows XP Professional
// Service Pack 2 (Build 2600)", from the system's version query and the
// registry. "Unknown" when the version cannot be read or names no known
// system.
std::string BuildOSProductName(const TOsVersionSource& source, const TMachineRegistry& registry);

// The description fallback chain: the product name; if producing it raises,
// the version text; if that raises too, "Microsoft Windows".
std::string DescribeOS(const std::function<std::string()>& productName,
                       const std::function<std::string()>& versionText);

// `description` with its first "Microsoft " (case-sensitive) taken out, as
// the about window shows it.
std::string RemoveFirstMicrosoft(std::string description);

// The running system's texts (Windows builds only).
std::string GetOSVersionText();
std::string GetOSProductName();
std::string GetOSDescription();

}  // namespace vellumark
