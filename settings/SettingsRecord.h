#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "OwnedFlag.h"

namespace velorix {

// The owners of the run-time flags below.
class ControllerContext;
class CAcqBoard;

inline constexpr int kModeCount = 9;    // AM SAM CW RTTY USB LSB FM DRM USER
inline constexpr int kFilterCount = 6;  // 25, 12, 6, 3, 1.6, 0.8 kHz
inline constexpr int kRateCount = 3;    // 125, 250, 500 kHz

// Output rate in kHz for each DdcSamplingRateIdx.
inline constexpr std::array<double, kRateCount> kOutputRatesKHz = {125.0, 250.0, 500.0};

// Every persistent setting of the program, one integer per key, plus the
// values derived from them and the run-time state that several parts of
// the program share. Owned by the main window (or the headless receiver)
// and shared by pointer.
//
// The keys are written by the user-interface thread only. The run-time
// flags are atomics because the display and file-source threads read them.
struct SettingsRecord {
    // Persistent keys, in the order they are read and written. Their
    // defaults and ranges stand in the key table (SettingsKeys.cpp) only.
    int AdcSamplingRate;                  // ADC clock, Hz
    int DdcSamplingRateIdx;               // 0..2: 125, 250, 500 kHz
    int MainFFTIdx;                       // 0..6: 65536 … 1024 bins; read, never saved
    int CFStepIdx;                        // 0..11 into the centre-frequency step table
    int CenterFreq;                       // Hz
    int FreqOffset;                       // Hz; tuned frequency = CenterFreq - FreqOffset
    int RefLevel;                         // dBm at the top of the main display, -150..20
    int RefScaleIdx;                      // 0..4: 1, 2, 5, 10, 15 dB per division
    int AttenuatorIdx;                    // 0..3: 0, 10, 20, 30 dB
    int MemListIdx;                       // 0..2: HFCC, EiBi, user list
    int Preselector;                      // 0/1
    int AdcPreamp;                        // 0/1
    int AdcDither;                        // 0/1
    int FltBw[kModeCount][kFilterCount];  // pass-band width, Hz
    int FltFc[kModeCount][kFilterCount];  // pass-band centre, Hz
    int DemIdx;                           // 0..8, mode
    int DemBwIdx[kModeCount];             // 0..5, filter per mode
    int DemWhStepIdx[kModeCount];         // 0..8, tuning-wheel step per mode
    int DemAgcIdx[kModeCount];            // 0..3: Fast, Med, Slow, Off per mode
    int DispFnIdx;                        // 0 spectrum, 1 waterfall
    int SecDispFnIdx;                     // 0..2: Tune, PBT, Notch
    int TuneMode;                         // 1 = centre tuning, 0 = offset tuning
    int SmtrMode;                         // 0 AGC average, 1 AGC peak
    int MainAvgVal;                       // 0..800
    int SecAvgVal;                        // 0..800
    int NBVal;                            // -200..-50, tenths of a dB, negated
    int NRVal;                            // 0..200
    int VolVal;                           // -400..0, tenths of a dB
    int RigctlPort;                       // 0 off, else the rigctl server's TCP port
    int StationNames;                     // 0/1: station names over the main spectrum
    // The rigctl server's address, a numeric IP address; a string among the
    // integers, read and written by the store beside them.
    static constexpr const char* kDefaultRigctlHost = "127.0.0.1";
    std::string RigctlHost = kDefaultRigctlHost;

    // Derived on load (and by whoever changes the source keys).
    double outputRateKHz = 125.0;
    double levelOffsetDb = -4.0;  // -7.5 with the preamp on, -4.0 off

    // Filled from a recording's header when a file is played.
    std::time_t recordingTime = 0;

    // Run-time state, never stored. The controller owns the source, record
    // and playback state; the board owns what it reads from a recording.
    OwnedFlag<int, ControllerContext> fileLoaded;
    OwnedFlag<int, ControllerContext> restoreHardware;
    OwnedFlag<int, ControllerContext> playing;
    OwnedFlag<int, ControllerContext> recording;
    // Set while a recording is made or a file is the source: nothing is sent
    // to the receiver.
    OwnedFlag<int, ControllerContext> retuneInhibit;
    OwnedFlag<std::int64_t, CAcqBoard> fileStartTime;  // seconds since 1970, UTC
    // Band in use for the centre frequency, 0..10; written by the controller
    // only (a plain atomic so the display tables' tests can set it).
    std::atomic<int> preselectorBand{0};

    // The three bitstreams' 6-byte descrambling keys (see acquisition).
    const std::uint8_t* bitstreamKey[kRateCount] = {nullptr, nullptr, nullptr};

    SettingsRecord();
    SettingsRecord(const SettingsRecord&) = delete;
    SettingsRecord& operator=(const SettingsRecord&) = delete;

    // Every key back to its default; derived fields follow.
    void ResetToDefaults();
    // Forces every key into its valid range, so no table is indexed out of
    // bounds whatever the store held.
    void Clamp();
    // Recomputes the output rate and the level offset from the keys.
    void Derive();
    // Brings keys that are each in range but impossible together back to a
    // valid whole: the tuning offset within the output rate's limit (0.4 ×
    // the rate), the tuned frequency not below 0. Returns one text per
    // change made, in the program's words; empty when nothing changed.
    std::vector<std::string> MendCombination();
    // Largest tuning offset in Hz the current output rate allows.
    double OffsetLimitHz() const { return 0.4 * outputRateKHz * 1000.0; }
    // Tuned frequency in Hz.
    long long TunedHz() const { return static_cast<long long>(CenterFreq) - FreqOffset; }
};

}  // namespace velorix
