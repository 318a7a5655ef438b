#pragma once

namespace velorix {

// Coefficients of the two filters the receive chain constructs but does not
// wire in: a 4/3-coefficient recursive high-pass and a 24-tap symmetric
// low-pass. They live for the whole program run.
inline constexpr int kIirFeedForwardCount = 4;
inline constexpr int kIirFeedbackCount = 3;
inline constexpr int kLowPass24Taps = 24;

// Feed-forward taps b: b[0] multiplies the newest input.
extern const double kIirFeedForward[kIirFeedForwardCount];
// Feedback taps a, added: a[0] multiplies the newest output.
extern const double kIirFeedback[kIirFeedbackCount];
extern const double kLowPass24[kLowPass24Taps];

}  // namespace velorix
