// The peak memory the test process has used so far, for tests that bound a
// hostile response: the peak resident set natively, the peak working set on
// Windows. 0 when the platform does not tell.
#pragma once

#include <cstddef>

namespace vellumark::testing {

std::size_t PeakMemoryBytes();

}  // namespace vellumark::testing
