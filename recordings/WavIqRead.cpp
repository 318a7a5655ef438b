// WAV I/Q files as many receiver programs write them: two channels (I left,
// Q right) of 8/16/24/32-bit PCM or 32-bit float, in a plain or extensible
// format chunk, often with an "auxi" chunk holding the centre frequency and
// the start time. Chunks may come in any order; unknown ones are skipped.
#include <unistd.h>

#include <cstring>

#include "CheckedFile.h"
#include "ForeignRecording.h"
#include "UtcTime.h"

namespace velorix {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The GUID an extensible format's sub-format ends with after its 2-byte tag.
constexpr std::uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// More chunks than any writer makes: the file is not what it claims.
constexpr int kMaxChunks = 1000;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

bool ReadAt(int fd, std::uint64_t at, void* to, std::size_t n) {
    return ::pread(fd, to, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
}

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    std::uint32_t rate = 0;
    int blockAlign = 0;
    int bits = 0;
};

// The "auxi" chunk: start and stop as two SYSTEMTIME records (year, month,
// day of week, day, hour, minute, second, millisecond; 16 bits each), then
// 32-bit centre frequency, ADC rate, IF, bandwidth, IQ offset, 4 unused.
bool ReadAuxi(const std::uint8_t* a, std::size_t size, ForeignRecording& out, std::string& why) {
    if (size < 36) {
        why = "auxi: " + std::to_string(size) + " bytes, too short for a start time and centre";
        return false;
    }
    out.centreHz = Le32(a + 32);
    if (size >= 48 && Le32(a + 44) != 0) out.bandwidthHz = Le32(a + 44);
    bool blank = true;
    for (int i = 0; i < 16; ++i)
        blank &= a[i] == 0;
    if (blank) return true;  // no time recorded
    const int year = Le16(a), month = Le16(a + 2), day = Le16(a + 6);
    const auto utc = UtcSeconds(year, month, day, Le16(a + 8), Le16(a + 10), Le16(a + 12));
    if (!utc) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "auxi: start time %04d-%02d-%02d %02d:%02d:%02d is no time", year, month, day,
                      Le16(a + 8), Le16(a + 10), Le16(a + 12));
        why = text;
        return false;
    }
    out.times.push_back({0, *utc});
    return true;
}

bool ReadFormat(const std::uint8_t* f, std::size_t size, Format& format, std::string& why) {
    if (size < 16) {
        why = "fmt: " + std::to_string(size) + " bytes, too short";
        return false;
    }
    format.tag = Le16(f);
    format.channels = Le16(f + 2);
    format.rate = Le32(f + 4);
    format.blockAlign = Le16(f + 12);
    format.bits = Le16(f + 14);
    if (format.tag == kFormatExtensible) {
        if (size < 40 || std::memcmp(f + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) {
            why = "fmt: the extensible format's sub-format is no PCM or float GUID";
            return false;
        }
        format.tag = Le16(f + 24);
    }
    return true;
}

// The encoding of two channels of `format`, or an empty result and `why`.
std::optional<IqEncoding> EncodingOf(const Format& f, std::string& why) {
    char text[128];
    if (f.channels != 2) {
        std::snprintf(text, sizeof text, "fmt: %d channels: I/Q needs 2 (I left, Q right)",
                      f.channels);
        why = text;
        return std::nullopt;
    }
    std::optional<IqEncoding> e;
    if (f.tag == kFormatPcm) {
        switch (f.bits) {
            case 8:
                e = IqEncoding::CU8;
                break;
            case 16:
                e = IqEncoding::CI16;
                break;
            case 24:
                e = IqEncoding::CI24;
                break;
            case 32:
                e = IqEncoding::CI32;
                break;
        }
    } else if (f.tag == kFormatFloat && f.bits == 32) {
        e = IqEncoding::CF32;
    } else if (f.tag != kFormatFloat) {
        std::snprintf(text, sizeof text,
                      "fmt: format tag 0x%04X is neither PCM (1), float (3) nor extensible", f.tag);
        why = text;
        return std::nullopt;
    }
    if (!e) {
        std::snprintf(text, sizeof text,
                      "fmt: %d-bit %s samples: velorix reads 8/16/24/32-bit PCM and 32-bit float",
                      f.bits, f.tag == kFormatPcm ? "PCM" : "float");
        why = text;
        return std::nullopt;
    }
    if (f.blockAlign != IqSampleBytes(*e)) {
        std::snprintf(text, sizeof text,
                      "fmt: block alignment %d does not fit 2 channels of %d bits (%d bytes)",
                      f.blockAlign, f.bits, IqSampleBytes(*e));
        why = text;
        return std::nullopt;
    }
    if (f.rate == 0) {
        why = "fmt: sample rate 0";
        return std::nullopt;
    }
    return e;
}

}  // namespace

bool ProbeWavIq(const std::string& path, ForeignRecording& out, std::string& error) {
    files::FileProblem problem;
    const auto in = files::OpenInput(path, files::kNoLimit, &problem);
    if (!in) {
        error = problem.Describe(path);
        return false;
    }
    const int fd = in->handle.Get();
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return false;
    };
    std::uint8_t riff[12];
    if (!ReadAt(fd, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return fail("not a WAV file (no RIFF/WAVE header)");

    ForeignRecording r;
    r.kind = "WAV";
    r.dataPath = path;
    Format format;
    bool haveFormat = false, haveData = false;
    std::uint64_t dataBytes = 0;
    std::uint64_t at = 12;
    for (int chunks = 0; at + 8 <= in->size; ++chunks) {
        if (chunks == kMaxChunks) return fail("more than 1000 chunks");
        std::uint8_t head[8];
        if (!ReadAt(fd, at, head, sizeof head))
            return fail("cannot read the chunk at " + std::to_string(at));
        const std::string id(reinterpret_cast<const char*>(head), 4);
        const std::uint32_t size = Le32(head + 4);
        const std::uint64_t body = at + 8;
        if (id == "data") {
            if (body + size > in->size)
                return fail("truncated: the data chunk holds " + std::to_string(size) +
                            " bytes, the file " + std::to_string(in->size - body) + " after it");
            r.dataOffset = body;
            dataBytes = size;
            haveData = true;
        } else if (id == "fmt " || id == "auxi") {
            // Both are small: more than 4 KB is no chunk of these kinds.
            std::uint8_t bytes[4096];
            const std::size_t n = std::min<std::uint32_t>(size, sizeof bytes);
            if (body + n > in->size || !ReadAt(fd, body, bytes, n)) return fail(id + ": truncated");
            std::string why;
            if (id == "fmt ") {
                if (!ReadFormat(bytes, n, format, why)) return fail(why);
                haveFormat = true;
            } else if (!ReadAuxi(bytes, n, r, why)) {
                return fail(why);
            }
        }
        // Chunks are padded to an even size.
        at = body + size + (size & 1);
    }
    if (!haveFormat) return fail("no fmt chunk");
    if (!haveData) return fail("no data chunk");
    std::string why;
    const auto encoding = EncodingOf(format, why);
    if (!encoding) return fail(why);
    r.encoding = *encoding;
    r.rateHz = format.rate;
    const int sampleBytes = IqSampleBytes(r.encoding);
    if (dataBytes % sampleBytes != 0)
        return fail("data: " + std::to_string(dataBytes) + " bytes are not a whole number of " +
                    std::to_string(sampleBytes) + "-byte samples");
    r.samples = dataBytes / sampleBytes;
    out = std::move(r);
    return true;
}

}  // namespace velorix
