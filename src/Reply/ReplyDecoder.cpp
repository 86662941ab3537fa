#include "Reply/ReplyDecoder.h"

#include <algorithm>
#include <optional>

#include "Common/AsciiCase.h"
#include "Http/ReplyHead.h"

namespace vellumark {

namespace {

constexpr std::string_view kHttp = "HTTP/";

// The most one content coding hands to the next at a time.
constexpr std::size_t kBetweenSize = 16 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The elements of the comma-separated lists in every `name` field of `head`,
// in order, blanks trimmed, in lower case; empty elements skipped.
std::vector<std::string> ListElements(std::string_view head, std::string_view name) {
  std::vector<std::string> elements;
  for (std::string_view value : HeaderValues(head, name)) {
    while (!value.empty()) {
      const std::size_t comma = value.find(',');
      std::string_view element = value.substr(0, comma);
      value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
      while (!element.empty() && IsBlank(element.front())) element.remove_prefix(1);
      while (!element.empty() && IsBlank(element.back())) element.remove_suffix(1);
      if (element.empty()) continue;
      std::string& lowered = elements.emplace_back(element);
      std::transform(lowered.begin(), lowered.end(), lowered.begin(), AsciiLower);
    }
  }
  return elements;
}

// The body length Content-Length gives: every value (and every element of a
// list value) must be the same decimal number, or there is none and the
// body runs until the connection closes.
std::optional<std::size_t> ContentLength(std::string_view head) {
  std::optional<std::size_t> length;
  for (const std::string& element : ListElements(head, "Content-Length")) {
    std::size_t value = 0;
    for (const char c : element) {
      if (c < '0' || c > '9' || value > (std::string::npos - 9) / 10) return std::nullopt;
      value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (length && *length != value) return std::nullopt;
    length = value;
  }
  return length;
}

// A coding name from a server as a message shows it: one short line of
// printable ASCII.
std::string Shown(std::string_view name) {
  constexpr std::size_t kMost = 40;
  std::string shown(name.substr(0, kMost));
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  if (name.size() > kMost) shown += "...";
  return shown;
}

}  // namespace

std::string_view AcceptedEncodings() {
#ifdef VELLUMARK_HAVE_BROTLI
  return "gzip, deflate, br";
#else
  return "gzip, deflate";
#endif
}

TReplyDecoder::TReplyDecoder(std::size_t cap) : cap_(cap) {}

bool TReplyDecoder::Feed(std::string_view data, std::string& text) {
  while (!data.empty()) {
    switch (phase_) {
      case TPhase::Head: ReadHead(data, text); break;
      case TPhase::Body: ReadBody(data, text); break;
      case TPhase::PassThrough:
        PassThrough(data, text);
        data = {};
        break;
      case TPhase::Done:
      case TPhase::Failed: data = {}; break;
    }
  }
  return phase_ == TPhase::Head || phase_ == TPhase::Body || phase_ == TPhase::PassThrough;
}

void TReplyDecoder::Finish(std::string& text) {
  if (phase_ != TPhase::Head || head_.empty()) return;
  std::string kept;
  kept.swap(head_);
  PassThrough(kept, text);
  phase_ = TPhase::Done;
}

bool TReplyDecoder::Append(std::string_view data, std::string& text) const {
  text.append(data.substr(0, cap_ - std::min(cap_, text.size())));
  return text.size() < cap_;
}

void TReplyDecoder::PassThrough(std::string_view data, std::string& text) {
  phase_ = Append(data, text) ? TPhase::PassThrough : TPhase::Done;
}

void TReplyDecoder::ReadHead(std::string_view& data, std::string& text) {
  // The head waits in head_ (at most what `text` has room for) until it is
  // complete; only then is it known to be the final one.
  const std::size_t room = cap_ - std::min(cap_, text.size());
  const std::size_t before = head_.size();
  const std::size_t taken = std::min(data.size(), room > before ? room - before : 0);
  head_.append(data.substr(0, taken));

  const std::size_t checked = std::min(head_.size(), kHttp.size());
  const bool reply = std::string_view(head_).substr(0, checked) == kHttp.substr(0, checked);
  std::size_t length = std::string::npos;
  if (reply) {
    // Only an end that involves the new bytes can be new: the search starts
    // two bytes before them ("\n\r\n" is the longest end).
    const std::size_t from = before >= 2 ? before - 2 : 0;
    length = HeadLength(std::string_view(head_).substr(from));
    if (length != std::string::npos) length += from;
  }

  if (length == std::string::npos) {
    data.remove_prefix(taken);
    if (reply && head_.size() < room) return;
    // Not a reply head, or no end of head within the cap: everything as it came.
    std::string kept;
    kept.swap(head_);
    PassThrough(kept, text);
    return;
  }

  data.remove_prefix(length - before);
  head_.resize(length);
  const int status = HeadStatusCode(head_);
  if (status >= 100 && status <= 199) {
    head_.clear();  // an interim reply: the final one follows
    return;
  }
  text.append(head_);
  bodyStart_ = text.size();
  StartBody(head_, text);
  std::string().swap(head_);
}

void TReplyDecoder::StartBody(std::string_view head, std::string& text) {
  phase_ = TPhase::Done;
  const int status = HeadStatusCode(head);
  if (status == 204 || status == 304) return;

  // Chunked when it is the last transfer coding; any other transfer coding
  // leaves the body running until the connection closes, as does a missing
  // or contradictory Content-Length.
  const std::vector<std::string> transfer = ListElements(head, "Transfer-Encoding");
  if (!transfer.empty()) {
    framing_ = transfer.back() == "chunked" ? TFraming::Chunked : TFraming::UntilClose;
  } else if (const std::optional<std::size_t> length = ContentLength(head)) {
    if (*length == 0) return;
    framing_ = TFraming::Length;
    lengthLeft_ = *length;
  }

  // Codings are undone last applied first.
  const std::vector<std::string> codings = ListElements(head, "Content-Encoding");
  for (auto coding = codings.rbegin(); coding != codings.rend(); ++coding) {
    if (*coding == "identity") continue;
    if (codings_.size() == MaxContentCodings) {
      Fail("the page came in more content codings than Vellumark undoes (" + std::to_string(MaxContentCodings) +
               ")",
           text);
      return;
    }
    std::unique_ptr<TContentDecoder> decoder = MakeContentDecoder(*coding);
    if (!decoder) {
      Fail("the page came in a content coding Vellumark cannot decode: " + Shown(*coding), text);
      return;
    }
    codings_.push_back(std::move(decoder));
  }
  if (text.size() < cap_) phase_ = TPhase::Body;
}

void TReplyDecoder::ReadBody(std::string_view& data, std::string& text) {
  if (framing_ == TFraming::Chunked) {
    std::string_view body;
    const TChunkedDecoder::TResult result = chunked_.Read(data, body);
    if (!body.empty()) Decode(0, body, text);
    if (phase_ != TPhase::Body) return;
    if (result == TChunkedDecoder::TResult::End) phase_ = TPhase::Done;
    if (result == TChunkedDecoder::TResult::Broken) Fail("the reply's chunked framing is broken", text);
    return;
  }
  std::string_view body = data;
  if (framing_ == TFraming::Length) {
    body = data.substr(0, lengthLeft_);
    lengthLeft_ -= body.size();
  }
  data.remove_prefix(body.size());
  Decode(0, body, text);
  if (phase_ == TPhase::Body && framing_ == TFraming::Length && lengthLeft_ == 0) phase_ = TPhase::Done;
}

void TReplyDecoder::Decode(std::size_t index, std::string_view data, std::string& text) {
  if (index == codings_.size()) {
    if (!Append(data, text)) phase_ = TPhase::Done;
    return;
  }
  TContentDecoder& coding = *codings_[index];
  const bool last = index + 1 == codings_.size();
  std::string& out = last ? text : between_[index];
  for (;;) {
    if (!last) out.clear();
    const TDecodeStep step = coding.Decode(data, out, last ? cap_ : kBetweenSize);
    if (!last && !out.empty()) Decode(index + 1, out, text);
    if (last && text.size() >= cap_) phase_ = TPhase::Done;
    if (phase_ != TPhase::Body) return;
    switch (step) {
      case TDecodeStep::End: phase_ = TPhase::Done; return;
      case TDecodeStep::Damaged:
        Fail("the reply's " + std::string(coding.Name()) + " data is damaged", text);
        return;
      case TDecodeStep::NeedInput: return;
      case TDecodeStep::OutputFull: break;  // more output from the same input
    }
  }
}

void TReplyDecoder::Fail(std::string message, std::string& text) {
  failure_ = std::move(message);
  if (bodyStart_ != std::string::npos && text.size() > bodyStart_) text.resize(bodyStart_);
  phase_ = TPhase::Failed;
}

}  // namespace vellumark
