#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "AcqBoard.h"
#include "ControlActions.h"
#include "DspRecorder.h"
#include "FakeEngine.h"
#include "FakeUsbDevice.h"
#include "ReceiverController.h"
#include "ReceiverStartup.h"
#include "RecordingNotifier.h"
#include "SettingsRecord.h"
#include "StationLists.h"
#include "TempDir.h"
#include "WavFormat.h"

namespace velorix::test {

// A controller over the scripted receiver library and a stand-in engine, the
// real board, start-up layer and recorder.
class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() : dir_("control") {
        FakeUsbDevice::Reset();
        // The owner's bitstreams, for the scripted library to be handed.
        for (const char* name : {"velorix125k24v11", "velorix250k24v11", "velorix500k24v11"})
            WriteAll(dir_ / (std::string(name) + ".sbs"), {});
        setenv("VELORIX_DATA_DIR", dir_.path().c_str(), 1);
    }
    ~ControllerTest() override {
        ctl.reset();
        board.Stop();
        unsetenv("VELORIX_DATA_DIR");
    }

    FakeUsbDevice& dev() { return FakeUsbDevice::Get(); }

    // Opens the board, builds the controller and runs the window's start-up:
    // restore, start, front end. The device's record starts empty afterwards.
    void StartUp(bool preProduction = false) {
        if (preProduction) {
            dev().identity[4] = 0xFF;
            dev().identity[5] = 0xFF;
        }
        board.Open(&settings);
        ctl = NewController(recorder, &lists);
        ctl->SetFreeSpaceProbe([this](const std::string&) { return freeBytes; });
        ctl->RestoreAll();
        ctl->Start();
        ctl->SendFrontEnd();
        ClearDevice();
        engine.calls.clear();
    }

    // A controller over this fixture's parts, with `rec` as its recorder.
    std::unique_ptr<ReceiverController> NewController(CDspRecorder& rec,
                                                      const StationLists* stations) {
        return std::make_unique<ReceiverController>(
            ControllerWiring{settings, engine, board, lib, startup, rec, stations, notes, &engine,
                             &engine, [this] { return now; }});
    }

    void ClearDevice() {
        dev().sioFrames.clear();
        dev().attenuatorSteps.clear();
        dev().preselectorFilters.clear();
        dev().fpgaNames.clear();
    }

    // Nothing at all went to the receiver since the last ClearDevice.
    bool ReceiverUntouched() {
        return dev().sioFrames.empty() && dev().attenuatorSteps.empty() &&
               dev().preselectorFilters.empty() && dev().fpgaNames.empty();
    }

    // A recording of `dataBytes` sample bytes with the given receiver settings.
    // With `overloadMark` every unit's first frame carries the converter's
    // overload mark (bit 0 of I's low byte differs from its sign bit).
    std::string WriteRecording(const std::string& name, const WavReceiverInfo& info,
                               std::uint32_t dataBytes, bool overloadMark = false) {
        WavHeaderImage header = BuildWavHeader(info);
        SetWavSizes(header, dataBytes);
        std::vector<std::uint8_t> bytes(header.begin(), header.end());
        bytes.resize(bytes.size() + dataBytes, 0);
        if (overloadMark)
            for (std::size_t at = kWavHeaderBytes; at < bytes.size(); at += 6144)
                bytes[at] = 0x01;
        const std::string path = dir_ / name;
        WriteAll(path, bytes);
        return path;
    }

    const PanelState& panel() const { return ctl->Panel(); }
    const DisplayState& mainDisplay() const { return ctl->MainDisplay(); }
    const DisplayState& secondaryDisplay() const { return ctl->SecondaryDisplay(); }

    TempDir dir_;
    UsbLibrary lib{FakeUsbDevice::Exports()};
    SettingsRecord settings;
    RecordingNotifier notes;
    ReceiverStartup startup{lib, settings, notes};
    CAcqBoard board{lib};
    CDspRecorder recorder{&settings, &notes};
    FakeEngine engine;
    std::optional<std::uint64_t> freeBytes = std::uint64_t{100} << 30;
    std::int64_t now = 1700000000;  // Tue 14-Nov-2023 22:13:20 UTC
    StationLists lists;
    std::unique_ptr<ReceiverController> ctl;
};

}  // namespace velorix::test
