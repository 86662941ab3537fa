#include "System/OsVersion.h"

namespace vellumark {
namespace {

constexpr std::string_view kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::string_view kSp6aHotfixKey =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
constexpr std::size_t kProductTypeBufferSize = 255;

constexpr std::uint16_t kSuiteEnterprise = 0x0002;
constexpr std::uint16_t kSuiteDatacenter = 0x0080;
constexpr std::uint16_t kSuitePersonal = 0x0200;
constexpr std::uint16_t kSuiteBlade = 0x0400;

constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kDomainController = 2;
constexpr std::uint8_t kServer = 3;

// Version numbers are printed as the signed 32-bit numbers "%d" gives.
std::string Decimal(std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); }

// The byte of a fixed-size text field at `index`; the field is zero-filled
// past its text.
char FieldChar(const std::string& text, std::size_t index) {
  return index < text.size() ? text[index] : '\0';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The 9x family: the base name is the whole description.
std::string Windows9xName(const TOsVersionRecord& v) {
  if (v.majorVersion != 4) return "Unknown";
  switch (v.minorVersion) {
    case 0: {
      std::string name = "Microsoft Windows 95 ";
      const char second = FieldChar(v.csdVersion, 1);
      if (second == 'C' || second == 'B') name += "OSR2 ";
      return name;
    }
    case 10: {
      std::string name = "Microsoft Windows 98 ";
      if (FieldChar(v.csdVersion, 1) == 'A') name += "SE ";
      return name;
    }
    case 90:
      return "Microsoft Windows Millennium Edition";
    default:
      return "Unknown";
  }
}

// From Vista on, one version number serves a workstation and a server
// release; the record's product type tells them apart (a domain controller
// is a server). Without the extended record the type is 0: a workstation.
bool IsServer(const TOsVersionRecord& v) { return v.productType == kServer || v.productType == kDomainController; }

// Windows 10, 11 and the servers since 2016 all report 10.0; the build
// number names the release.
std::string Nt10BaseName(const TOsVersionRecord& v) {
  if (!IsServer(v)) return v.buildNumber >= 22000 ? "Microsoft Windows 11 " : "Microsoft Windows 10 ";
  if (v.buildNumber >= 26100) return "Microsoft Windows Server 2025 ";
  if (v.buildNumber >= 20348) return "Microsoft Windows Server 2022 ";
  if (v.buildNumber >= 17763) return "Microsoft Windows Server 2019 ";
  return "Microsoft Windows Server 2016 ";
}

std::string NtBaseName(const TOsVersionRecord& v) {
  if (v.majorVersion == 10 && v.minorVersion == 0) return Nt10BaseName(v);
  if (v.majorVersion == 6) {
    const bool server = IsServer(v);
    switch (v.minorVersion) {
      case 0:
        return server ? "Microsoft Windows Server 2008 " : "Microsoft Windows Vista ";
      case 1:
        return server ? "Microsoft Windows Server 2008 R2 " : "Microsoft Windows 7 ";
      case 2:
        return server ? "Microsoft Windows Server 2012 " : "Microsoft Windows 8 ";
      case 3:
        return server ? "Microsoft Windows Server 2012 R2 " : "Microsoft Windows 8.1 ";
      default:
        break;
    }
  }
  if (v.majorVersion == 5 && v.minorVersion == 2) return "Microsoft Windows .NET Server 2003 family, ";
  if (v.majorVersion == 5 && v.minorVersion == 1) return "Microsoft Windows XP ";
  if (v.majorVersion == 5 && v.minorVersion == 0) return "Microsoft Windows 2000 ";
  if (v.majorVersion <= 4) return "Microsoft Windows NT ";
  return "Windows NT product family? ";
}

// The edition from the extended record's product type and suite mask.
std::string NtEdition(const TOsVersionRecord& v) {
  const std::uint16_t suite = v.suiteMask;
  if (v.productType == kWorkstation) {
    if (v.majorVersion == 4) return "Workstation 4.0 ";
    if (suite & kSuitePersonal) return "Home Edition ";
    return "Professional ";
  }
  if (v.productType == kServer) {
    // Server 2003 and every server since name their editions alike.
    if ((v.majorVersion == 5 && v.minorVersion == 2) || v.majorVersion == 6 || v.majorVersion == 10) {
      if (suite & kSuiteDatacenter) return "Datacenter Edition ";
      if (suite & kSuiteEnterprise) return "Enterprise Edition ";
      if (suite == kSuiteBlade) return "Web Edition ";
      return "Standard Edition ";
    }
    if (v.majorVersion == 5 && v.minorVersion == 0) {
      if (suite & kSuiteDatacenter) return "Datacenter Server ";
      if (suite & kSuiteEnterprise) return "Advanced Server ";
      return "Server ";
    }
    if (suite & kSuiteEnterprise) return "Server 4.0, Enterprise Edition ";
    return "Server 4.0 ";
  }
  return "";
}

// The edition named by the registry's product type (older systems without
// the extended record), followed by the version numbers. Empty optional when
// the value cannot be read: the description then ends before the edition.
std::optional<std::string> RegistryEdition(const TOsVersionRecord& v, const TMachineRegistry& registry) {
  const std::optional<std::string> raw =
      registry.ReadValue(kProductOptionsKey, "ProductType", kProductTypeBufferSize);
  if (!raw) return std::nullopt;
  const std::string type = UpperCaseAscii(raw->substr(0, raw->find('\0')));
  std::string edition;
  if (type == "WINNT") {
    edition = "Workstation ";
  } else if (type == "LANMANNT") {
    edition = "Server ";
  } else if (type == "SERVERNT") {
    edition = "Advanced Server ";
  }
  return edition + Decimal(v.majorVersion) + "." + Decimal(v.minorVersion);
}

std::string ServicePackAndBuild(const TOsVersionRecord& v, const TMachineRegistry& registry) {
  const std::string build = " (Build " + std::to_string(v.buildNumber & 0xFFFFu) + ")";
  if (v.majorVersion == 4 && EqualsIgnoringCase(v.csdVersion, "Service Pack 6") &&
      registry.KeyExists(kSp6aHotfixKey)) {
    return "Service Pack 6a" + build;
  }
  return v.csdVersion + build;
}

}  // namespace

std::string GetPlatformName(std::uint32_t platformId) {
  switch (platformId) {
    case 0:
      return "Windows 3.1";
    case 1:
      return "Windows 95";
    case 2:
      return "Windows NT";
    default:
      return "";
  }
}

std::string FormatOSVersionText(const TOsVersionRecord& record) {
  return GetPlatformName(record.platformId) + " Version " + Decimal(record.majorVersion) + "." +
         Decimal(record.minorVersion) + " (Build " + Decimal(record.buildNumber) + " : " +
         record.csdVersion + ")";
}

std::string BuildOSProductName(const TOsVersionSource& source, const TMachineRegistry& registry) {
  TOsVersionRecord v;
  const bool extended = source.Query(true, v);
  if (!extended && !source.Query(false, v)) return "Unknown";

  switch (v.platformId) {
    case 0:
      return "Microsoft Win32s";
    case 1:
      return Windows9xName(v);
    case 2:
      break;
    default:
      return "Unknown";
  }

  std::string name = NtBaseName(v);
  if (extended) {
    name += NtEdition(v);
  } else {
    const std::optional<std::string> edition = RegistryEdition(v, registry);
    if (!edition) return name;
    name += *edition;
  }
  return name + ServicePackAndBuild(v, registry);
}

std::string DescribeOS(const std::function<std::string()>& productName,
                       const std::function<std::string()>& versionText) {
  try {
    return productName();
  } catch (...) {
  }
  try {
    return versionText();
  } catch (...) {
  }
  return "Microsoft Windows";
}

std::string RemoveFirstMicrosoft(std::string description) {
  constexpr std::string_view prefix = "Microsoft ";
  const std::size_t at = description.find(prefix);
  if (at != std::string::npos) description.erase(at, prefix.size());
  return description;
}

}  // namespace vellumark
