#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "BlockRing.h"
#include "GainSplit.h"
#include "Notifier.h"
#include "ReceiverStartup.h"
#include "SettingsRecord.h"
#include "UsbLibrary.h"

namespace velorix::soapy {

// What the receiver's EEPROM says about it, as the program shows it.
struct ReceiverIdentity {
    std::string serial;    // "01234-ABCD-EF12-3456", or "N/A" on a pre-production unit
    std::string hardware;  // "1.1", or "Pre-production unit"
};

// Keeps the notices of the start-up for the caller instead of showing them,
// and answers every question with its negative button (no retries).
class QuietNotifier : public Notifier {
public:
    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override;
    const std::string& LastText() const { return last_; }

private:
    std::string last_;
};

// One receiver reached through libvelorixusb.so and nothing else: brought up
// as the program brings it up (library, receiver, firmware, identity, FPGA
// bitstream for the rate), then tuned, switched and streamed through the
// library's exports. Control calls come from any thread but one at a time
// (the caller serialises them); the library's reader thread only pushes
// blocks into the ring.
class ReceiverLink {
public:
    ReceiverLink();
    ~ReceiverLink();
    ReceiverLink(const ReceiverLink&) = delete;
    ReceiverLink& operator=(const ReceiverLink&) = delete;

    // The module's own place: libvelorixusb.so and the data directories are
    // looked for from it (UsbLibrary::Locate, files::DataDirectories).
    static files::ProgramPlace Place();

    // Binds the library, opens the receiver, loads the firmware and reads
    // the identity. False with the reason in Error().
    bool Open();
    // Loads the FPGA bitstream for rate index 0..2 (125, 250, 500 kHz), found
    // as the program finds it (ReceiverStartup::ConfigureFpga); input that was
    // running is restarted at the new rate.
    bool ConfigureRate(int rateIdx);
    int RateIdx() const { return rateIdx_; }

    // A receiver plugged in again after a removal is bare: it is brought up
    // again as it was (firmware, bitstream of the rate, front end, tuning,
    // input when it ran) and told as back. Looks at most four times a
    // second, and tries once for each arrival; a rate change looks too.
    void BringUpIfBack();
    // Where what the client should hear of goes (the module's log).
    void SetInfoLog(std::function<void(const std::string&)> log) { infoLog_ = std::move(log); }

    // Starts the library's input into `ring` at the configured rate.
    bool StartInput(BlockRing& ring);
    void StopInput();
    bool InputRunning() const { return ring_ != nullptr; }

    // Centre frequency in Hz through the down-converter's tuning word, with
    // the ADC clock (Hz) the word is computed for.
    void SetFrequency(double hz);
    void SetAdcClock(int hz);
    int AdcClock() const { return adcClockHz_; }
    double Frequency() const { return frequencyHz_; }
    void SetGain(const GainSplit& gain);
    const GainSplit& Gain() const { return gain_; }
    void SetDither(bool on);
    bool Dither() const { return control_ & kDither; }
    // With the preselector on, its band follows the centre frequency.
    void SetPreselector(bool on);
    bool Preselector() const { return preselectorOn_; }
    int PreselectorBand() const { return band_; }

    // Whether the library still has the receiver: false once it was removed.
    bool Present() const;

    // Whether the converter marked an overload since the last call.
    bool TakeOverload() const { return overload_.exchange(false); }

    const ReceiverIdentity& Identity() const { return identity_; }
    const std::string& Error() const { return error_; }

private:
    static constexpr std::uint8_t kRun = 0x01;
    static constexpr std::uint8_t kDither = 0x02;
    static constexpr std::uint8_t kPreamp = 0x04;

    static void OnBlock(unsigned char* block, void* user);
    bool Fail(const std::string& text);
    // Whether the receiver came back bare since it was last seen running.
    bool CameBack();
    bool BringUp(int rateIdx, BlockRing* ring);
    bool LoadBitstream(int rateIdx);
    void SendControl();
    void SendBand();

    UsbLibrary library_;
    SettingsRecord settings_;
    QuietNotifier notifier_;
    ReceiverStartup startup_{library_, settings_, notifier_};
    bool open_ = false;
    ReceiverIdentity identity_;
    std::string error_;

    int rateIdx_ = -1;
    int blockBytes_ = 0;
    std::uint8_t control_ = kDither;
    double frequencyHz_ = 14150000.0;
    int adcClockHz_ = 80000000;
    GainSplit gain_;
    bool preselectorOn_ = true;
    int band_ = 10;

    std::function<void(const std::string&)> infoLog_;
    bool triedThisArrival_ = false;
    std::chrono::steady_clock::time_point lastLook_{};

    BlockRing* ring_ = nullptr;
    mutable std::atomic<bool> overload_{false};
};

}  // namespace velorix::soapy
