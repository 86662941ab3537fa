// The request a page fetch sends, and the settings that shape it: an
// HTTP/1.1 GET that asks the server to close the connection after the one
// reply, with the headers a current browser sends in the same order (Host
// first), under an honest tool name.
#pragma once

#include <string>
#include <string_view>

#include "Url/Url.h"

namespace vellumark {

// "Mozilla/5.0 (compatible; Vellumark/<version>)": the form bot checks and
// "unsupported browser" pages leave alone, with the program's version.
std::string DefaultUserAgent();

inline constexpr std::string_view DefaultAcceptLanguage = "ja,en;q=0.8";
inline constexpr std::string_view AcceptedMediaTypes = "text/html,application/xhtml+xml;q=0.9,*/*;q=0.8";

// The longest an address may take, redirects and all, unless set otherwise.
inline constexpr int DefaultDeadlineSeconds = 30;
inline constexpr int MaxDeadlineSeconds = 24 * 60 * 60;

// What the user may set about the request ([Request] in Vellumark.ini,
// vellumark-cli's options). An empty User-Agent or Accept-Language leaves
// that header out.
struct TRequestSettings {
  std::string userAgent = DefaultUserAgent();
  std::string acceptLanguage{DefaultAcceptLanguage};
  int deadlineSeconds = DefaultDeadlineSeconds;
};

// Whether `value` may stand in a header line as it is: printable ASCII and
// tabs only, so a setting can never end the line and add headers of its own.
bool IsHeaderValueText(std::string_view value);

// The request for a parsed address: its target, the Host line (the
// canonical host, ":port" only for a port other than the scheme's default),
// the settings' headers and, when not empty, the values of Authorization and
// Cookie (the jar's own, control characters already refused). A setting
// that is no header value text is left out. A plain-http request that goes
// to a proxy (`toProxy`) names the page in absolute form,
// "GET http://host/page HTTP/1.1"; an https one goes through a tunnel and
// is the same as without a proxy.
std::string BuildRequestText(const TUrl& url, const TRequestSettings& settings,
                             std::string_view authorization = {}, std::string_view cookie = {},
                             bool toProxy = false);

}  // namespace vellumark
