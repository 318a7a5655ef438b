#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ControllerContext.h"

namespace velorix {

// Where the samples come from (the receiver or a recording), recording and
// playback, and the status line.
class SourcePart {
public:
    explicit SourcePart(ControllerContext& context) : c_(context) {}

    // --- Operations --------------------------------------------------------
    // 0 = receiver, 1 = WAV file. `startAcquisition` is false only at start-up.
    Outcome SelectSource(int source, bool startAcquisition = true);
    // "File..": the chosen path. `shownName`, when given, stands for it in
    // the status line (a recording imported from another program's file).
    Outcome LoadFile(const std::string& path, const std::string& shownName = {});
    Outcome Play();
    Outcome StopButton();
    // "RECORD": the chosen path. The recorder numbers its files from it
    // ("name_000.wav" …): see SeriesInTheWay first.
    Outcome StartRecording(const std::string& path);
    Outcome CloseFile();
    // Range [startBytes, endBytes) of the loaded file, from the recording bar.
    Outcome SelectFileRange(std::uint64_t startBytes, std::uint64_t endBytes);
    // Every 250 ms: status texts, recording bar and the free-space guard.
    Outcome Tick();

    // The first file of the series a recording to `path` would write, when
    // it exists already: a recording never writes over it unasked.
    static std::optional<std::string> SeriesInTheWay(const std::string& path);

    // --- Steps the other parts take ----------------------------------------
    // Ends a recording or playback and closes a loaded file.
    void CloseFileNow();

private:
    void StopNow();
    void SetPacing(bool on);
    void ShowStatusTime(std::int64_t secondsUtc);
    // The file text of the receiver's states; a receiver fault stands in for it.
    void ShowFileText(const std::string& text);

    ControllerContext& c_;
};

}  // namespace velorix
