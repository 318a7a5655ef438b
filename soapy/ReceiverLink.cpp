#include "ReceiverLink.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "AcqBoard.h"
#include "Bitstreams.h"
#include "PreselectorBands.h"
#include "ReceiverWatch.h"
#include "SampleFrames.h"

namespace velorix::soapy {

namespace {

std::string FormatIdentitySerial(const std::array<std::uint8_t, 12>& id) {
    char text[64];
    const auto serial = static_cast<short>(id[0] | id[1] << 8);
    std::snprintf(text, sizeof text, "%05hd-%02hX%02hX-%02hX%02hX-%02hX%02hX", serial,
                  static_cast<unsigned short>(id[11]), static_cast<unsigned short>(id[10]),
                  static_cast<unsigned short>(id[9]), static_cast<unsigned short>(id[8]),
                  static_cast<unsigned short>(id[7]), static_cast<unsigned short>(id[6]));
    return text;
}

}  // namespace

Notifier::Answer QuietNotifier::Notify(const std::string& text, const std::string&, Icon,
                                       Buttons buttons) {
    last_ = text;
    switch (buttons) {
        case Buttons::RetryCancel:
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::Ok:
            break;
    }
    return Answer::Ok;
}

ReceiverLink::ReceiverLink() {
    startup_.SetProgramPlace(Place());
}

ReceiverLink::~ReceiverLink() {
    StopInput();
    startup_.Shutdown(nullptr);
}

files::ProgramPlace ReceiverLink::Place() {
    return files::ModulePlace(reinterpret_cast<const void*>(&ReceiverLink::Place));
}

bool ReceiverLink::Fail(const std::string& text) {
    error_ = text;
    return false;
}

bool ReceiverLink::Open() {
    if (!startup_.BindLibrary()) return Fail(notifier_.LastText());
    if (!startup_.OpenReceiver()) return Fail("no receiver found");
    if (!startup_.DownloadFirmware()) return Fail(notifier_.LastText());
    startup_.ReadIdentity();
    const auto& id = startup_.Identity();
    if (startup_.IsPreProduction()) {
        identity_ = {"N/A", "Pre-production unit"};
    } else {
        char version[16];
        std::snprintf(version, sizeof version, "%d.%d", id[5], id[4]);
        identity_ = {FormatIdentitySerial(id), version};
    }
    open_ = true;
    return true;
}

bool ReceiverLink::ConfigureRate(int rateIdx) {
    if (!open_) return Fail("the receiver is not open");
    rateIdx = std::clamp(rateIdx, 0, kRateCount - 1);
    BlockRing* ring = ring_;
    if (CameBack()) return BringUp(rateIdx, ring);
    StopInput();
    if (!LoadBitstream(rateIdx)) return false;
    // A freshly configured FPGA needs its control frame; the library has
    // already re-sent the attenuator and preselector.
    SendControl();
    return ring == nullptr || StartInput(*ring);
}

bool ReceiverLink::LoadBitstream(int rateIdx) {
    if (!startup_.ConfigureFpga(rateIdx)) {
        rateIdx_ = -1;
        return Fail(notifier_.LastText());
    }
    rateIdx_ = rateIdx;
    settings_.DdcSamplingRateIdx = rateIdx;
    blockBytes_ = CAcqBoard::BlockBytesForRate(kOutputRatesKHz[rateIdx]);
    return true;
}

bool ReceiverLink::CameBack() {
    switch (startup_.CurrentAttachment()) {
        case ReceiverStartup::Attachment::Running:
            return false;
        case ReceiverStartup::Attachment::Absent:
            triedThisArrival_ = false;
            return false;
        case ReceiverStartup::Attachment::Bare:
            break;
    }
    if (triedThisArrival_) return false;
    triedThisArrival_ = true;
    return true;
}

bool ReceiverLink::BringUp(int rateIdx, BlockRing* ring) {
    error_.clear();
    const bool up = startup_.BringUpAgain({
        .stopInput = [this] { StopInput(); },
        .configureFpga = [this, rateIdx] { return LoadBitstream(rateIdx); },
        .sendFrontEnd =
            [this] {
                SetGain(gain_);  // control frame with the tuning word, attenuator
                library_.SetPreselector(band_);
            },
        .startInput = [this, ring] { return ring == nullptr || StartInput(*ring); },
    });
    if (!up) return Fail(error_.empty() ? notifier_.LastText() : error_);
    if (infoLog_) infoLog_(ReceiverWatch::kBackText);
    return true;
}

void ReceiverLink::BringUpIfBack() {
    // A device's name is a request to it: a reader polling an empty stream
    // must not turn into a stream of requests.
    const auto now = std::chrono::steady_clock::now();
    if (!open_ || now - lastLook_ < std::chrono::milliseconds(250)) return;
    lastLook_ = now;
    if (CameBack()) BringUp(settings_.DdcSamplingRateIdx, ring_);
}

bool ReceiverLink::StartInput(BlockRing& ring) {
    if (rateIdx_ < 0) return Fail("no FPGA bitstream is loaded");
    StopInput();
    ring.Clear();
    ring_ = &ring;
    if (library_.StartAsyncInput(blockBytes_, &ReceiverLink::OnBlock, this) != 1) {
        ring_ = nullptr;
        return Fail("the receiver's input could not be started");
    }
    control_ |= kRun;
    SendControl();
    return true;
}

void ReceiverLink::StopInput() {
    if (ring_ == nullptr) return;
    control_ &= ~kRun;
    SendControl();
    library_.StopAsyncInput();
    ring_ = nullptr;
}

bool ReceiverLink::Present() const {
    return library_.DevicePresent();
}

void ReceiverLink::OnBlock(unsigned char* block, void* user) {
    auto* self = static_cast<ReceiverLink*>(user);
    const auto bytes = static_cast<std::size_t>(self->blockBytes_);
    // The converter marks a whole stretch; one frame in 1024 is enough to see it.
    for (std::size_t at = 0; block != nullptr && at < bytes; at += 1024 * kFrameBytes)
        if (OverloadMark(block + at)) self->overload_.store(true, std::memory_order_relaxed);
    self->ring_->Push(block, bytes);
}

void ReceiverLink::SendControl() {
    if (!open_) return;
    const std::uint32_t word = CAcqBoard::TuningWord(frequencyHz_ / 1000.0, adcClockHz_);
    unsigned char frame[8] = {
        control_, static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
        static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
    library_.Sio(frame, 5);
}

void ReceiverLink::SendBand() {
    const int band = PreselectorBandFor(std::llround(frequencyHz_), preselectorOn_);
    if (band == band_) return;
    band_ = band;
    library_.SetPreselector(band);
}

void ReceiverLink::SetFrequency(double hz) {
    frequencyHz_ = hz;
    SendControl();
    SendBand();
}

void ReceiverLink::SetAdcClock(int hz) {
    adcClockHz_ = hz;
    SendControl();
}

void ReceiverLink::SetGain(const GainSplit& gain) {
    gain_ = gain;
    control_ = gain.preamp ? control_ | kPreamp : control_ & ~kPreamp;
    SendControl();
    library_.SetAttenuator(startup_.AttenuatorStepToSend(gain.attenuatorStep));
}

void ReceiverLink::SetDither(bool on) {
    control_ = on ? control_ | kDither : control_ & ~kDither;
    SendControl();
}

void ReceiverLink::SetPreselector(bool on) {
    preselectorOn_ = on;
    SendBand();
}

}  // namespace velorix::soapy
