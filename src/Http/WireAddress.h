// What goes on the wire for an address as people paste it, while what the
// user sees (URL, Host, Page) keeps the text as typed:
//
// - the blanks (spaces, tabs) around the address are not part of it;
// - the fragment, from the first '#' on, is never sent;
// - in the request target every byte that is not printable ASCII, and the
//   space, goes out as %XX (upper-case hex); text the user typed is first
//   turned from Shift_JIS into UTF-8, bytes a server sent are taken as they
//   are (servers send UTF-8); a '%' is never encoded, so an address that is
//   already percent-encoded goes out unchanged;
// - a host name with a non-ASCII character goes out in its ASCII form
//   (IDNA), for the lookup, the HOST line and TLS's server name.
//
// A plain ASCII address (printable, no blank, no '#') goes out byte for byte
// as written: none of these steps changes it.
#pragma once

#include <string>
#include <string_view>

namespace vellumark {

// Where an address text came from, which decides how its non-ASCII bytes
// are read.
enum class TAddressOrigin {
  Typed,   // the user's address list: Shift_JIS
  Server,  // a redirect target from a Location header: UTF-8, byte for byte
};

// The address without the spaces and tabs at its start and end.
std::string_view TrimAddressBlanks(std::string_view address);

// `text` up to its first '#'.
std::string_view WithoutFragment(std::string_view text);

// The request target for a page text: without its fragment, typed text in
// UTF-8, every byte that is not printable ASCII (0x21-0x7E) as %XX.
std::string RequestTarget(std::string_view page, TAddressOrigin origin);

// The ASCII form of a host text for the lookup, the HOST line and TLS's
// server name. A host text of ASCII bytes only is returned unchanged. In any
// other, the name goes through IDNA (typed text turned into UTF-8 first) and
// a ":" with digits at its end, a port, is kept as written; the name must
// come out as a usable host name: printable ASCII without the characters a
// browser refuses in a host (" #%/:<>?@[\]^|"). Throws TError
// "[<host>] IS INVALID ADDRSS." with `host` as given when it does not.
std::string WireHost(std::string_view host, TAddressOrigin origin);

}  // namespace vellumark
