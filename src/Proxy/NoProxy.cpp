#include "Proxy/NoProxy.h"

#include <algorithm>

#include "Url/Host.h"

namespace vellumark {

namespace {

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view WithoutTrailingDot(std::string_view host) {
  if (host.ends_with('.')) host.remove_suffix(1);
  return host;
}

}  // namespace

TNoProxy::TNoProxy(std::string_view list) {
  for (std::size_t start = 0; start < list.size();) {
    std::size_t end = start;
    while (end < list.size() && !IsSeparator(list[end])) ++end;
    if (end > start) AddEntry(list.substr(start, end - start));
    start = end + 1;
  }
}

void TNoProxy::AddEntry(std::string_view entry) {
  if (entry == "*") {
    everyHost_ = true;
    return;
  }
  std::string host;
  if (entry.starts_with('[')) {
    // "[v6]", "[v6]/bits", "[v6/bits]", "[v6]:port".
    const auto close = entry.find(']');
    if (close == std::string_view::npos) return;
    host = entry.substr(1, close - 1);
    const std::string_view after = entry.substr(close + 1);
    if (after.starts_with('/')) {
      host += after;
    } else if (!after.empty() && !after.starts_with(':')) {
      return;
    }
  } else if (std::count(entry.begin(), entry.end(), ':') == 1) {
    host = entry.substr(0, entry.find(':'));  // "name:port", "v4:port"
  } else {
    host = entry;  // a name, v4 or v6, with or without "/bits"
  }

  if (auto range = TAddressRange::Parse(host)) {
    ranges_.push_back(*range);
    return;
  }
  // A leading dot belongs to the list ("and the hosts under it"), a trailing
  // one to the host, where it decides whether the last label is a number:
  // the first goes before parsing, the second after, as from the address.
  const std::string_view name = host.starts_with('.') ? std::string_view(host).substr(1) : std::string_view(host);
  if (name.empty()) return;
  const auto parsed = url::ParseHost(name);
  if (!parsed || parsed->kind != THostKind::Domain) return;
  const std::string_view domain = WithoutTrailingDot(parsed->text);
  if (!domain.empty()) domains_.emplace_back(domain);
}

bool TNoProxy::Bypasses(const TUrl& url) const {
  if (everyHost_) return true;
  if (url.hostKind != THostKind::Domain) {
    return std::any_of(ranges_.begin(), ranges_.end(),
                       [&](const TAddressRange& range) { return range.Contains(url.host, url.hostKind); });
  }
  const std::string_view host = WithoutTrailingDot(url.host);
  return std::any_of(domains_.begin(), domains_.end(), [&](const std::string& domain) {
    return host == domain ||
           (host.size() > domain.size() && host.ends_with(domain) && host[host.size() - domain.size() - 1] == '.');
  });
}

}  // namespace vellumark
