#include "Info/InfoForm.h"

namespace vellumark {

// The about window is not built yet; the Version button opens nothing.
void ShowInfoForm() {}

}  // namespace vellumark
