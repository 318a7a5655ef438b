#pragma once

namespace velorix::test {

// True in the sanitizer trees: real-time tests run shortened there and
// never assert drops or timing.
#ifdef VELORIX_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// Length of a real-time stream: `full` in Release, `shortened` under sanitizers.
constexpr double StreamSeconds(double full, double shortened) {
    return kSanitized ? shortened : full;
}

}  // namespace velorix::test
