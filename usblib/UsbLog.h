#pragma once

namespace velorix::usb {

// The library has no user interface: its messages go to stderr as
// "<caption>: <text>".
void ShowMessage(const char* caption, const char* text);

// Diagnostic timing lines, written to stderr only when VELORIX_DEBUG is set.
bool DebugEnabled();
void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace velorix::usb
