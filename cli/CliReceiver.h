#pragma once

#include <cstdio>
#include <memory>

#include "AssembledReceiver.h"
#include "CliOptions.h"

namespace velorix {

// The steps every headless run takes before its receiver starts: the plain
// run and the rigctl station share them.

// The assembly the options ask for: the device (the virtual receiver with
// its scenario and seed, or USB), audio out 1 (a WAV file, a named sink, or
// the default) and the settings store.
AssembledReceiver::Options ReceiverOptions(const CliOptions& options, Notifier& notifier);

// The stored settings (with --settings) with their notes told on `err`,
// then the options over them.
void LoadCliSettings(const CliOptions& options, AssembledReceiver& receiver, std::FILE* err);

// The options over the settings record.
void ApplyOptions(const CliOptions& options, SettingsRecord& settings);

// Whether the tuned frequency lies within the receiver's reach of the
// centre at the rate; told on `err` when not.
bool OffsetWithinRate(const SettingsRecord& settings, std::FILE* err);

// Opens audio out 1; without a sound server the run goes on silent. False
// (told on `err`) when the file or the named device cannot be opened.
bool OpenAudio(const CliOptions& options, AssembledReceiver& receiver, std::FILE* err);

// A run's watch of the receiver's stream: what the watch tells goes to
// `err`, and the signal time counts on across a receiver brought up again
// (whose blocks count from 0).
class RunWatch {
public:
    RunWatch(AssembledReceiver& receiver, std::FILE* err);
    // Seconds of signal received.
    double SignalSeconds() const;
    // Every 250 ms: false while the receiver does not stream.
    bool Check();
    // Whether the stream had a gap (the run then fails, whatever followed).
    bool HadGap() const { return gap_; }

private:
    AssembledReceiver& receiver_;
    std::FILE* err_;
    double rateHz_;
    std::uint64_t pushedBefore_ = 0;
    bool gap_ = false;
};

}  // namespace velorix
