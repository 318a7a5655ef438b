#pragma once

namespace velorix {

// The FM noise squelch: running averages of the discriminator output, its
// average and its square. One set is shared by every demodulator of the
// program (Shared()); tests reset it or give a demodulator its own.
// Used on the acquisition worker only.
class CFmSquelch {
public:
    static constexpr double kBeta = 0.0005;
    static constexpr double kMuteVariance = 2e-6;

    // Feeds one discriminator value; true when the output must be muted.
    bool Update(double d) {
        m1_ = (1.0 - kBeta) * m1_ + kBeta * d;
        m2_ = (1.0 - kBeta) * m2_ + kBeta * m1_;
        m3_ = (1.0 - kBeta) * m3_ + kBeta * m1_ * m1_;
        return m3_ - m2_ * m2_ > kMuteVariance;
    }
    void Reset() { m1_ = m2_ = m3_ = 0.0; }

    double M1() const { return m1_; }
    double M2() const { return m2_; }
    double M3() const { return m3_; }

    // The program-wide set.
    static CFmSquelch& Shared() {
        static CFmSquelch shared;
        return shared;
    }

private:
    double m1_ = 0.0;
    double m2_ = 0.0;
    double m3_ = 0.0;
};

}  // namespace velorix
