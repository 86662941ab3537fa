// The user name and password Windows' Credential Manager keeps for a proxy,
// so the window can sign in to a Basic proxy without a password field:
//
//   cmdkey /generic:Vellumark:proxy:<host>:<port> /user:<name> /pass:<password>
#pragma once

#include <optional>
#include <string>

#include "Proxy/ProxyAddress.h"

namespace vellumark {

struct TStoredCredential {
  std::string username;  // UTF-8
  std::string password;  // UTF-8; never shown
};

// The target name under which the credential for `proxy` is kept:
// "Vellumark:proxy:<host>:<port>" (an IPv6 host in brackets).
std::string StoredCredentialTarget(const TProxy& proxy);

// The generic credential kept under StoredCredentialTarget(proxy), or
// nothing when there is none (always nothing but on Windows).
std::optional<TStoredCredential> ReadStoredCredential(const TProxy& proxy);

}  // namespace vellumark
