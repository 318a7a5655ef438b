#include "UsbLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace velorix::usb {

void ShowMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s", caption, text);
    std::fflush(stderr);
}

bool DebugEnabled() {
    const char* v = std::getenv("VELORIX_DEBUG");
    return v && *v && *v != '0';
}

void DebugLine(const char* format, ...) {
    if (!DebugEnabled()) return;
    va_list args;
    va_start(args, format);
    std::fputs("velorixusb: ", stderr);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

}  // namespace velorix::usb
