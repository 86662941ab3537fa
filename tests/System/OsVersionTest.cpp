#include "System/OsVersion.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace vellumark {
namespace {

constexpr const char* kProductOptions = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char* kHotfix = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

// A version query that answers the extended and/or the basic form.
class TFakeVersion final : public TOsVersionSource {
 public:
  TFakeVersion(TOsVersionRecord record, bool extendedWorks, bool basicWorks = true)
      : record_(std::move(record)), extendedWorks_(extendedWorks), basicWorks_(basicWorks) {}

  bool Query(bool extended, TOsVersionRecord& record) const override {
    if (extended ? !extendedWorks_ : !basicWorks_) return false;
    record = record_;
    if (!extended) {
      // The basic record has no suite mask or product type.
      record.suiteMask = 0;
      record.productType = 0;
    }
    return true;
  }

 private:
  TOsVersionRecord record_;
  bool extendedWorks_;
  bool basicWorks_;
};

class TFakeRegistry final : public TMachineRegistry {
 public:
  std::map<std::string, std::string> values;  // "key|value" -> bytes
  std::map<std::string, bool> keys;
  mutable int reads = 0;

  std::optional<std::string> ReadValue(std::string_view keyPath, std::string_view valueName,
                                       std::size_t maxBytes) const override {
    ++reads;
    const auto it = values.find(std::string(keyPath) + "|" + std::string(valueName));
    if (it == values.end() || it->second.size() > maxBytes) return std::nullopt;
    return it->second;
  }
  bool KeyExists(std::string_view keyPath) const override { return keys.count(std::string(keyPath)) > 0; }
};

TOsVersionRecord Record(std::uint32_t platform, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                        std::string csd = "", std::uint8_t productType = 0, std::uint16_t suite = 0) {
  TOsVersionRecord r;
  r.platformId = platform;
  r.majorVersion = major;
  r.minorVersion = minor;
  r.buildNumber = build;
  r.csdVersion = std::move(csd);
  r.productType = productType;
  r.suiteMask = suite;
  return r;
}

std::string Extended(const TOsVersionRecord& r, const TFakeRegistry& registry = TFakeRegistry()) {
  return BuildOSProductName(TFakeVersion(r, true), registry);
}

std::string BasicOnly(const TOsVersionRecord& r, const TFakeRegistry& registry) {
  return BuildOSProductName(TFakeVersion(r, false), registry);
}

TEST(OsVersionText, PlatformNamesAndSimpleLine) {
  EXPECT_EQ(GetPlatformName(0), "Windows 3.1");
  EXPECT_EQ(GetPlatformName(1), "Windows 95");
  EXPECT_EQ(GetPlatformName(2), "Windows NT");
  EXPECT_EQ(GetPlatformName(3), "");

  EXPECT_EQ(FormatOSVersionText(Record(2, 5, 1, 2600, "Service Pack 2")),
            "Windows NT Version 5.1 (Build 2600 : Service Pack 2)");
  // The 9x family keeps the version numbers in the build number's high word;
  // the simple line prints the whole number, signed.
  EXPECT_EQ(FormatOSVersionText(Record(1, 4, 10, 0x040A08AEu, " A ")),
            "Windows 95 Version 4.10 (Build 67766446 :  A )");
  EXPECT_EQ(FormatOSVersionText(Record(1, 4, 90, 0xC5A00BB8u)),
            "Windows 95 Version 4.90 (Build -979366984 : )");
  // An unknown platform leaves the name empty; a zeroed record (failed query).
  EXPECT_EQ(FormatOSVersionText(Record(7, 1, 0, 1)), " Version 1.0 (Build 1 : )");
  EXPECT_EQ(FormatOSVersionText(TOsVersionRecord()), "Windows 3.1 Version 0.0 (Build 0 : )");
}

TEST(OsProductName, WorkedResults) {
  EXPECT_EQ(Extended(Record(2, 5, 1, 2600, "Service Pack 2", 1)),
            "Microsoft Windows XP Professional Service Pack 2 (Build 2600)");
  EXPECT_EQ(Extended(Record(2, 5, 0, 2195, "", 3)), "Microsoft Windows 2000 Server  (Build 2195)");
  EXPECT_EQ(Extended(Record(1, 4, 10, 0x040A08AEu, " A ")), "Microsoft Windows 98 SE ");
}

TEST(OsProductName, NineXFamilyAndOtherPlatformsEndAtTheBaseName) {
  EXPECT_EQ(Extended(Record(0, 3, 10, 0, "x", 1)), "Microsoft Win32s");
  EXPECT_EQ(Extended(Record(1, 4, 0, 950, " C")), "Microsoft Windows 95 OSR2 ");
  EXPECT_EQ(Extended(Record(1, 4, 0, 950, " B")), "Microsoft Windows 95 OSR2 ");
  EXPECT_EQ(Extended(Record(1, 4, 0, 950, "C")), "Microsoft Windows 95 ");  // first position only
  EXPECT_EQ(Extended(Record(1, 4, 0, 950, "")), "Microsoft Windows 95 ");
  EXPECT_EQ(Extended(Record(1, 4, 10, 1998, " B")), "Microsoft Windows 98 ");
  EXPECT_EQ(Extended(Record(1, 4, 90, 3000, " A")), "Microsoft Windows Millennium Edition");
  EXPECT_EQ(Extended(Record(1, 4, 20, 1)), "Unknown");
  EXPECT_EQ(Extended(Record(1, 5, 0, 1)), "Unknown");
  EXPECT_EQ(Extended(Record(3, 5, 1, 2600, "", 1)), "Unknown");
}

TEST(OsProductName, NtBaseNames) {
  EXPECT_EQ(Extended(Record(2, 5, 2, 3790, "", 2)), "Microsoft Windows .NET Server 2003 family,  (Build 3790)");
  EXPECT_EQ(Extended(Record(2, 3, 51, 1057, "", 2)), "Microsoft Windows NT  (Build 1057)");
  EXPECT_EQ(Extended(Record(2, 0, 0, 1, "", 2)), "Microsoft Windows NT  (Build 1)");
  EXPECT_EQ(Extended(Record(2, 5, 3, 1, "", 2)), "Windows NT product family?  (Build 1)");
  EXPECT_EQ(Extended(Record(2, 6, 4, 9841, "", 1)), "Windows NT product family? Professional  (Build 9841)");
  EXPECT_EQ(Extended(Record(2, 10, 1, 1, "", 1)), "Windows NT product family? Professional  (Build 1)");
  // The major version compares unsigned: 0xFFFFFFFF is not "4 or lower".
  EXPECT_EQ(Extended(Record(2, 0xFFFFFFFFu, 0, 1, "", 2)), "Windows NT product family?  (Build 1)");
}

// One version number serves a workstation and a server release (a domain
// controller is a server); on 10.0 the build number names the release.
TEST(OsProductName, VistaAndLaterByVersionProductTypeAndBuild) {
  struct Case {
    std::uint32_t major, minor, build;
    std::uint8_t type;
    std::uint16_t suite;
    const char* name;
  };
  const Case cases[] = {
      {6, 0, 6002, 1, 0x0300, "Microsoft Windows Vista Home Edition SP (Build 6002)"},
      {6, 0, 6002, 3, 0x0002, "Microsoft Windows Server 2008 Enterprise Edition SP (Build 6002)"},
      {6, 1, 7601, 1, 0x0100, "Microsoft Windows 7 Professional SP (Build 7601)"},
      {6, 1, 7601, 2, 0x0002, "Microsoft Windows Server 2008 R2 SP (Build 7601)"},
      {6, 2, 9200, 1, 0x0000, "Microsoft Windows 8 Professional SP (Build 9200)"},
      {6, 2, 9200, 3, 0x0080, "Microsoft Windows Server 2012 Datacenter Edition SP (Build 9200)"},
      {6, 3, 9600, 1, 0x0000, "Microsoft Windows 8.1 Professional SP (Build 9600)"},
      {6, 3, 9600, 3, 0x0400, "Microsoft Windows Server 2012 R2 Web Edition SP (Build 9600)"},
      {10, 0, 21999, 1, 0x0300, "Microsoft Windows 10 Home Edition SP (Build 21999)"},
      {10, 0, 22000, 1, 0x0000, "Microsoft Windows 11 Professional SP (Build 22000)"},
      {10, 0, 26100, 1, 0x0000, "Microsoft Windows 11 Professional SP (Build 26100)"},
      {10, 0, 17762, 3, 0x0000, "Microsoft Windows Server 2016 Standard Edition SP (Build 17762)"},
      {10, 0, 17763, 3, 0x0000, "Microsoft Windows Server 2019 Standard Edition SP (Build 17763)"},
      {10, 0, 20347, 2, 0x0000, "Microsoft Windows Server 2019 SP (Build 20347)"},
      {10, 0, 20348, 3, 0x0000, "Microsoft Windows Server 2022 Standard Edition SP (Build 20348)"},
      {10, 0, 26099, 3, 0x0000, "Microsoft Windows Server 2022 Standard Edition SP (Build 26099)"},
      {10, 0, 26100, 3, 0x0080, "Microsoft Windows Server 2025 Datacenter Edition SP (Build 26100)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Extended(Record(2, c.major, c.minor, c.build, "SP", c.type, c.suite)), c.name);
  }
}

TEST(OsProductName, EditionsFromTheExtendedRecord) {
  struct Case {
    std::uint32_t major, minor;
    std::uint8_t type;
    std::uint16_t suite;
    const char* edition;
  };
  const Case cases[] = {
      {4, 0, 1, 0x0200, "Workstation 4.0 "},
      {5, 1, 1, 0x0200, "Home Edition "},
      {5, 1, 1, 0x0300, "Home Edition "},
      {5, 1, 1, 0x0100, "Professional "},
      {5, 2, 3, 0x0082, "Datacenter Edition "},
      {5, 2, 3, 0x0002, "Enterprise Edition "},
      {5, 2, 3, 0x0400, "Web Edition "},
      {5, 2, 3, 0x0410, "Standard Edition "},  // the web bit with another: not the web edition
      {5, 2, 3, 0x0000, "Standard Edition "},
      {5, 0, 3, 0x0080, "Datacenter Server "},
      {5, 0, 3, 0x0002, "Advanced Server "},
      {5, 0, 3, 0x0400, "Server "},
      {4, 0, 3, 0x0002, "Server 4.0, Enterprise Edition "},
      {4, 0, 3, 0x0080, "Server 4.0 "},
      {5, 1, 2, 0x0002, ""},  // domain controller
      {5, 1, 0, 0x0002, ""},
      {5, 1, 7, 0x0002, ""},
  };
  auto base = [](std::uint32_t major, std::uint32_t minor) -> std::string {
    if (major == 4) return "Microsoft Windows NT ";
    if (minor == 0) return "Microsoft Windows 2000 ";
    if (minor == 1) return "Microsoft Windows XP ";
    return "Microsoft Windows .NET Server 2003 family, ";
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Extended(Record(2, c.major, c.minor, 100, "SP", c.type, c.suite)),
              base(c.major, c.minor) + c.edition + "SP (Build 100)")
        << c.major << "." << c.minor << " type " << int(c.type) << " suite " << c.suite;
  }
}

TEST(OsProductName, EditionFromTheRegistryWhenOnlyTheBasicRecordIsThere) {
  TFakeRegistry registry;
  const std::string key = std::string(kProductOptions) + "|ProductType";
  const TOsVersionRecord nt4 = Record(2, 4, 0, 1381, "Service Pack 5");

  registry.values[key] = std::string("WinNT\0", 6);
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)");
  registry.values[key] = std::string("LanmanNT\0", 9);
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT Server 4.0Service Pack 5 (Build 1381)");
  registry.values[key] = "ServerNT";  // no terminating NUL stored
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT Advanced Server 4.0Service Pack 5 (Build 1381)");
  registry.values[key] = std::string("Terminal\0", 9);
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)");
  // The text ends at its first NUL.
  registry.values[key] = std::string("WINNT\0junk", 10);
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT Workstation 4.0Service Pack 5 (Build 1381)");
  // The registry is consulted for the basic record only.
  registry.reads = 0;
  EXPECT_EQ(Extended(Record(2, 4, 0, 1381, "Service Pack 5", 1), registry),
            "Microsoft Windows NT Workstation 4.0 Service Pack 5 (Build 1381)");
  EXPECT_EQ(registry.reads, 0);
}

TEST(OsProductName, UnreadableProductTypeEndsTheTextBeforeTheEdition) {
  TFakeRegistry registry;
  const TOsVersionRecord nt4 = Record(2, 4, 0, 1381, "Service Pack 5");
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT ");  // key or value missing
  registry.values[std::string(kProductOptions) + "|ProductType"] = std::string(256, 'W');
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT ");  // longer than the buffer
  registry.values[std::string(kProductOptions) + "|ProductType"] = std::string(255, 'W');
  EXPECT_EQ(BasicOnly(nt4, registry), "Microsoft Windows NT 4.0Service Pack 5 (Build 1381)");
}

TEST(OsProductName, FailedQueries) {
  TFakeRegistry registry;
  registry.values[std::string(kProductOptions) + "|ProductType"] = "WINNT";
  EXPECT_EQ(BuildOSProductName(TFakeVersion(Record(2, 5, 1, 2600, "", 1), false, false), registry), "Unknown");
}

TEST(OsProductName, ServicePackSixAndTheHotfixKey) {
  TFakeRegistry registry;
  const std::uint32_t build = 0x00010565;  // masked to 0x0565 = 1381
  EXPECT_EQ(Extended(Record(2, 4, 0, build, "service PACK 6", 1), registry),
            "Microsoft Windows NT Workstation 4.0 service PACK 6 (Build 1381)");
  registry.keys[kHotfix] = true;
  EXPECT_EQ(Extended(Record(2, 4, 0, build, "service PACK 6", 1), registry),
            "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)");
  // Only version 4 and exactly that text.
  EXPECT_EQ(Extended(Record(2, 4, 0, build, "Service Pack 6 ", 1), registry),
            "Microsoft Windows NT Workstation 4.0 Service Pack 6  (Build 1381)");
  EXPECT_EQ(Extended(Record(2, 5, 0, build, "Service Pack 6", 1), registry),
            "Microsoft Windows 2000 Professional Service Pack 6 (Build 1381)");
  // Through the registry path as well.
  registry.values[std::string(kProductOptions) + "|ProductType"] = "WINNT";
  EXPECT_EQ(BasicOnly(Record(2, 4, 0, build, "Service Pack 6"), registry),
            "Microsoft Windows NT Workstation 4.0Service Pack 6a (Build 1381)");
}

TEST(OsDescription, FallbackChain) {
  auto fails = []() -> std::string { throw std::runtime_error("no"); };
  EXPECT_EQ(DescribeOS([] { return std::string("Microsoft Windows XP "); }, fails), "Microsoft Windows XP ");
  EXPECT_EQ(DescribeOS(fails, [] { return std::string("Windows NT Version 5.1 (Build 2600 : )"); }),
            "Windows NT Version 5.1 (Build 2600 : )");
  EXPECT_EQ(DescribeOS(fails, fails), "Microsoft Windows");
  EXPECT_EQ(DescribeOS([]() -> std::string { throw 42; }, fails), "Microsoft Windows");
}

TEST(OsDescription, OnlyTheFirstMicrosoftGoes) {
  EXPECT_EQ(RemoveFirstMicrosoft("Microsoft Windows XP "), "Windows XP ");
  EXPECT_EQ(RemoveFirstMicrosoft("Windows NT product family? "), "Windows NT product family? ");
  EXPECT_EQ(RemoveFirstMicrosoft("Unknown"), "Unknown");
  EXPECT_EQ(RemoveFirstMicrosoft("microsoft Windows"), "microsoft Windows");
  EXPECT_EQ(RemoveFirstMicrosoft("A Microsoft Microsoft B"), "A Microsoft B");
  EXPECT_EQ(RemoveFirstMicrosoft("Microsoft"), "Microsoft");
}

}  // namespace
}  // namespace vellumark
