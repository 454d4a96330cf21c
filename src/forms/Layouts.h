#pragma once

// The three windows as they are when created: every element with its
// geometry (twips), colours, captions, fonts and tab order, front to back.

#include "platform/Layout.h"

namespace forms {

platform::FormLayout ClockLayout();      // the large clock
platform::FormLayout ClockMiniLayout();  // the small clock
platform::FormLayout AboutLayout();      // the options dialog

}  // namespace forms
