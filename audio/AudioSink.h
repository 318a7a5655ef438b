#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace velorix {

// The stream every audio sink takes: 16-bit little-endian stereo PCM at
// 31 250 frames per second, handed over in buffers of 512 frames.
inline constexpr int kAudioRateHz = 31250;
inline constexpr int kAudioChannels = 2;
inline constexpr int kAudioBytesPerFrame = 4;
inline constexpr int kAudioFramesPerBuffer = 512;
inline constexpr int kAudioBufferBytes = kAudioFramesPerBuffer * kAudioBytesPerFrame;  // 2048
// 512 frames at 31 250 Hz: 16.384 ms.
inline constexpr double kAudioBufferSeconds =
    static_cast<double>(kAudioFramesPerBuffer) / kAudioRateHz;

// Why an audio service refused. The first five are the failures the user
// is told about in fixed words; NotFound (no device matches the name asked
// for) is silent; Other carries the service's own text.
enum class AudioError { None, NotFound, BadDevice, InUse, NoDriver, NoMemory, BadFormat, Other };

struct AudioStatus {
    AudioError error = AudioError::None;
    // The service's own words for the failure (empty on success).
    std::string text;

    bool Ok() const { return error == AudioError::None; }
    static AudioStatus Success() { return {}; }
    static AudioStatus Fail(AudioError e, std::string t) { return {e, std::move(t)}; }
};

// The platform's audio service as CWaveOut uses it: one output device,
// opened paused, then resumed and fed buffer by buffer.
//
// Threads: Open runs on the caller's thread before CWaveOut starts its
// threads; Start and Write run on CWaveOut's writer thread only; Close runs
// after that thread has been joined. Interrupt may be called from any
// thread at any time.
class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Chooses the device and opens it paused. An empty `nameSubstring`
    // picks the default device; otherwise the first device whose
    // description contains it, or NotFound when none does.
    virtual AudioStatus Open(const std::string& nameSubstring) = 0;
    // Resumes the paused device.
    virtual AudioStatus Start() = 0;
    // Hands `bytes` bytes of frames to the device. Returns when the device
    // has taken them; a real-time device blocks here, which paces the
    // writer. The buffer counts as played when this returns.
    virtual AudioStatus Write(const std::byte* data, size_t bytes) = 0;
    // Makes a blocked Write return at once, and every later one too; used
    // at shutdown.
    virtual void Interrupt() = 0;
    // Discards what is still queued and closes the device.
    virtual AudioStatus Close() = 0;

    // True for devices that play in real time: when all buffers are queued
    // the chain drops its block. False for a file, which never loses data
    // and makes the chain wait instead.
    virtual bool DropsWhenFull() const = 0;
    // The chosen device's description (for messages and readouts).
    virtual std::string Description() const = 0;
};

// Whether a device described by `description` answers a request for
// `nameSubstring` (empty asks for the default device and always matches).
inline bool DeviceMatches(const std::string& description, const std::string& nameSubstring) {
    return nameSubstring.empty() || description.find(nameSubstring) != std::string::npos;
}

}  // namespace velorix
