#include "PulseAudioSink.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace velorix {

namespace {

using Clock = std::chrono::steady_clock;

// How long the server may take to answer a connect, a listing or a resume,
// and how long a stream may refuse data before the server counts as stuck.
constexpr auto kAnswerTimeout = std::chrono::seconds(5);
constexpr auto kStallTimeout = std::chrono::seconds(2);
// Longest wait at Open for the server to begin playing a fresh stream.
constexpr auto kWarmUpTimeout = std::chrono::seconds(3);

// Target length of the server-side buffer: four 2048-byte buffers (65.5 ms).
// Small, so that a blocking write paces the writer in real time; the
// margin against scheduling jitter is CWaveOut's own queue.
constexpr uint32_t kTargetBytes = 4 * kAudioBufferBytes;

AudioStatus FromPulse(int error) {
    AudioError kind = AudioError::Other;
    switch (error) {
        case PA_ERR_NOENTITY:
            kind = AudioError::BadDevice;  // the sink vanished between listing and connecting
            break;
        case PA_ERR_BUSY:
            kind = AudioError::InUse;
            break;
        case PA_ERR_CONNECTIONREFUSED:
        case PA_ERR_INVALIDSERVER:
            kind = AudioError::NoDriver;  // no sound server to talk to
            break;
        case PA_ERR_NOTSUPPORTED:
            kind = AudioError::BadFormat;
            break;
        default:
            break;
    }
    return AudioStatus::Fail(kind, pa_strerror(error));
}

void OnSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    if (eol != 0 || info == nullptr) return;
    auto* sinks = static_cast<std::vector<PulseAudioSink::SinkInfo>*>(userdata);
    sinks->push_back({info->name ? info->name : "", info->description ? info->description : ""});
}

void OnStarted(pa_stream*, void* userdata) {
    *static_cast<bool*>(userdata) = true;
}

void OnSuccess(pa_stream*, int success, void* userdata) {
    *static_cast<int*>(userdata) = success ? 1 : 0;
}

}  // namespace

PulseAudioSink::PulseAudioSink(std::string server, std::string appName)
    : server_(std::move(server)), appName_(std::move(appName)) {}

PulseAudioSink::~PulseAudioSink() {
    (void)Close();
}

bool PulseAudioSink::Iterate(int timeoutMs) {
    if (pa_mainloop_prepare(loop_, timeoutMs * 1000) < 0) return false;
    if (pa_mainloop_poll(loop_) < 0) return false;
    return pa_mainloop_dispatch(loop_) >= 0;
}

AudioStatus PulseAudioSink::ContextError() const {
    return FromPulse(context_ ? pa_context_errno(context_) : PA_ERR_INTERNAL);
}

AudioStatus PulseAudioSink::Connect() {
    loop_ = pa_mainloop_new();
    if (loop_ == nullptr)
        return AudioStatus::Fail(AudioError::NoMemory, pa_strerror(PA_ERR_INTERNAL));
    context_ = pa_context_new(pa_mainloop_get_api(loop_), appName_.c_str());
    if (context_ == nullptr)
        return AudioStatus::Fail(AudioError::NoMemory, pa_strerror(PA_ERR_INTERNAL));
    if (pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return ContextError();
    const auto deadline = Clock::now() + kAnswerTimeout;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) return AudioStatus::Success();
        if (!PA_CONTEXT_IS_GOOD(state)) return ContextError();
        if (Clock::now() > deadline) return FromPulse(PA_ERR_TIMEOUT);
        if (!Iterate(100)) return ContextError();
    }
}

AudioStatus PulseAudioSink::ListSinks() {
    sinks_.clear();
    return Wait(pa_context_get_sink_info_list(context_, OnSinkInfo, &sinks_));
}

AudioStatus PulseAudioSink::OpenStream(const std::string& sinkName) {
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_S16LE;
    sampleFormat.rate = kAudioRateHz;
    sampleFormat.channels = kAudioChannels;
    stream_ = pa_stream_new(context_, appName_.c_str(), &sampleFormat, nullptr);
    if (stream_ == nullptr) {
        const int error = pa_context_errno(context_);
        // The only argument that can be invalid here is the sample format.
        if (error == PA_ERR_INVALID || error == PA_ERR_NOTSUPPORTED)
            return AudioStatus::Fail(AudioError::BadFormat, pa_strerror(error));
        return AudioStatus::Fail(AudioError::NoMemory, pa_strerror(error));
    }
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = kTargetBytes;
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = kAudioBufferBytes;
    attr.fragsize = static_cast<uint32_t>(-1);
    // Connected running, so that the server gets the stream going here (see
    // WarmUp); paused again before Open returns.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_, sinkName.empty() ? nullptr : sinkName.c_str(), &attr,
                                   flags, nullptr, nullptr) < 0)
        return ContextError();
    const auto deadline = Clock::now() + kAnswerTimeout;
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY) break;
        if (!PA_STREAM_IS_GOOD(state)) return ContextError();
        if (Clock::now() > deadline) return FromPulse(PA_ERR_TIMEOUT);
        if (!Iterate(100)) return ContextError();
    }
    if (AudioStatus warm = WarmUp(); !warm.Ok()) return warm;
    const char* device = pa_stream_get_device_name(stream_);
    description_ = device ? device : "";
    for (const SinkInfo& s : sinks_)
        if (s.name == description_) description_ = s.description;
    return AudioStatus::Success();
}

AudioStatus PulseAudioSink::Wait(pa_operation* op) {
    if (op == nullptr) return ContextError();
    const auto deadline = Clock::now() + kAnswerTimeout;
    AudioStatus status;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING && !interrupted_.load()) {
        if (Clock::now() > deadline) {
            status = FromPulse(PA_ERR_TIMEOUT);
            break;
        }
        if (!Iterate(100)) {
            status = ContextError();
            break;
        }
    }
    if (status.Ok() && !interrupted_.load() && pa_operation_get_state(op) != PA_OPERATION_DONE)
        status = ContextError();
    pa_operation_unref(op);
    return status;
}

AudioStatus PulseAudioSink::WarmUp() {
    // A server may begin to play a fresh stream late: a null sink that was
    // idle renders 2-second blocks and takes nothing until its current one
    // ends, up to 2 s after the stream connects. Met at the first block,
    // that wait overflowed CWaveOut's queue and lost the first second of
    // audio. So the stream is started here on silence, waited for (the
    // server's "started" notice), then paused and emptied; resumed later it
    // plays at once.
    bool started = false;
    pa_stream_set_started_callback(stream_, OnStarted, &started);
    const std::vector<std::byte> silence(pa_stream_writable_size(stream_));
    if (!silence.empty() &&
        pa_stream_write(stream_, silence.data(), silence.size(), nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return ContextError();
    const auto deadline = Clock::now() + kWarmUpTimeout;
    while (!started && Clock::now() < deadline)
        if (!Iterate(20)) return ContextError();
    pa_stream_set_started_callback(stream_, nullptr, nullptr);
    AudioStatus status = Wait(pa_stream_cork(stream_, 1, nullptr, nullptr));
    if (status.Ok()) status = Wait(pa_stream_flush(stream_, nullptr, nullptr));
    return status;
}

AudioStatus PulseAudioSink::Open(const std::string& nameSubstring) {
    (void)Close();
    interrupted_.store(false);
    AudioStatus status = Connect();
    if (status.Ok()) status = ListSinks();
    std::string sinkName;
    if (status.Ok() && !nameSubstring.empty()) {
        const auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const SinkInfo& s) {
            return DeviceMatches(s.description, nameSubstring);
        });
        if (it == sinks_.end())
            status = AudioStatus::Fail(AudioError::NotFound, {});
        else
            sinkName = it->name;
    }
    if (status.Ok()) status = OpenStream(sinkName);
    if (!status.Ok()) (void)Close();
    return status;
}

AudioStatus PulseAudioSink::Start() {
    if (stream_ == nullptr) return FromPulse(PA_ERR_BADSTATE);
    int success = -1;
    AudioStatus status = Wait(pa_stream_cork(stream_, 0, OnSuccess, &success));
    if (status.Ok() && success == 0) status = ContextError();
    return status;
}

AudioStatus PulseAudioSink::Write(const std::byte* data, size_t bytes) {
    if (stream_ == nullptr) return FromPulse(PA_ERR_BADSTATE);
    size_t done = 0;
    auto deadline = Clock::now() + kStallTimeout;
    while (done < bytes) {
        if (interrupted_.load(std::memory_order_acquire)) return AudioStatus::Success();
        if (pa_stream_get_state(stream_) != PA_STREAM_READY) return ContextError();
        const size_t room = pa_stream_writable_size(stream_);
        if (room == static_cast<size_t>(-1)) return ContextError();
        if (room == 0) {
            if (Clock::now() > deadline) return FromPulse(PA_ERR_TIMEOUT);
            if (!Iterate(100)) return ContextError();
            continue;
        }
        const size_t n = std::min(room, bytes - done);
        if (pa_stream_write(stream_, data + done, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return ContextError();
        done += n;
        deadline = Clock::now() + kStallTimeout;
    }
    // Let the server's answers (room, state changes) in without waiting.
    for (int i = 0; i < 8 && pa_mainloop_iterate(loop_, 0, nullptr) > 0; ++i) {
    }
    return AudioStatus::Success();
}

void PulseAudioSink::Interrupt() {
    interrupted_.store(true, std::memory_order_release);
    // pa_mainloop_wakeup is the one main-loop call meant for other threads.
    if (loop_ != nullptr) pa_mainloop_wakeup(loop_);
}

AudioStatus PulseAudioSink::Close() {
    if (stream_ != nullptr) {
        // Disconnecting drops whatever the server still holds of the stream.
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    if (loop_ != nullptr) {
        pa_mainloop_free(loop_);
        loop_ = nullptr;
    }
    return AudioStatus::Success();
}

}  // namespace velorix
