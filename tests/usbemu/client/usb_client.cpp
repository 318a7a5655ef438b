// The library's side of the transport tests: run by velorix-usb-emulator, it
// drives libvelorixusb.so through its exports, as the program does, and
// prints what it saw as "key value" lines for the test to judge.
//   usbemu_client bringup
//   usbemu_client stream RATE_INDEX BLOCKS  (streams until BLOCKS blocks arrived)
//   usbemu_client idle SECONDS      (brought up at 500 kHz, then nothing; for benchmarks)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "Bitstreams.h"
#include "BlockCollector.h"
#include "UsbLibrary.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using velorix::UsbExports;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Names(const UsbExports& x) {
    return std::string(x.GetDeviceName()) + "|" + x.GetFriendlyDeviceName();
}

int Configure(const UsbExports& x, int rateIdx) {
    velorix::BitstreamKey key{};
    std::string error;
    // The emulator names the virtual receiver's files as the owner's.
    const char* data = std::getenv("VELORIX_DATA_DIR");
    const std::string dir = data ? data : ".";
    if (!velorix::LoadBitstreamKey(dir, rateIdx, key, error)) return -1;
    return x.FpgaConfig((dir + "/" + velorix::BitstreamName(rateIdx)).c_str(), key.data());
}

// Open, firmware, the identity's serial; true when all went well.
bool BringUp(const UsbExports& x) {
    std::printf("open %d\n", x.Open());
    std::printf("names_before %s\n", Names(x).c_str());
    const auto start = Clock::now();
    const int firmware = x.FirmwareDownload(nullptr);
    std::printf("firmware %d\nfirmware_seconds %.3f\n", firmware, Since(start));
    std::printf("names %s\n", Names(x).c_str());
    unsigned char id[12] = {};
    const int read = x.EepromRead(id, 8, 12);
    std::printf("eeprom %d\nserial %u\n", read, id[0] | id[1] << 8);
    return firmware == 0;
}

int Stream(const UsbExports& x, int rateIdx, int wanted) {
    if (!BringUp(x) || Configure(x, rateIdx) != 0) return 1;
    const int blockBytes = (125 << rateIdx) / 125 * 16320;
    velorix::test::BlockCollector blocks(blockBytes);
    const unsigned char run[5] = {0x01, 0, 0, 0, 0};
    x.Sio(run, 5);
    std::printf("start %d\n", x.StartAsyncInput(blockBytes, &blocks.Callback, &blocks));
    // However slowly a loaded machine delivers them; only a stream that stops
    // altogether ends the wait early.
    int seen = 0;
    auto progress = Clock::now();
    while (blocks.Blocks() + blocks.Lost() < wanted && Since(progress) < 60.0) {
        std::this_thread::sleep_for(10ms);
        if (const int now = blocks.Blocks() + blocks.Lost(); now != seen) {
            seen = now;
            progress = Clock::now();
        }
    }
    x.StopAsyncInput();
    blocks.MarkStopped();
    std::printf("blocks %d\nframes %d\nbroken %d\nlost %d\nfirst %u\n", blocks.Blocks(),
                blocks.Frames(), blocks.Broken(), blocks.Lost(),
                blocks.Blocks() ? blocks.Firsts().front() : 0);
    std::printf("odd_steps");
    for (uint32_t step : blocks.OddSteps())
        std::printf(" %u", step);
    std::printf("\n");
    // Nothing may arrive once the stop returned.
    std::this_thread::sleep_for(100ms);
    std::printf("after_stop %d\n", blocks.AfterStop());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    velorix::UsbLibrary library;
    std::string error;
    if (!library.Load(velorix::UsbLibrary::DefaultPath(), error)) {
        std::fprintf(stderr, "usbemu_client: %s\n", error.c_str());
        return 2;
    }
    const UsbExports& x = library.Exports();
    const std::string what = argc > 1 ? argv[1] : "";
    int code = 2;
    if (what == "bringup") {
        code = BringUp(x) ? 0 : 1;
        for (int rate = 0; rate < 3; ++rate)
            std::printf("fpga_%d %d\n", 125 << rate, Configure(x, rate));
    } else if (what == "idle" && argc >= 3) {
        code = BringUp(x) && Configure(x, 2) == 0 ? 0 : 1;
        std::printf("idle\n");
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[2])));
    } else if (what == "stream" && argc >= 4) {
        code = Stream(x, std::atoi(argv[2]), std::atoi(argv[3]));
    } else {
        std::fprintf(stderr,
                     "usage: usbemu_client bringup | stream RATE_INDEX BLOCKS | "
                     "idle SECONDS\n");
    }
    x.Close();
    return code;
}
