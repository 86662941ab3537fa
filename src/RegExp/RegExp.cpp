#include "RegExp/RegExp.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <unordered_map>

#include "Common/Codepage.h"
#include "Common/Error.h"
#include "RegExp/ClassEscapes.h"

// Boost.Regex is used header-only (its default since 1.76 in C++11 and
// later), and its matcher must keep its backtracking state on the heap: a
// recursive matcher could overflow the stack on a long page head.
#if defined(BOOST_REGEX_RECURSIVE) || !defined(BOOST_REGEX_NON_RECURSIVE)
#error "Boost.Regex must use its non-recursive matcher"
#endif

namespace vellumark {

namespace {

// A few fixed patterns are run over and over; this bounds the cache when a
// caller runs many different ones.
constexpr std::size_t kMaxCompiledPatterns = 64;

// Character index in the decoded subject -> byte offset in the Shift_JIS
// subject. The decoding gives exactly one wide character per Shift_JIS
// character, so the offset is found by walking the characters.
class TByteOffsets {
 public:
  TByteOffsets(std::string_view subject, std::size_t charCount)
      : subject_(subject), oneBytePerChar_(charCount == subject.size()) {}

  std::size_t At(std::size_t charIndex) {
    if (oneBytePerChar_) return charIndex;
    if (charIndex < charIndex_) charIndex_ = byteOffset_ = 0;
    while (charIndex_ < charIndex) {
      byteOffset_ += SjisCharLength(subject_, byteOffset_);
      ++charIndex_;
    }
    return byteOffset_;
  }

 private:
  std::string_view subject_;
  bool oneBytePerChar_;
  std::size_t charIndex_ = 0;
  std::size_t byteOffset_ = 0;
};

}  // namespace

struct TRegExp::TImpl {
  std::string pattern;
  bool global = false;
  bool ignoreCase = false;

  // Compiled patterns by ignore-case flag and pattern bytes.
  std::unordered_map<std::string, std::shared_ptr<const boost::wregex>> compiled;

  // The last subject and its decoded text: the page fetch runs several
  // patterns on the same response text.
  bool haveSubject = false;
  std::string subject;
  std::wstring subjectWide;

  std::shared_ptr<const boost::wregex> Compile() {
    std::string key(1, ignoreCase ? 'i' : 'c');
    key += pattern;
    if (const auto found = compiled.find(key); found != compiled.end()) return found->second;

    // no_mod_m: "^" and "$" match only at the ends of the subject, never
    // at a line break inside it.
    auto flags = boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_m;
    if (ignoreCase) flags |= boost::regex_constants::icase;
    std::shared_ptr<const boost::wregex> regex;
    try {
      regex = std::make_shared<const boost::wregex>(RewriteClassEscapes(SjisToWide(pattern)), flags);
    } catch (const std::exception& e) {
      throw TError(e.what());
    }
    if (compiled.size() >= kMaxCompiledPatterns) compiled.clear();
    compiled.emplace(std::move(key), regex);
    return regex;
  }

  const std::wstring& Decode(std::string_view text) {
    if (!haveSubject || subject != text) {
      haveSubject = false;  // stays false if decoding raises
      subject.assign(text);
      subjectWide = SjisToWide(subject);
      haveSubject = true;
    }
    return subjectWide;
  }

  TMatch ToMatch(const boost::wsmatch& found, TByteOffsets& offsets) const {
    // Offsets are looked up in increasing order, so one walk serves them all.
    std::vector<std::size_t> indexes;
    for (const auto& sub : found) {
      if (!sub.matched) continue;
      indexes.push_back(static_cast<std::size_t>(sub.first - subjectWide.begin()));
      indexes.push_back(static_cast<std::size_t>(sub.second - subjectWide.begin()));
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::vector<std::size_t> bytes;
    bytes.reserve(indexes.size());
    for (std::size_t index : indexes) bytes.push_back(offsets.At(index));

    const auto text = [&](const boost::wssub_match& sub) {
      if (!sub.matched) return std::string();
      const auto byteAt = [&](std::size_t index) {
        return bytes[static_cast<std::size_t>(
            std::lower_bound(indexes.begin(), indexes.end(), index) - indexes.begin())];
      };
      const std::size_t first = byteAt(static_cast<std::size_t>(sub.first - subjectWide.begin()));
      const std::size_t last = byteAt(static_cast<std::size_t>(sub.second - subjectWide.begin()));
      return subject.substr(first, last - first);
    };

    TMatch match;
    match.matched = true;
    match.value = text(found[0]);
    for (std::size_t i = 1; i < found.size(); ++i) match.groups.push_back(text(found[i]));
    return match;
  }

  // Every match when `all` is set, otherwise at most the first.
  std::vector<TMatch> Run(std::string_view sjisSubject, bool all) {
    const std::shared_ptr<const boost::wregex> regex = Compile();
    const std::wstring& wide = Decode(sjisSubject);
    TByteOffsets offsets(subject, wide.size());

    std::vector<TMatch> matches;
    try {
      if (all) {
        for (boost::wsregex_iterator it(wide.begin(), wide.end(), *regex), end; it != end; ++it) {
          matches.push_back(ToMatch(*it, offsets));
        }
      } else {
        boost::wsmatch found;
        if (boost::regex_search(wide.begin(), wide.end(), found, *regex)) {
          matches.push_back(ToMatch(found, offsets));
        }
      }
    } catch (const std::exception& e) {
      // Boost reports a match too complex to finish, or no memory left for
      // its state, as an exception; it never overflows the stack.
      throw TError(e.what());
    }
    return matches;
  }
};

TRegExp::TRegExp() : impl_(std::make_unique<TImpl>()) {}
TRegExp::~TRegExp() = default;

void TRegExp::SetPattern(std::string_view sjisPattern) { impl_->pattern.assign(sjisPattern); }
void TRegExp::SetGlobal(bool global) { impl_->global = global; }
void TRegExp::SetIgnoreCase(bool ignoreCase) { impl_->ignoreCase = ignoreCase; }

std::vector<TRegExp::TMatch> TRegExp::Execute(std::string_view sjisSubject) {
  return impl_->Run(sjisSubject, impl_->global);
}

void TRegExp::ForgetSubject() noexcept {
  impl_->haveSubject = false;
  std::string().swap(impl_->subject);
  std::wstring().swap(impl_->subjectWide);
}

TRegExp::TMatch TRegExp::ExecuteFirst(std::string_view sjisSubject) {
  std::vector<TMatch> matches = impl_->Run(sjisSubject, false);
  return matches.empty() ? TMatch{} : std::move(matches.front());
}

std::string MatchFirstGroup(TRegExp& regExp, std::string_view subject, std::string_view pattern) {
  regExp.SetPattern(pattern);
  regExp.SetGlobal(false);
  regExp.SetIgnoreCase(true);
  TRegExp::TMatch match = regExp.ExecuteFirst(subject);
  if (!match.matched || match.groups.empty()) return {};
  return std::move(match.groups.front());
}

}  // namespace vellumark
