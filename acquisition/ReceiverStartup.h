#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "AcqBoard.h"
#include "DataDirectories.h"
#include "Notifier.h"
#include "SettingsRecord.h"
#include "UsbLibrary.h"

namespace velorix {

// Brings the receiver up and down in the program's fixed order, without any
// window: the window and the headless receiver both drive it. Every failure
// is told through the Notifier with the program's own texts; a false result
// means the program must end.
class ReceiverStartup {
public:
    ReceiverStartup(UsbLibrary& library, SettingsRecord& settings, Notifier& notifier)
        : library_(library), settings_(settings), notifier_(notifier) {}

    // Where the library, the data directories and so the receiver's files are
    // looked for from (default: the running program's own directory).
    void SetProgramPlace(files::ProgramPlace place) { place_ = std::move(place); }

    // Loads the library from where it is found (UsbLibrary::Locate); on
    // failure shows the system's text, captioned "Loading libvelorixusb.so...",
    // and where it was looked for when nothing was there.
    bool BindLibrary();
    // The same from `path`.
    bool BindLibrary(const std::string& path);
    // Opens the receiver, asking to retry after every failure.
    bool OpenReceiver();
    // The not-found notice for the library's reason (errno after Open).
    static std::string NotFoundText(int error);
    // Loads the firmware into the receiver: "velorix24v11_512.hex" from the
    // receiver's file directories (ReceiverFileDirectories) when one holds
    // it, else the library's built-in image.
    bool DownloadFirmware();
    // Loads the FPGA bitstream of output-rate index `rateIdx`, found in the
    // receiver's file directories, with its key; a failure is told with the
    // program's texts, captioned "Installation Error".
    bool ConfigureFpga(int rateIdx);
    // Reads the 12-byte identity record at EEPROM address 8; bytes 4 and 5
    // both 0xFF mark a pre-production unit.
    void ReadIdentity();
    // Configures the FPGA for output-rate index `rateIdx`. With `restart`,
    // acquisition is stopped around it and started again. `onConfigured`
    // (may be empty) runs after a successful load, before the restart: the
    // engine's display restart and re-routing for the new rate go there.
    // Without `receiverIsSource` (a file loaded or a recording made, as the
    // controller knows) the FPGA is left alone and only the rate is stored.
    // The bitstream is loaded by ConfigureFpga.
    bool ConfigureRate(int rateIdx, CAcqBoard* board, bool restart,
                       const std::function<void()>& onConfigured = {},
                       bool receiverIsSource = true);
    // Stops acquisition, closes the receiver and unloads the library.
    void Shutdown(CAcqBoard* board);

    // The receiver as the library's exports show it. Our firmware names the
    // device it runs on; a receiver plugged in again is bare and nameless,
    // yet the library opens it on its arrival, so Open answers 1 at once.
    enum class Attachment { Running, Bare, Absent };
    Attachment CurrentAttachment();

    // The steps of a bring-up that differ between the program and the
    // SoapySDR module, which keep the front end and tuning their own ways.
    struct BringUpSteps {
        std::function<void()> stopInput;
        std::function<bool()> configureFpga;  // the bitstream of the current rate
        std::function<void()> sendFrontEnd;   // front end and tuning word
        std::function<bool()> startInput;
    };
    // Brings a receiver that came back after a removal up again: input
    // stopped, the firmware downloaded again, the FPGA configured, front end
    // and tuning sent, input started. The library's firmware-ready flag
    // outlives a removal, so it says nothing of the bare device now there.
    // False at the first step that fails (told as at start-up).
    bool BringUpAgain(const BringUpSteps& steps);

    bool IsPreProduction() const { return preProduction_; }
    const std::array<std::uint8_t, 12>& Identity() const { return identity_; }

    // The attenuator step the receiver is sent for a user step 0..3.
    int AttenuatorStepToSend(int step) const { return preProduction_ ? 3 - step : step; }

private:
    bool Bind(const std::string& path, const std::vector<std::string>& lookedIn);
    bool Fail(const std::string& text, const char* caption);

    UsbLibrary& library_;
    SettingsRecord& settings_;
    Notifier& notifier_;
    files::ProgramPlace place_ = files::ExecutablePlace();
    bool preProduction_ = false;
    std::array<std::uint8_t, 12> identity_{};
};

}  // namespace velorix
