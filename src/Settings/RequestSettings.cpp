#include "Settings/RequestSettings.h"

#include <string>

namespace vellumark {

namespace {

void ReadHeaderValue(TProfileStore& store, const char* key, std::string& value) {
  const std::string stored = ReadProfileText(store, RequestSection, key, value);
  if (IsHeaderValueText(stored)) value = stored;
}

}  // namespace

void ReadRequestSettings(TProfileStore& store, TRequestSettings& settings) {
  ReadHeaderValue(store, "UserAgent", settings.userAgent);
  ReadHeaderValue(store, "AcceptLanguage", settings.acceptLanguage);
  const int seconds = ReadProfileInteger(store, RequestSection, "DeadlineSeconds", settings.deadlineSeconds);
  if (seconds >= 1 && seconds <= MaxDeadlineSeconds) settings.deadlineSeconds = seconds;
}

}  // namespace vellumark
