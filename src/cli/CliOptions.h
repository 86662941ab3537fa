// The command line of vellumark-cli: what the user asked for, as parsed from
// the arguments. Texts here are exactly as given (UTF-8); the conversion to
// the program's Shift_JIS happens when the settings are put together.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumark {

enum class TOutputEncoding { Utf8, ShiftJis };

// A date and time given with --now, "YYYY-MM-DDTHH:MM:SS" (a blank may stand
// for the "T"; the time may be left out and is then midnight).
struct TFixedTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

std::optional<TFixedTime> ParseFixedTime(std::string_view text);

inline constexpr int DefaultJobs = 8;
inline constexpr int MaxJobs = 256;

struct TCliOptions {
  // Each optional is set only when the option was given, so that options
  // given on the command line can override a settings file.
  std::optional<int> format;             // -f, --format (1..4)
  std::optional<std::string> tagTemplate;  // -t, --template
  std::optional<std::string> iniPath;    // --ini
  bool noDate = false;                   // -n, --no-date
  std::optional<std::string> dateFormat;  // --date-format
  std::optional<std::string> dateLeft;   // --date-left
  std::optional<std::string> dateRight;  // --date-right
  std::optional<TFixedTime> now;         // --now (fixed date-time, for reproducible lines)
  TOutputEncoding encoding = TOutputEncoding::Utf8;  // -e, --encoding
  int jobs = DefaultJobs;                // -j, --jobs
  std::optional<std::string> userAgent;  // --user-agent (printable ASCII)
  std::optional<std::string> acceptLanguage;  // --accept-language (printable ASCII)
  std::optional<int> deadlineSeconds;    // --deadline (1..MaxDeadlineSeconds)
  std::optional<std::string> proxy;      // --proxy (an http proxy address; empty: none)
  std::optional<std::string> noProxy;    // --noproxy (a no_proxy list)
  bool json = false;                     // --json
  bool quiet = false;                    // -q, --quiet
  bool help = false;                     // -h, --help
  bool version = false;                  // -V, --version
  std::vector<std::string> files;        // "-" stands for standard input
};

// Parses the arguments that follow the program name. A bad option, a missing
// or malformed value, a format outside 1-4, an unknown encoding, a job
// count outside 1..MaxJobs, a deadline outside 1..MaxDeadlineSeconds, a
// header value with a control character or a --proxy that is no http proxy
// address raises TError with a one-line message that names
// the problem (without the program name).
TCliOptions ParseCliOptions(const std::vector<std::string>& args);

// The encoding name as accepted by -e (letter case ignored): "utf-8"/"utf8",
// "shift_jis"/"shift-jis"/"sjis"/"cp932".
std::optional<TOutputEncoding> ParseOutputEncoding(std::string_view name);

// The text printed by --help.
std::string CliUsageText();

// The text printed by --version (the product version, without a line end).
std::string CliVersionText();

}  // namespace vellumark
