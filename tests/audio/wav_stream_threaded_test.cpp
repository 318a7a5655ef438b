// The WAV device written as a stream into a FIFO whose reader stops reading.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "WavFileSink.h"

namespace velorix::test {
namespace {

TEST(WavStream, AWriteHeldByAReaderThatStopsReadingIsReleasedByInterrupt) {
    TempDir dir("wav-stream");
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    WavFileSink sink(fifo);
    ASSERT_TRUE(sink.Open("").Ok());
    EXPECT_TRUE(sink.IsStream());

    AudioStatus last;
    std::thread writer([&] {
        const std::vector<std::byte> buffer(kAudioBufferBytes);
        while ((last = sink.Write(buffer.data(), buffer.size())).Ok()) {
        }
    });
    // The reader takes nothing: the pipe fills and the writer waits on it.
    const int probe = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    pollfd room{probe, POLLOUT, 0};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (::poll(&room, 1, 0) != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    int held = 0;
    ASSERT_EQ(::ioctl(reader, FIONREAD, &held), 0);
    sink.Interrupt();
    writer.join();
    EXPECT_EQ(last.text, "Can't write " + fifo + ": the reader stopped taking the audio");
    // Every whole buffer the pipe took is counted, the one held back is not.
    EXPECT_EQ(sink.DataBytes(), static_cast<uint64_t>(held - WavFileSink::kHeaderBytes));
    ::close(probe);
    EXPECT_TRUE(sink.Close().Ok());  // nothing to patch in a stream
    ::close(reader);
}

}  // namespace
}  // namespace velorix::test
