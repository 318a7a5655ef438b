#pragma once

namespace velorix {

// The application's double-click time. While a captioned button or a check
// box has the focus it is 50 ms, so that two quick clicks on it are two
// clicks; the displays and the readout give the platform's own time back as
// soon as the pointer moves over them.
void UseFastClicks();
// Back to the platform's double-click time (-1 is stored: 0 would make
// double clicks impossible).
void RestoreDoubleClickTime();

}  // namespace velorix
