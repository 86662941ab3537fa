#include "Settings/ProxySettings.h"

#include <string>

namespace vellumark {

std::optional<TIniProxy> ReadProxySettings(TProfileStore& store) {
  TIniProxy proxy{ReadProfileText(store, ProxySection, "Address", ""),
                  ReadProfileText(store, ProxySection, "Bypass", "")};
  if (proxy.address.empty()) return std::nullopt;
  return proxy;
}

}  // namespace vellumark
