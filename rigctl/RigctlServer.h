#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "RigControl.h"
#include "RigctlEndpoint.h"

namespace velorix {

// A TCP server speaking Hamlib's NET rigctl protocol, for loggers and
// digital-mode programs (their rig "Hamlib NET rigctl").
//
// One thread of its own does every socket's I/O without blocking (poll), so
// a client that sends nothing, stops mid-line or never reads its answers
// holds up no one. Each client's complete lines go, a few at a time, as one
// task to the receiver's thread (the executor), which answers them on the
// receiver and hands the answer back; a client has one task under way at a
// time, so its answers keep their order. Everything a client can make the
// server hold is bounded: a line over 1 KiB ends the connection; unprocessed
// input beyond 16 KiB is left in the socket (the client's sends then wait);
// while 16 KiB of answers wait unread, no more of its lines are answered.
// Up to 16 clients at once; further connections are closed at once. Dead
// peers are found by TCP keep-alive.
class RigctlServer {
public:
    using Task = std::function<void()>;
    // Runs a task on the receiver's thread, later; must not block.
    using Executor = std::function<void(Task)>;

    static constexpr std::size_t kMaxClients = 16;
    static constexpr std::size_t kMaxLineBytes = 1024;
    static constexpr std::size_t kMaxInputBytes = 16384;
    static constexpr std::size_t kMaxOutputBytes = 16384;
    static constexpr std::size_t kLinesPerTask = 8;

    // Listens on `endpoint` (port 0: any free port; see Port()). Null, with
    // `error` in the program's words, when it cannot. `rig` must outlive
    // the server.
    static std::unique_ptr<RigctlServer> Start(const RigctlEndpoint& endpoint, RigControl& rig,
                                               Executor executor, std::string& error);
    // Closes every connection and joins the thread; a task still waiting on
    // the executor then does nothing. Waits for a task that is running.
    ~RigctlServer();
    RigctlServer(const RigctlServer&) = delete;
    RigctlServer& operator=(const RigctlServer&) = delete;

    // The port listened on.
    int Port() const { return port_; }
    // Connections accepted so far.
    std::uint64_t Connections() const { return connections_.load(); }

private:
    struct Link;
    struct Client;

    RigctlServer(int listenFd, int port, RigControl& rig, Executor executor);
    void Run();
    void CollectAnswers();
    void Accept();
    void Service(Client& client, short events);
    void Dispatch(Client& client);

    const int listenFd_;
    const int port_;
    const Executor executor_;
    const std::shared_ptr<Link> link_;
    std::vector<Client> clients_;  // the server thread's alone
    std::uint64_t nextId_ = 1;
    std::atomic<std::uint64_t> connections_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace velorix
