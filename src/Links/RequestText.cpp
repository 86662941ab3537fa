#include "Links/RequestText.h"

#include "Reply/ReplyDecoder.h"

#ifndef VELLUMARK_VERSION
#error "VELLUMARK_VERSION names the program's version (set by src/Links/CMakeLists.txt)"
#endif

namespace vellumark {

namespace {

void AddHeader(std::string& request, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  request += name;
  request += ": ";
  request += value;
  request += "\r\n";
}

}  // namespace

std::string DefaultUserAgent() { return "Mozilla/5.0 (compatible; Vellumark/" VELLUMARK_VERSION ")"; }

bool IsHeaderValueText(std::string_view value) {
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte != '\t' && (byte < 0x20 || byte > 0x7E)) return false;
  }
  return true;
}

std::string BuildRequestText(const TUrl& url, const TRequestSettings& settings,
                             std::string_view authorization, std::string_view cookie, bool toProxy) {
  const std::string target =
      toProxy && !url.Secure() ? "http://" + url.HostAndPort() + url.RequestTarget() : url.RequestTarget();
  std::string request;
  request.reserve(target.size() + settings.userAgent.size() + authorization.size() + cookie.size() + 256);
  request += "GET ";
  request += target;
  request += " HTTP/1.1\r\n";
  AddHeader(request, "Host", url.HostAndPort());
  AddHeader(request, "Connection", "close");
  // A setting that is no header value text is left out: it could end the
  // line. (The cookie jar refuses control characters itself, and keeps the
  // bytes a site set, whatever they are, as browsers do.)
  if (IsHeaderValueText(settings.userAgent)) AddHeader(request, "User-Agent", settings.userAgent);
  AddHeader(request, "Accept", AcceptedMediaTypes);
  if (IsHeaderValueText(settings.acceptLanguage)) AddHeader(request, "Accept-Language", settings.acceptLanguage);
  AddHeader(request, "Accept-Encoding", AcceptedEncodings());
  AddHeader(request, "Authorization", authorization);
  AddHeader(request, "Cookie", cookie);
  request += "\r\n";
  return request;
}

}  // namespace vellumark
