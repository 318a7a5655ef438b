#include "ReceiverStartup.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "Bitstreams.h"

namespace velorix {

namespace {
constexpr const char* kTitle = "velorix";
constexpr const char* kInstallationError = "Installation Error";
constexpr const char* kFirmwareName = "velorix24v11_512.hex";
}  // namespace

bool ReceiverStartup::Fail(const std::string& text, const char* caption) {
    notifier_.Notify(text, caption, Notifier::Icon::Error, Notifier::Buttons::Ok);
    return false;
}

bool ReceiverStartup::Bind(const std::string& path, const std::vector<std::string>& lookedIn) {
    std::string error;
    if (library_.Load(path, error)) return true;
    if (!lookedIn.empty() && ::access(path.c_str(), F_OK) != 0)
        error.append("\n").append(files::LookedIn(lookedIn));
    return Fail(error, (std::string("Loading ") + kUsbLibraryName + "...").c_str());
}

bool ReceiverStartup::BindLibrary() {
    const UsbLibrary::Location where = UsbLibrary::Locate(place_);
    return Bind(where.path, where.lookedIn);
}

bool ReceiverStartup::BindLibrary(const std::string& path) {
    return Bind(path, {});
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
    const std::vector<std::string> dirs = ReceiverFileDirectories(place_);
    const std::optional<std::string> hex = files::FindFile(dirs, kFirmwareName);
    const int result = library_.FirmwareDownload(hex ? hex->c_str() : nullptr);
    if (result == 0) return true;
    return Fail(result == 1 ? files::NotFound(kFirmwareName, dirs) : "Firmware download error",
                kTitle);
}

void ReceiverStartup::ReadIdentity() {
    identity_.fill(0);
    library_.EepromRead(identity_.data(), 8, static_cast<int>(identity_.size()));
    preProduction_ = identity_[4] == 0xFF && identity_[5] == 0xFF;
}

bool ReceiverStartup::ConfigureFpga(int rateIdx) {
    const std::vector<std::string> dirs = ReceiverFileDirectories(place_);
    const std::string name = BitstreamName(rateIdx);
    const std::optional<std::string> found = files::FindFile(dirs, name + ".sbs");
    // Messages show the plain name and where it was looked for.
    if (!found) return Fail(files::NotFound(name, dirs), kInstallationError);
    // The key lies beside the bitstream it belongs to.
    const std::string dir = std::filesystem::path(*found).parent_path().string();
    BitstreamKey key{};
    std::string keyError;
    if (!LoadBitstreamKey(dir, rateIdx, key, keyError)) return Fail(keyError, kInstallationError);
    const std::string path = dir + "/" + name;
    const int result = library_.FpgaConfig(path.c_str(), key.data());
    if (result == 0) return true;
    return Fail(result == 1 ? files::NotFound(name, dirs) : "Bitstream load error",
                kInstallationError);
}

bool ReceiverStartup::ConfigureRate(int rateIdx, CAcqBoard* board, bool restart,
                                    const std::function<void()>& onConfigured,
                                    bool receiverIsSource) {
    rateIdx = std::clamp(rateIdx, 0, kRateCount - 1);
    settings_.DdcSamplingRateIdx = rateIdx;
    settings_.outputRateKHz = kOutputRatesKHz[rateIdx];
    if (restart && board) board->Stop();
    if (receiverIsSource && !ConfigureFpga(rateIdx)) return false;
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
