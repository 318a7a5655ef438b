#include "FpgaLoader.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "BitstreamDescrambler.h"
#include "CheckedFile.h"
#include "UsbLog.h"

namespace velorix::usb {

FpgaLoader::FpgaLoader(std::unique_ptr<UsbTransport> transport) : FpgaDevice(std::move(transport)) {
    for (int i = 0; i < 256; ++i) {
        uint8_t r = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (i & (1 << bit)) r = uint8_t(r | (0x80 >> bit));
        reverse_[size_t(i)] = r;
    }
}

int FpgaLoader::ConfigureFpga(const char* name, const uint8_t* key) {
    if (!FirmwareReady()) return 3;
    if (!name) return 1;
    const uint8_t begin = 0x01;
    WriteCommand(&begin, 1);  // the answer to "begin" tells nothing
    fpgaConfigured_ = 0;
    if (!SetTransferSize(kCommandOut, kCommandPacket)) return 2;

    BitstreamDescrambler descrambler;
    std::string path = name;
    if (key) {
        descrambler.Load(key);
        path += ".sbs";
    }
    // A FIFO, device or directory is refused before a byte is sent, and so is
    // a file far too large for any bitstream.
    FILE* file = files::OpenInputStream(path, files::kBitstreamLimit);
    if (!file) return 1;

    const auto start = std::chrono::steady_clock::now();
    uint8_t frame[kCommandPacket];
    frame[0] = 0x00;  // configuration data
    for (;;) {
        const size_t n = std::fread(frame + 1, 1, kCommandPacket - 1, file);
        if (n == 0) break;
        for (size_t i = 1; i <= n; ++i) {
            const uint8_t b = key ? uint8_t(frame[i] ^ descrambler.Next()) : frame[i];
            frame[i] = reverse_[b];
        }
        if (WriteFrame(frame, int(n) + 1) != TransferStatus::Ok) {
            std::fclose(file);
            return 2;
        }
    }
    std::fclose(file);
    const double elapsed = double(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - start)
                                      .count()) *
                           0.001;

    const uint8_t end = 0x02;
    uint8_t reply[2] = {0, 0};
    int received = 0;
    if (WriteCommand(&end, 1) == TransferStatus::Ok) ReadReply(reply, 2, &received);
    if (received == 2 && reply[1] == 1) {
        DebugLine("FPGA configured in %2.3f s\n", elapsed);
        fpgaConfigured_ = 1;
        return 0;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Error: FPGA not configured. Elapsed time: %2.3f s\n",
                  elapsed);
    ShowMessage("libvelorixusb.so - fpgaconfig", text);
    return 2;
}

}  // namespace velorix::usb
