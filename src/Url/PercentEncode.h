// The byte level of addresses: UTF-8 well-formedness, and the URL Standard's
// percent-encode sets. Every set holds the C0 controls and every byte above
// "~" (so non-ASCII text always goes out as UTF-8 %XX, upper-case hex), and
// none holds "%": a "%" the text already has is never encoded again.
#pragma once

#include <string>
#include <string_view>

namespace vellumark::url {

enum class TEncodeSet {
  Fragment,      // C0 controls and space " < > `
  SpecialQuery,  // C0 controls and space " # < > '  (http and https queries)
  Path,          // the query's set without ' and with ? ^ ` { }
  Userinfo,      // the path's set and / : ; = @ [ \ ] |
};

// Appends `c` to `out`, as "%XX" when `set` holds it.
void AppendEncoded(std::string& out, char c, TEncodeSet set);

// `text` with each "%XX" (two hex digits) replaced by its byte; a "%" not
// followed by two hex digits stays as it is.
std::string PercentDecode(std::string_view text);

// Whether `text` is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text);

}  // namespace vellumark::url
