#include "BandModel.h"

#include <algorithm>
#include <cmath>

#include "DspMath.h"
#include "TestSignal.h"

namespace velorix::sim {

namespace {

constexpr double kFlatFraction = 0.42;    // of the output rate: flat to here, nothing at 0.5
constexpr int kStationTapsPerPhase = 24;  // audio rate -> station rate, by 2
constexpr int kOutputTapsPerPhase = 8;    // station rate -> output rate, by 4, 8 or 16
constexpr double kImageRejectionDb = 80.0;
// Distortion of an overloaded converter, relative to the excess peak amplitude.
constexpr double kClipDistortion = 0.05;

const std::vector<double>& GaussTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(1 << 16);
        Rng rng(0x6761757373ull);
        for (double& v : t)
            v = rng.Gauss();
        return t;
    }();
    return table;
}

double NominalPeakFactor(const StationDef& s) {
    if (s.mode == StationMode::Am) return 1.0 + s.depth;
    if (s.mode == StationMode::Drm) return 3.5;  // an OFDM block's crest, about 11 dB
    return 1.0;
}

double Wrap(double offsetHz) {
    const double fs = front_end::kAdcClockHz;
    return offsetHz - fs * std::floor(offsetHz / fs + 0.5);
}

}  // namespace

struct BandModel::Station {
    StationDef def;
    uint64_t seed;
    std::unique_ptr<StationSignal> signal;  // made when first heard
    PolyphaseInterpolator up2;
    std::unique_ptr<PolyphaseInterpolator> upOut;
    bool active = false;
    struct Image {
        bool used = false;
        bool mirrored = false;   // the -f image carries the conjugate
        double offsetHz = 0.0;   // from the centre
        double amplitude = 0.0;  // units at the level
        double phase = 0.0;      // cycles at the start of the next block
        std::vector<Cpx> turn;   // exp(j 2 pi offset k / rate) over one output block
    };
    Image images[2];

    Station(const StationDef& s, uint64_t sd)
        : def(s), seed(sd), up2(2, kStationTapsPerPhase, 0.25, kImageRejectionDb) {}
};

BandModel::BandModel(BandScenario scenario, uint64_t seed, bool preProduction, bool prepare)
    : scenario_(std::move(scenario)), seed_(seed), preProduction_(preProduction), noiseRng_(seed) {
    std::vector<std::pair<StationDef, uint64_t>> programmes;
    for (size_t i = 0; i < scenario_.stations.size(); ++i) {
        const uint64_t sd = seed * 0x9E3779B97F4A7C15ull + (i + 1) * 0xD1B54A32D192ED03ull;
        stations_.push_back(std::make_unique<Station>(scenario_.stations[i], sd));
        programmes.emplace_back(scenario_.stations[i], sd);
    }
    Reconfigure();
    if (prepare) {
        // Touches only the process-wide programme cache, under its lock.
        preparer_ = std::thread([this, programmes = std::move(programmes)] {
            for (const auto& [def, sd] : programmes) {
                if (stopPreparing_.load()) return;
                PrepareProgramme(def.audio, sd,
                                 def.mode == StationMode::Usb || def.mode == StationMode::Lsb);
            }
        });
    }
}

BandModel::~BandModel() {
    stopPreparing_.store(true);
    if (preparer_.joinable()) preparer_.join();
}

double BandModel::CentreFromTuningWord(uint32_t word) {
    return double(word) * front_end::kAdcClockHz / 4294967296.0;
}

void BandModel::SetRate(int rateKHz) {
    if (rateKHz != 125 && rateKHz != 250 && rateKHz != 500) rateKHz = 125;
    if (rateKHz == rateKHz_ && rateSet_) return;  // a reconfigured FPGA at the same rate
    rateKHz_ = rateKHz;
    rateSet_ = true;
    for (auto& s : stations_)
        s->upOut.reset();
    Reconfigure();
}

void BandModel::SetFrontEnd(const FrontEndState& state) {
    centreHz_ = CentreFromTuningWord(state.tuningWord);
    setting_ = FrontEndSetting::FromState(state, preProduction_);
    Reconfigure();
}

void BandModel::SetCentreHz(double centreHz) {
    centreHz_ = centreHz;
    Reconfigure();
}

void BandModel::SetSetting(const FrontEndSetting& setting) {
    setting_ = setting;
    Reconfigure();
}

void BandModel::Reconfigure() {
    const double fs = rateKHz_ * 1000.0;
    const int ratio = int(fs / kStationRateHz + 0.5);
    const size_t block = size_t(kStationBlock * ratio);
    double peakSum = 0.0;
    for (auto& sp : stations_) {
        Station& s = *sp;
        const double gainDb = front_end::GainDb(setting_, s.def.freqHz);
        const double amplitude = front_end::UnitsFromDb(s.def.levelDbm + gainDb);
        peakSum += amplitude * NominalPeakFactor(s.def);
        bool any = false;
        for (int m = 0; m < 2; ++m) {
            Station::Image& im = s.images[m];
            im.mirrored = m == 1;
            im.offsetHz = Wrap((im.mirrored ? -s.def.freqHz : s.def.freqHz) - centreHz_);
            const double edge = std::fabs(im.offsetHz) / fs;
            im.used = edge < 0.5;
            if (!im.used) continue;
            double taper = 1.0;
            if (edge > kFlatFraction)
                taper = 0.5 + 0.5 * std::cos(kPi * (edge - kFlatFraction) / (0.5 - kFlatFraction));
            im.amplitude = amplitude * taper;
            im.turn.resize(block);
            for (size_t k = 0; k < block; ++k)
                im.turn[k] = std::polar(1.0, 2.0 * kPi * im.offsetHz * double(k) / fs);
            any = true;
        }
        if (any && !s.active) {
            s.up2.Reset();
            if (s.upOut) s.upOut->Reset();
        }
        s.active = any;
        if (any && !s.upOut)
            s.upOut = std::make_unique<PolyphaseInterpolator>(ratio, kOutputTapsPerPhase,
                                                              0.5 / ratio, kImageRejectionDb);
    }
    // Noise: the band's, through the front end, and the converter's own.
    const double fcGainDb = front_end::GainDb(setting_, centreHz_);
    double density = std::pow(10.0, front_end::kConverterNoiseDbHz / 10.0);
    if (scenario_.noiseDensityDbmHz)
        density += std::pow(10.0, (*scenario_.noiseDensityDbmHz + fcGainDb) / 10.0);
    overloaded_ = peakSum > front_end::kFullScaleUnits;
    double power = density * fs;
    if (overloaded_) {
        const double excess = kClipDistortion * (peakSum - front_end::kFullScaleUnits);
        power += excess * excess;
    }
    noiseSigma_ = std::sqrt(power / 2.0);
    impulseAmplitude_ =
        scenario_.impulses ? front_end::UnitsFromDb(scenario_.impulses->levelDbm + fcGainDb) : 0.0;
    accRe_.assign(block, 0.0);
    accIm_.assign(block, 0.0);
    if (pending_.size() != block) {
        pending_.assign(block, Cpx());
        pendingPos_ = block;  // a new rate starts a new block
    }
}

void BandModel::GenerateBlock() {
    const double fs = rateKHz_ * 1000.0;
    const size_t block = pending_.size();
    const size_t audioCount = kStationBlock / 2;
    std::fill(accRe_.begin(), accRe_.end(), 0.0);
    std::fill(accIm_.begin(), accIm_.end(), 0.0);
    audioBuf_.resize(audioCount);
    stationBuf_.resize(kStationBlock);
    outBuf_.resize(block);
    for (auto& sp : stations_) {
        Station& s = *sp;
        if (!s.active) continue;
        if (!s.signal) s.signal = std::make_unique<StationSignal>(s.def, s.seed);
        s.signal->Generate(audioBuf_.data(), audioCount);
        s.up2.Process(audioBuf_.data(), audioCount, stationBuf_.data());
        s.upOut->Process(stationBuf_.data(), kStationBlock, outBuf_.data());
        for (Station::Image& im : s.images) {
            if (!im.used) continue;
            const Cpx c = std::polar(im.amplitude, 2.0 * kPi * im.phase);
            const double cr = c.real(), ci = c.imag();
            const Cpx* turn = im.turn.data();
            const Cpx* x = outBuf_.data();
            const double sign = im.mirrored ? -1.0 : 1.0;
            for (size_t k = 0; k < block; ++k) {
                const double tr = turn[k].real() * cr - turn[k].imag() * ci;
                const double ti = turn[k].real() * ci + turn[k].imag() * cr;
                const double xr = x[k].real(), xi = sign * x[k].imag();
                accRe_[k] += tr * xr - ti * xi;
                accIm_[k] += tr * xi + ti * xr;
            }
            im.phase += im.offsetHz * double(block) / fs;
            im.phase -= std::floor(im.phase);
        }
    }
    // White noise from a table of Gaussian numbers, indexed at random.
    const std::vector<double>& g = GaussTable();
    const double sigma = noiseSigma_;
    for (size_t k = 0; k < block; ++k) {
        const uint64_t r = noiseRng_.Next();
        pending_[k] =
            Cpx(accRe_[k] + sigma * g[r & 0xFFFF], accIm_[k] + sigma * g[(r >> 16) & 0xFFFF]);
    }
    if (scenario_.impulses && scenario_.impulses->ratePerSecond > 0.0) {
        const double meanGap = fs / scenario_.impulses->ratePerSecond;
        for (size_t k = 0; k < block; ++k) {
            const uint64_t n = outputSample_ + k;
            if (impulseLeft_ == 0 && double(n) >= nextImpulse_) {
                impulseLeft_ = scenario_.impulses->widthSamples;
                impulseValue_ = std::polar(impulseAmplitude_, 2.0 * kPi * noiseRng_.Uniform());
                nextImpulse_ = double(n) - std::log(1.0 - noiseRng_.Uniform()) * meanGap;
            }
            if (impulseLeft_ > 0) {
                pending_[k] += impulseValue_;
                --impulseLeft_;
            }
        }
    }
    outputSample_ += block;
    pendingPos_ = 0;
}

void BandModel::GenerateUnits(Cpx* out, size_t n) {
    while (n > 0) {
        if (pendingPos_ == pending_.size()) GenerateBlock();
        const size_t take = std::min(n, pending_.size() - pendingPos_);
        std::copy(pending_.begin() + long(pendingPos_), pending_.begin() + long(pendingPos_ + take),
                  out);
        pendingPos_ += take;
        out += take;
        n -= take;
    }
}

void BandModel::EncodeFrames(const Cpx* units, size_t n, bool overload, uint8_t* out) {
    constexpr double kMax = front_end::kFullScaleCounts;
    for (size_t i = 0; i < n; ++i) {
        const double vi =
            std::clamp(std::nearbyint(units[i].real() * front_end::kCountsPerUnit), -kMax, kMax);
        const double vq =
            std::clamp(std::nearbyint(units[i].imag() * front_end::kCountsPerUnit), -kMax, kMax);
        int32_t ci = int32_t(vi);
        const int32_t sign = ci < 0 ? 1 : 0;
        // Bit 0 of I carries the overload mark: equal to the sign bit, or not.
        ci = (ci & ~1) | (overload ? sign ^ 1 : sign);
        test_signal::Write24(out + i * kFrameBytes, ci);
        test_signal::Write24(out + i * kFrameBytes + 3, int32_t(vq));
    }
}

void BandModel::Fill(uint64_t /*firstFrame*/, uint8_t* out, size_t frames) {
    // Frames the device dropped are simply not made: the band carries on.
    Cpx buffer[512];
    while (frames > 0) {
        const size_t n = std::min<size_t>(frames, 512);
        GenerateUnits(buffer, n);
        EncodeFrames(buffer, n, overloaded_, out);
        out += n * kFrameBytes;
        frames -= n;
    }
}

}  // namespace velorix::sim
