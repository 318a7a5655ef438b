#include "ReceiverStartup.h"

#include <algorithm>
#include <cstdio>

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
    while (library_.Open() != 1) {
        const auto answer =
            notifier_.Notify("Velorix receiver not found\nPlease check connections and retry",
                             kTitle, Notifier::Icon::Warning, Notifier::Buttons::RetryCancel);
        if (answer != Notifier::Answer::Retry) return false;
    }
    return true;
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
