#include "AcqBoard.h"

#include <chrono>
#include <cmath>
#include <cstring>

#include "SampleConversion.h"
#include "ThreadPriority.h"

namespace velorix {

namespace {
std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

CAcqBoard::CAcqBoard(UsbLibrary& library)
    : CDspBlock(kDspTypeComplex, kUnitFrames, 0),
      library_(library),
      ring_(std::make_unique<std::uint8_t[]>(static_cast<size_t>(kRingUnits) * kUnitBytes)) {
    SetLock(&boardLock_);
}

CAcqBoard::~CAcqBoard() {
    Stop();
}

std::uint32_t CAcqBoard::TuningWord(double centreKHz, int adcClockHz) {
    if (adcClockHz <= 0 || !(centreKHz > 0.0)) return 0;
    const double word = std::trunc(centreKHz / adcClockHz * 4294967296000.0);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(word) & 0xffffffffu);
}

int CAcqBoard::BlockBytesForRate(double rateKHz) {
    const int units = static_cast<int>(rateKHz / 125.0);
    return (units < 1 ? 1 : units) * kBlockBytesPer125KHz;
}

std::uint32_t CAcqBoard::CurrentTuningWord() const {
    return frame_[1] | (frame_[2] << 8) | (frame_[3] << 16) | (std::uint32_t(frame_[4]) << 24);
}

void CAcqBoard::SendControlFrame() {
    unsigned char copy[5];
    std::memcpy(copy, frame_, sizeof copy);
    library_.Sio(copy, 5);
}

int CAcqBoard::Open(SettingsRecord* settings) {
    settings_ = settings;
    if (opened_) return 1;
    opened_ = true;
    frame_[0] = kDitherBit;
    SendControlFrame();
    SetFrequency(settings_ ? settings_->CenterFreq * 0.001 : 0.0);
    library_.SetAttenuator(0);
    library_.SetPreselector(10);
    return 1;
}

void CAcqBoard::SetFrequency(double centreKHz) {
    const int adc = settings_ ? settings_->AdcSamplingRate : kDefaultAdcClockHz;
    const std::uint32_t w = TuningWord(centreKHz, adc);
    frame_[1] = w & 0xff;
    frame_[2] = (w >> 8) & 0xff;
    frame_[3] = (w >> 16) & 0xff;
    frame_[4] = (w >> 24) & 0xff;
    SendControlFrame();
}

void CAcqBoard::SetPreampDither(int preamp, int dither) {
    frame_[0] = static_cast<std::uint8_t>((frame_[0] & ~(kPreampBit | kDitherBit)) |
                                          (preamp ? kPreampBit : 0) | (dither ? kDitherBit : 0));
    SendControlFrame();
}

double CAcqBoard::GetAdcClockKHz() const {
    return (settings_ ? settings_->AdcSamplingRate : kDefaultAdcClockHz) * 0.001;
}

void CAcqBoard::SetAdcClockKHz(double kHz) {
    if (settings_ && kHz > 0.0 && kHz * 1000.0 < 2147483647.0)
        settings_->AdcSamplingRate = static_cast<int>(kHz * 1000.0);
}

void CAcqBoard::ResetAdcClock() {
    if (settings_) settings_->AdcSamplingRate = kDefaultAdcClockHz;
}

double CAcqBoard::GetOutputRate() {
    return settings_ ? settings_->outputRateKHz : 125.0;
}

void CAcqBoard::Process(void* dst, const void* src, int count) {
    std::memcpy(dst, src, static_cast<size_t>(count) * sizeof(Cpx));
}

bool CAcqBoard::Start() {
    if (!opened_ || running_.load()) return false;
    Restart();  // the chain below learns the rate and starts from silence
    const double rateKHz = GetOutputRate();
    if (recorder_) recorder_->SetRate(rateKHz);

    {
        DspLockGuard guard(&boardLock_);
        for (auto& r : ready_)
            r.store(0, std::memory_order_relaxed);
        writeIndex_ = 0;
        writeFree_ = kUnitBytes;
        readIndex_ = 0;
        blockBytes_ = BlockBytesForRate(rateKHz);
        stop_.store(0);
        pushed_.store(0);
        lastBlockNs_.store(SteadyNs());
        dataReady_.ResetEvent();
        running_.store(1);  // before the first callback can arrive
        worker_ = std::thread([this] { Worker(); });
        if (!library_.StartAsyncInput(blockBytes_, &CAcqBoard::InputCallback, this)) {
            running_.store(0);
            stop_.store(1);
            dataReady_.Set();
        }
    }
    if (!running_.load()) {
        worker_.join();
        return false;
    }
    frame_[0] |= kRunBit;
    SendControlFrame();
    return true;
}

void CAcqBoard::Stop() {
    if (!running_.load()) return;
    running_.store(0);
    frame_[0] &= static_cast<std::uint8_t>(~kRunBit);
    SendControlFrame();
    library_.StopAsyncInput();  // no callback after it returns
    stop_.store(1);
    dataReady_.Set();
    if (worker_.joinable()) worker_.join();
}

double CAcqBoard::SecondsWithoutBlock() const {
    if (!running_.load()) return 0.0;
    return static_cast<double>(SteadyNs() - lastBlockNs_.load()) * 1e-9;
}

void CAcqBoard::InputCallback(unsigned char* block, void* user) {
    auto* board = static_cast<CAcqBoard*>(user);
    board->OnBlock(block, board->blockBytes_);
}

void CAcqBoard::OnBlock(const unsigned char* block, int bytes) {
    if (!running_.load(std::memory_order_relaxed) || bytes <= 0) return;
    // The library lost this block on the way: it counts as dropped.
    if (block == nullptr) {
        droppedBytes_.fetch_add(static_cast<std::uint64_t>(bytes));
        return;
    }
    lastBlockNs_.store(SteadyNs(), std::memory_order_relaxed);
    if (bytes > (kRingUnits - 1) * kUnitBytes) {  // larger than the whole ring
        droppedBytes_.fetch_add(static_cast<std::uint64_t>(bytes));
        return;
    }
    // The worker may be 64 units behind: a block that would write into a unit
    // it has not drained yet is dropped whole. The reader never waits, and no
    // unit is rewritten while the worker may be converting it.
    int units = 1;  // units this block writes into, starting with the current one
    if (bytes > writeFree_) units += (bytes - writeFree_ + kUnitBytes - 1) / kUnitBytes;
    if (units > kRingUnits) units = kRingUnits;
    for (int k = 0; k < units; ++k) {
        if (ready_[(writeIndex_ + k) % kRingUnits].load(std::memory_order_acquire)) {
            droppedBytes_.fetch_add(static_cast<std::uint64_t>(bytes));
            return;
        }
    }
    bool completed = false;
    const std::uint8_t* src = block;
    int left = bytes;
    while (left >= writeFree_) {
        std::uint8_t* unit = ring_.get() + static_cast<size_t>(writeIndex_) * kUnitBytes;
        std::memcpy(unit + (kUnitBytes - writeFree_), src, writeFree_);
        src += writeFree_;
        left -= writeFree_;
        ready_[writeIndex_].store(1, std::memory_order_release);
        writeIndex_ = (writeIndex_ + 1) % kRingUnits;
        writeFree_ = kUnitBytes;
        completed = true;
    }
    if (left > 0) {
        std::uint8_t* unit = ring_.get() + static_cast<size_t>(writeIndex_) * kUnitBytes;
        std::memcpy(unit + (kUnitBytes - writeFree_), src, left);
        writeFree_ -= left;
    }
    if (completed) dataReady_.Set();
}

bool CAcqBoard::ConvertUnit(const std::uint8_t* raw, Cpx* out) {
    // Overload mark: bit 0 of I's low byte differs from bit 7 of its high byte.
    const bool overload = (raw[0] & 0x01) != ((raw[2] >> 7) & 0x01);
    ConvertFrames(raw, out, kUnitFrames, kSampleScale);
    return overload;
}

void CAcqBoard::PushUnit(const std::uint8_t* raw) {
    if (recorder_) recorder_->Write(raw, kUnitFrames);
    Cpx* out = reinterpret_cast<Cpx*>(buffer->WritePos());
    if (ConvertUnit(raw, out)) overload_.store(1);
    buffer->AdvanceWrite(kUnitFrames);
    BufferFull();
    pushed_.fetch_add(1);
}

void CAcqBoard::Worker() {
    SetCurrentThreadName("velorix-acq");
    ApplyThreadPriority(ThreadPriority::Highest);
    while (!stop_.load()) {
        if (!dataReady_.WaitFor(std::chrono::milliseconds(200))) continue;
        if (stop_.load()) break;
        DspLockGuard guard(&boardLock_);
        while (ready_[readIndex_].load(std::memory_order_acquire)) {
            PushUnit(ring_.get() + static_cast<size_t>(readIndex_) * kUnitBytes);
            // Released only after conversion, so the reader cannot refill the
            // unit while it is being read.
            ready_[readIndex_].store(0, std::memory_order_release);
            readIndex_ = (readIndex_ + 1) % kRingUnits;
        }
    }
}

}  // namespace velorix
