#include "ReceiverStartup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Bitstreams.h"

namespace velorix {

namespace {
constexpr const char* kTitle = "velorix";
constexpr const char* kFirmwareName = "velorix24v11_512.hex";

std::string NotFound(const char* name) {
    char text[160];
    std::snprintf(text, sizeof text, "%s not found", name);
    return text;
}
}  // namespace

bool ReceiverStartup::BindLibrary(const std::string& path) {
    std::string error;
    if (library_.Load(path, error)) return true;
    notifier_.Notify(error, std::string("Loading ") + kUsbLibraryName + "...",
                     Notifier::Icon::Error, Notifier::Buttons::Ok);
    return false;
}

bool ReceiverStartup::OpenReceiver() {
    for (;;) {
        errno = 0;
        if (library_.Open() == 1) return true;
        const auto answer = notifier_.Notify(NotFoundText(errno), kTitle, Notifier::Icon::Warning,
                                             Notifier::Buttons::RetryCancel);
        if (answer != Notifier::Answer::Retry) return false;
    }
}

std::string ReceiverStartup::NotFoundText(int error) {
    std::string text = "Velorix receiver not found\n";
    // A receiver that is there but may not be opened needs a fix, not a check
    // of the cable: the system's reason and the fix take the second line.
    if (error == EACCES || error == EPERM)
        return text + std::strerror(error) +
               ": install the udev rule (velorix-cli --udev-rule), then plug the receiver in "
               "again";
    if (error == EBUSY) return text + std::strerror(error) + ": another program uses the receiver";
    return text + "Please check connections and retry";
}

bool ReceiverStartup::DownloadFirmware() {
    const int result = library_.FirmwareDownload(nullptr);
    if (result == 0) return true;
    notifier_.Notify(result == 1 ? NotFound(kFirmwareName) : "Firmware download error", kTitle,
                     Notifier::Icon::Error, Notifier::Buttons::Ok);
    return false;
}

void ReceiverStartup::ReadIdentity() {
    identity_.fill(0);
    library_.EepromRead(identity_.data(), 8, static_cast<int>(identity_.size()));
    preProduction_ = identity_[4] == 0xFF && identity_[5] == 0xFF;
}

bool ReceiverStartup::ConfigureRate(int rateIdx, CAcqBoard* board, bool restart,
                                    const std::function<void()>& onConfigured,
                                    bool receiverIsSource) {
    rateIdx = std::clamp(rateIdx, 0, kRateCount - 1);
    settings_.DdcSamplingRateIdx = rateIdx;
    settings_.outputRateKHz = kOutputRatesKHz[rateIdx];
    if (restart && board) board->Stop();

    if (receiverIsSource) {
        const std::string dir = BitstreamDirectory();
        BitstreamKey key{};
        std::string keyError;
        if (!LoadBitstreamKey(dir, rateIdx, key, keyError)) {
            notifier_.Notify(keyError, "Installation Error", Notifier::Icon::Error,
                             Notifier::Buttons::Ok);
            return false;
        }
        const std::string path = dir + "/" + BitstreamName(rateIdx);
        const int result = library_.FpgaConfig(path.c_str(), key.data());
        if (result != 0) {
            // Messages show the plain name, not the directory it was looked for in.
            notifier_.Notify(
                result == 1 ? NotFound(BitstreamName(rateIdx)) : "Bitstream load error",
                "Installation Error", Notifier::Icon::Error, Notifier::Buttons::Ok);
            return false;
        }
    }
    if (onConfigured) onConfigured();
    if (restart && board) return board->Start();
    return true;
}

ReceiverStartup::Attachment ReceiverStartup::CurrentAttachment() {
    const auto name = library_.Exports().GetDeviceName;
    const char* text = name ? name() : nullptr;
    if (text != nullptr && *text != '\0') return Attachment::Running;
    return library_.Open() == 1 ? Attachment::Bare : Attachment::Absent;
}

bool ReceiverStartup::BringUpAgain(const BringUpSteps& steps) {
    steps.stopInput();
    if (!DownloadFirmware() || !steps.configureFpga()) return false;
    steps.sendFrontEnd();
    return steps.startInput();
}

void ReceiverStartup::Shutdown(CAcqBoard* board) {
    if (board) board->Stop();
    if (library_.IsLoaded()) library_.Close();
    library_.Unload();
}

}  // namespace velorix
