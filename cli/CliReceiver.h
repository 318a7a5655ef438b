#pragma once

#include <cstdio>
#include <memory>

#include "AssembledReceiver.h"
#include "CliOptions.h"

namespace velorix {

// The steps every headless run takes before its receiver starts: the plain
// run and the rigctl station share them.

// The device the receiver library presents, chosen before it is loaded.
void SelectDevice(const CliOptions& options);

// Audio out 1 as the options ask: a WAV file, a named sink, or the default.
void ChooseAudio(const CliOptions& options, AssembledReceiver::Slots& slots);

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

}  // namespace velorix
