// Writes the virtual receiver's three bitstream files, scrambled under their
// keys as real bitstream files are: velorix125k24v11.sbs, velorix250k24v11.sbs,
// velorix500k24v11.sbs. The host sends reverse(s XOR keystream) for each file
// byte s and the FPGA reverses the bits back, so a file byte is the image byte
// XOR the keystream.
// Usage: velorix_make_bitstreams <output directory>
#include <cstdio>
#include <string>
#include <vector>

#include "BitstreamDescrambler.h"
#include "BitstreamKeys.h"
#include "VirtualBitstream.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const int rates[3] = {125, 250, 500};
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> data = velorix::sim::virtual_bitstream::Build(rates[i]);
        velorix::usb::BitstreamDescrambler d;
        d.Load(velorix::kBitstreamKeys[i]);
        for (uint8_t& b : data)
            b = uint8_t(b ^ d.Next());
        const std::string path =
            std::string(argv[1]) + "/velorix" + std::to_string(rates[i]) + "k24v11.sbs";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() ||
            std::fclose(f) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
