// The hosts reached without a proxy, from a list written as curl reads
// no_proxy, NO_PROXY and --noproxy: entries separated by commas or blanks.
//
//   "*"               every host
//   "example.com"     that host and every host under it ("a.example.com",
//   ".example.com"      not "badexample.com"); letter case, one leading and
//                       one trailing dot ignored, on both sides
//   "10.1.2.3", "::1", "[::1]"           that address
//   "10.0.0.0/8", "fe80::/10"            every address in the network
//
// Entries are compared with the canonical host of the address, never with
// what it resolves to: "localhost" does not cover "127.0.0.1". A port in an
// entry ("example.com:8080", "[::1]:8080") is dropped and the entry covers
// the host on every port; an entry that is neither a host nor a network is
// ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Proxy/AddressRange.h"
#include "Url/Url.h"

namespace vellumark {

class TNoProxy {
 public:
  explicit TNoProxy(std::string_view list);

  // Whether `url` goes to its server directly.
  bool Bypasses(const TUrl& url) const;

 private:
  void AddEntry(std::string_view entry);

  bool everyHost_ = false;
  std::vector<std::string> domains_;  // canonical, without the entry's leading and trailing dot
  std::vector<TAddressRange> ranges_;
};

}  // namespace vellumark
