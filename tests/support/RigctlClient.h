#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

namespace velorix::test {

// A rigctl client on a plain socket to 127.0.0.1. Reads wait for what they
// expect (or the server's close), with a deadline no loaded machine comes
// near; `idle` runs between the waits (a Qt test processes its events there).
class RigctlClient {
public:
    using Idle = std::function<void()>;

    explicit RigctlClient(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RigctlClient() { close(fd_); }
    RigctlClient(const RigctlClient&) = delete;
    RigctlClient& operator=(const RigctlClient&) = delete;

    bool Connected() const { return connected_; }
    int Fd() const { return fd_; }
    void Send(const std::string& bytes) const {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    std::string ReadUntil(const std::function<bool(const std::string&)>& complete,
                          const Idle& idle = nullptr) {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!complete(text) && !closedByServer_ && std::chrono::steady_clock::now() < end) {
            if (idle) idle();
            pollfd p{fd_, POLLIN, 0};
            char buffer[65536];
            if (poll(&p, 1, idle ? 5 : 100) <= 0) continue;
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            closedByServer_ = n <= 0;
            if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }
    std::string ReadLines(long lines, const Idle& idle = nullptr) {
        return ReadUntil(
            [lines](const std::string& t) { return std::count(t.begin(), t.end(), '\n') >= lines; },
            idle);
    }
    // One line of commands and the `lines` lines of its answer.
    std::string Ask(const std::string& line, long lines = 1, const Idle& idle = nullptr) {
        Send(line + "\n");
        return ReadLines(lines, idle);
    }
    // Whether the server ends the connection (what it still sends is read).
    bool ClosedByServer() {
        ReadUntil([](const std::string&) { return false; });
        return closedByServer_;
    }

private:
    int fd_;
    bool connected_ = false;
    bool closedByServer_ = false;
};

}  // namespace velorix::test
