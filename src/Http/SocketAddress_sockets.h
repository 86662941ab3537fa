// Between the socket layer's endpoints (TAddress) and the sockets API's
// address records, which BSD sockets and Windows Sockets lay out alike. For
// Socket_posix.cpp and Socket_win32.cpp only: it needs their platform headers
// (sockaddr_in6, addrinfo, htons) included first.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "Http/Socket.h"

namespace vellumark::socketapi {

// The platform's form of an endpoint, in `storage`; returns its length.
inline int ToSockaddr(const TAddress& address, sockaddr_storage& storage) {
  storage = {};
  if (address.family == TFamily::IPv6) {
    auto& target = reinterpret_cast<sockaddr_in6&>(storage);
    target.sin6_family = AF_INET6;
    target.sin6_port = htons(address.port);
    std::memcpy(&target.sin6_addr, address.bytes.data(), sizeof target.sin6_addr);
    target.sin6_scope_id = address.scopeId;
    return sizeof target;
  }
  auto& target = reinterpret_cast<sockaddr_in&>(storage);
  target.sin_family = AF_INET;
  target.sin_port = htons(address.port);
  std::memcpy(&target.sin_addr, address.bytes.data(), sizeof target.sin_addr);
  return sizeof target;
}

// A getaddrinfo result as an endpoint at `port`; none for another family.
inline std::optional<TAddress> FromAddrinfo(const addrinfo& entry, std::uint16_t port) {
  TAddress address;
  address.port = port;
  if (entry.ai_family == AF_INET6 && entry.ai_addrlen >= sizeof(sockaddr_in6)) {
    sockaddr_in6 source{};
    std::memcpy(&source, entry.ai_addr, sizeof source);
    address.family = TFamily::IPv6;
    std::memcpy(address.bytes.data(), &source.sin6_addr, sizeof source.sin6_addr);
    address.scopeId = source.sin6_scope_id;
    return address;
  }
  if (entry.ai_family == AF_INET && entry.ai_addrlen >= sizeof(sockaddr_in)) {
    sockaddr_in source{};
    std::memcpy(&source, entry.ai_addr, sizeof source);
    std::memcpy(address.bytes.data(), &source.sin_addr, sizeof source.sin_addr);
    return address;
  }
  return std::nullopt;
}

}  // namespace vellumark::socketapi
