// The regular-expression service: script-engine style patterns (ECMAScript
// syntax) run on Shift_JIS text. Matching works on characters, not bytes:
// pattern and subject are decoded from code page 932, and every text that
// comes back is the subject's own bytes for the matched characters.
//
// Rules that hold on every platform:
// - "^" matches only at the start of the subject and "$" only at its end
//   (there is no multi-line mode); "." matches anything but LF.
// - "\s" is exactly space, tab, LF, VT, FF and CR, "\d" is 0-9 and "\w" is
//   A-Z, a-z, 0-9 and "_" (see ClassEscapes.h), inside brackets too.
// - Ignoring case folds A-Z and a-z.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

// One object per user; not shared between threads. Compiled patterns are
// kept in the object, so running the same few patterns again and again does
// not compile them again.
class TRegExp {
 public:
  struct TMatch {
    bool matched = false;
    std::string value;                // the whole match
    std::vector<std::string> groups;  // capture groups 1..n; one that did not take part is empty
  };

  TRegExp();
  ~TRegExp();
  TRegExp(const TRegExp&) = delete;
  TRegExp& operator=(const TRegExp&) = delete;

  void SetPattern(std::string_view sjisPattern);
  void SetGlobal(bool global);
  void SetIgnoreCase(bool ignoreCase);

  // The first match in the subject. Raises TError on an engine error: a
  // pattern that does not compile, or a match too complex to finish.
  TMatch ExecuteFirst(std::string_view sjisSubject);
  // Every match (left to right, not overlapping) when Global is set,
  // otherwise at most the first. Raises like ExecuteFirst.
  std::vector<TMatch> Execute(std::string_view sjisSubject);

  // Drops the copy of the last subject kept for the next match on the same
  // text; a page fetch calls it when it is done with a response, so an idle
  // object holds no page text.
  void ForgetSubject() noexcept;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

// Runs one pattern on one text, case ignored, first match only: the text of
// capture group 1, or empty text when nothing matches, the pattern has no
// group or the group did not take part. Raises TError on an engine error.
std::string MatchFirstGroup(TRegExp& regExp, std::string_view subject, std::string_view pattern);

}  // namespace vellumark
