#include "Settings/ProxySettings.h"

#include <string>

#include "Common/Codepage.h"

namespace vellumark {

std::optional<TIniProxy> ReadProxySettings(TProfileStore& store) {
  // The file holds the program's Shift_JIS text; the address parser reads
  // UTF-8 (a host name may be written in Japanese).
  TIniProxy proxy{SjisToUtf8(ReadProfileText(store, ProxySection, "Address", "")),
                  SjisToUtf8(ReadProfileText(store, ProxySection, "Bypass", ""))};
  if (proxy.address.empty()) return std::nullopt;
  return proxy;
}

}  // namespace vellumark
