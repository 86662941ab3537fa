#include "cli/CliOptions.h"

#include <array>
#include <cstddef>

#include "Common/AsciiCase.h"
#include "Common/Error.h"
#include "Links/RequestText.h"
#include "Proxy/ProxyAddress.h"
#include "cli/CliMessage.h"

#ifndef VELLUMARK_VERSION
#define VELLUMARK_VERSION "0.6.9.19"
#endif

namespace vellumark {

namespace {


// Plain decimal digits only, no sign, no blanks: option values are typed by
// people and scripts, and "1x" or " 3" is more likely a slip than a wish.
std::optional<int> ParseSmallDecimal(std::string_view text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsDigitsOnly(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The message for a value that must be a number from `low` to `high`: a
// number outside the range, or no number at all.
TError RangeError(std::string_view what, std::string_view value, int low, int high) {
  const std::string range = std::to_string(low) + "-" + std::to_string(high);
  return TError(std::string(what) + " " + QuotedForMessage(value) +
                (IsDigitsOnly(value) ? " is outside " : " is not a number ") + range);
}

std::optional<int> ParseDigits(std::string_view text, std::size_t count) {
  if (text.size() != count) return std::nullopt;
  return ParseSmallDecimal(text);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// The options that take a value, by their long name, with their short letter
// (0 when they have none).
struct TValueOption {
  std::string_view longName;
  char shortName;
};
constexpr std::array<TValueOption, 14> kValueOptions = {{
    {"format", 'f'},
    {"template", 't'},
    {"ini", 0},
    {"date-format", 0},
    {"date-left", 0},
    {"date-right", 0},
    {"now", 0},
    {"encoding", 'e'},
    {"jobs", 'j'},
    {"user-agent", 0},
    {"accept-language", 0},
    {"deadline", 0},
    {"proxy", 0},
    {"noproxy", 0},
}};

struct TFlagOption {
  std::string_view longName;
  char shortName;
};
constexpr std::array<TFlagOption, 5> kFlagOptions = {{
    {"no-date", 'n'},
    {"json", 0},
    {"quiet", 'q'},
    {"help", 'h'},
    {"version", 'V'},
}};

void ApplyValue(TCliOptions& options, std::string_view name, const std::string& value) {
  if (name == "format") {
    const auto n = ParseSmallDecimal(value);
    if (!n || *n < 1 || *n > 4) throw RangeError("format", value, 1, 4);
    options.format = *n;
  } else if (name == "template") {
    options.tagTemplate = value;
  } else if (name == "ini") {
    if (value.empty()) throw TError("option --ini needs a file name");
    options.iniPath = value;
  } else if (name == "date-format") {
    options.dateFormat = value;
  } else if (name == "date-left") {
    options.dateLeft = value;
  } else if (name == "date-right") {
    options.dateRight = value;
  } else if (name == "now") {
    const auto t = ParseFixedTime(value);
    if (!t) throw TError("date-time " + QuotedForMessage(value) + " is not of the form YYYY-MM-DDTHH:MM:SS");
    options.now = *t;
  } else if (name == "encoding") {
    const auto e = ParseOutputEncoding(value);
    if (!e) throw TError("unknown encoding " + QuotedForMessage(value) + " (use utf-8 or shift_jis)");
    options.encoding = *e;
  } else if (name == "jobs") {
    const auto n = ParseSmallDecimal(value);
    if (!n || *n < 1 || *n > MaxJobs) throw RangeError("job count", value, 1, MaxJobs);
    options.jobs = *n;
  } else if (name == "user-agent" || name == "accept-language") {
    // A header value: a line break or another control character would end
    // the header line and start one of the user's making.
    if (!IsHeaderValueText(value)) {
      throw TError("--" + std::string(name) + " takes printable ASCII text, not " + QuotedForMessage(value));
    }
    (name == "user-agent" ? options.userAgent : options.acceptLanguage) = value;
  } else if (name == "deadline") {
    const auto n = ParseSmallDecimal(value);
    if (!n || *n < 1 || *n > MaxDeadlineSeconds) throw RangeError("deadline", value, 1, MaxDeadlineSeconds);
    options.deadlineSeconds = *n;
  } else if (name == "proxy") {
    // The value is not repeated: it may carry a password.
    if (!value.empty() && !ParseProxyAddress(value)) {
      throw TError("--proxy takes an http proxy address: host:port or http://[user:password@]host:port");
    }
    options.proxy = value;
  } else if (name == "noproxy") {
    options.noProxy = value;
  }
}

void ApplyFlag(TCliOptions& options, std::string_view name) {
  if (name == "no-date") options.noDate = true;
  else if (name == "json") options.json = true;
  else if (name == "quiet") options.quiet = true;
  else if (name == "help") options.help = true;
  else if (name == "version") options.version = true;
}

const TValueOption* FindValueOption(std::string_view longName) {
  for (const auto& o : kValueOptions) {
    if (o.longName == longName) return &o;
  }
  return nullptr;
}
const TValueOption* FindValueOption(char shortName) {
  for (const auto& o : kValueOptions) {
    if (o.shortName != 0 && o.shortName == shortName) return &o;
  }
  return nullptr;
}
const TFlagOption* FindFlagOption(std::string_view longName) {
  for (const auto& o : kFlagOptions) {
    if (o.longName == longName) return &o;
  }
  return nullptr;
}
const TFlagOption* FindFlagOption(char shortName) {
  for (const auto& o : kFlagOptions) {
    if (o.shortName != 0 && o.shortName == shortName) return &o;
  }
  return nullptr;
}

}  // namespace

std::optional<TOutputEncoding> ParseOutputEncoding(std::string_view name) {
  if (EqualsIgnoreCase(name, "utf-8") || EqualsIgnoreCase(name, "utf8")) {
    return TOutputEncoding::Utf8;
  }
  if (EqualsIgnoreCase(name, "shift_jis") || EqualsIgnoreCase(name, "shift-jis") ||
      EqualsIgnoreCase(name, "sjis") || EqualsIgnoreCase(name, "cp932")) {
    return TOutputEncoding::ShiftJis;
  }
  return std::nullopt;
}

std::optional<TFixedTime> ParseFixedTime(std::string_view text) {
  // YYYY-MM-DD, optionally followed by "T" or a blank and HH:MM:SS.
  if (text.size() != 10 && text.size() != 19) return std::nullopt;
  if (text[4] != '-' || text[7] != '-') return std::nullopt;
  TFixedTime t;
  const auto year = ParseDigits(text.substr(0, 4), 4);
  const auto month = ParseDigits(text.substr(5, 2), 2);
  const auto day = ParseDigits(text.substr(8, 2), 2);
  if (!year || !month || !day) return std::nullopt;
  t.year = *year;
  t.month = *month;
  t.day = *day;
  if (t.year < 1 || t.month < 1 || t.month > 12) return std::nullopt;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return std::nullopt;
  if (text.size() == 19) {
    if ((text[10] != 'T' && text[10] != ' ') || text[13] != ':' || text[16] != ':') {
      return std::nullopt;
    }
    const auto hour = ParseDigits(text.substr(11, 2), 2);
    const auto minute = ParseDigits(text.substr(14, 2), 2);
    const auto second = ParseDigits(text.substr(17, 2), 2);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
      return std::nullopt;
    }
    t.hour = *hour;
    t.minute = *minute;
    t.second = *second;
  }
  return t;
}

TCliOptions ParseCliOptions(const std::vector<std::string>& args) {
  TCliOptions options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg.starts_with("--")) {
      std::string_view body = std::string_view(arg).substr(2);
      std::optional<std::string> inlineValue;
      if (const auto eq = body.find('='); eq != std::string_view::npos) {
        inlineValue = std::string(body.substr(eq + 1));
        body = body.substr(0, eq);
      }
      if (const TValueOption* option = FindValueOption(body)) {
        std::string value;
        if (inlineValue) {
          value = *inlineValue;
        } else if (i + 1 < args.size()) {
          value = args[++i];
        } else {
          throw TError("option --" + std::string(body) + " needs a value");
        }
        ApplyValue(options, option->longName, value);
      } else if (const TFlagOption* flag = FindFlagOption(body)) {
        if (inlineValue) throw TError("option --" + std::string(body) + " takes no value");
        ApplyFlag(options, flag->longName);
      } else {
        throw TError("unknown option " + QuotedForMessage("--" + std::string(body)) + " (try --help)");
      }
      continue;
    }
    // One or more short options: flags may be bundled ("-nq"); a letter that
    // takes a value takes the rest of the argument, or the next argument.
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const char letter = arg[k];
      if (const TValueOption* option = FindValueOption(letter)) {
        std::string value;
        if (k + 1 < arg.size()) {
          value = arg.substr(k + 1);
        } else if (i + 1 < args.size()) {
          value = args[++i];
        } else {
          throw TError(std::string("option -") + letter + " needs a value");
        }
        ApplyValue(options, option->longName, value);
        break;
      }
      if (const TFlagOption* flag = FindFlagOption(letter)) {
        ApplyFlag(options, flag->longName);
        continue;
      }
      throw TError("unknown option " + QuotedForMessage(std::string("-") + letter) + " (try --help)");
    }
  }
  if (options.json && options.encoding == TOutputEncoding::ShiftJis) {
    throw TError("--json writes UTF-8 and cannot be combined with --encoding shift_jis");
  }
  return options;
}

std::string CliVersionText() { return VELLUMARK_VERSION; }

std::string CliUsageText() {
  return "Usage: vellumark-cli [OPTIONS] [FILE...]\n"
         "Reads page addresses, one per line, from the FILEs (or standard input;\n"
         "\"-\" stands for it), fetches every page and writes one HTML link tag\n"
         "line per address to standard output, in input order. A browser's bookmark\n"
         "export (HTML) gives its http and https links instead of its lines.\n"
         "\n"
         "Tags:\n"
         "  -f, --format N        template N of the four (1-4, default 1)\n"
         "  -t, --template TEXT   a template of your own (instead of -f); placeholders\n"
         "                        #URL# #HOST# #PAGE# #STATUS# #CONTENTTYPE# #CHARSET#\n"
         "                        #TITLE# #DESCRIPTION# (letter case ignored)\n"
         "      --ini FILE        take the four templates, the chosen format, the\n"
         "                        date settings and the [Request] section from a\n"
         "                        Vellumark.ini; options given here still win\n"
         "Date suffix:\n"
         "  -n, --no-date         no date suffix\n"
         "      --date-format PAT date pattern (default \"YYYY/MM/DD\")\n"
         "      --date-left TEXT  text before the date (default \":[\")\n"
         "      --date-right TEXT text after the date (default \"]\")\n"
         "      --now DATETIME    use YYYY-MM-DDTHH:MM:SS instead of the clock\n"
         "Request:\n"
         "      --user-agent TEXT the User-Agent header (default \"Mozilla/5.0\n"
         "                        (compatible; Vellumark/VERSION)\"; empty: none)\n"
         "      --accept-language TEXT  the Accept-Language header (default\n"
         "                        \"ja,en;q=0.8\"; empty: none)\n"
         "      --deadline SECONDS  the longest one address may take, redirects\n"
         "                        and all (1-86400, default 30)\n"
         "      --proxy URL       go through this http proxy, over http_proxy,\n"
         "                        https_proxy and all_proxy (http://[user:password@]\n"
         "                        host[:port], port 1080 by default; empty: none)\n"
         "      --noproxy LIST    hosts reached directly, over no_proxy (names,\n"
         "                        IP addresses, CIDR ranges, comma-separated; *: all)\n"
         "Output:\n"
         "  -e, --encoding ENC    utf-8 (default; lines end in LF) or shift_jis\n"
         "                        (the bytes Vellumark.exe copies; lines end in CR LF)\n"
         "      --json            one JSON object per address with every field of\n"
         "                        the fetch (UTF-8), instead of tags\n"
         "  -j, --jobs N          fetch up to N addresses at once (1-256, default 8)\n"
         "  -q, --quiet           no progress counter on standard error\n"
         "  -h, --help            show this help\n"
         "  -V, --version         show the version\n"
         "\n"
         "Input addresses and texts given here are UTF-8. Exit status: 0 when every\n"
         "line was processed (a page that cannot be fetched still gives its line),\n"
         "2 for a bad option, an unreadable file or settings file.\n";
}

}  // namespace vellumark
