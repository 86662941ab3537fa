// The request settings a user may keep in Vellumark.ini, in a [Request]
// section that both front ends read and neither writes (the user edits it):
//
//   [Request]
//   UserAgent=Mozilla/5.0 (compatible; Vellumark/0.6.9.19)
//   AcceptLanguage=ja,en;q=0.8
//   DeadlineSeconds=30
#pragma once

#include "Links/RequestText.h"
#include "Settings/ControlState.h"

namespace vellumark {

inline constexpr const char* RequestSection = "Request";

// Reads the section over `settings`: each value that is present and usable
// replaces the one there. An empty UserAgent or AcceptLanguage leaves that
// header out; a value with a control or non-ASCII character, or a deadline
// that is no number from 1 to MaxDeadlineSeconds, is ignored.
void ReadRequestSettings(TProfileStore& store, TRequestSettings& settings);

}  // namespace vellumark
