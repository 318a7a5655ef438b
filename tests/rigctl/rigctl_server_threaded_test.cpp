// The server over real sockets, its commands run by an executor thread that
// stands in for the receiver's: several clients, and clients that misbehave.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeRig.h"
#include "RigctlClient.h"
#include "RigctlServer.h"
#include "TaskQueue.h"

namespace velorix {
namespace {

using test::RigctlClient;

class RigctlServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        executor_ = std::thread([this] {
            while (!stopExecutor_.load())
                tasks_.RunFor(std::chrono::milliseconds(10));
        });
        std::string error;
        server_ = RigctlServer::Start(
            {"127.0.0.1", 0}, rig_,
            [this](RigctlServer::Task task) { tasks_.Post(std::move(task)); }, error);
        ASSERT_NE(server_, nullptr) << error;
    }
    void TearDown() override {
        server_.reset();
        stopExecutor_.store(true);
        executor_.join();
    }
    int Port() const { return server_->Port(); }

    test::FakeRig rig_;  // touched by the executor thread only while it runs
    TaskQueue tasks_;
    std::atomic<bool> stopExecutor_{false};
    std::thread executor_;
    std::unique_ptr<RigctlServer> server_;
};

TEST_F(RigctlServerTest, ServesSeveralClientsAtOnceEachInItsOwnOrder) {
    constexpr int kClients = 6;
    constexpr int kRounds = 40;
    std::vector<std::unique_ptr<RigctlClient>> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<RigctlClient>(Port()));
        ASSERT_TRUE(clients.back()->Connected());
    }
    // Every client sends all its lines before reading: the answers must come
    // back whole and in each client's order, however the tasks interleave.
    std::string expected;
    for (int r = 0; r < kRounds; ++r) {
        for (auto& c : clients)
            c->Send("f\nl RAWSTR\n+v\n");
        expected += "14150000\n-534\nget_vfo:\nVFO: VFOA\nRPRT 0\n";
    }
    for (auto& c : clients)
        EXPECT_EQ(c->ReadLines(5 * kRounds), expected);
    // One client's tuning is what the others read.
    EXPECT_EQ(clients[0]->Ask("F 7074000"), "RPRT 0\n");
    EXPECT_EQ(clients[kClients - 1]->Ask("f"), "7074000\n");
    EXPECT_EQ(server_->Connections(), static_cast<std::uint64_t>(kClients));

    std::string error;  // a second server on the port
    EXPECT_EQ(RigctlServer::Start({"127.0.0.1", Port()}, rig_, nullptr, error), nullptr);
    EXPECT_EQ(error, "the rigctl server cannot listen on 127.0.0.1:" + std::to_string(Port()) +
                         ": Address already in use");
}

// Each kind of misbehaviour is bounded, and the well-behaved client beside
// them is answered throughout.
TEST_F(RigctlServerTest, MisbehavingClientsAreBoundedAndHoldUpNoOne) {
    RigctlClient silent(Port());
    RigctlClient halfLine(Port());
    halfLine.Send("F 70000");  // never finished
    {
        RigctlClient dropped(Port());
        dropped.Send("f\nm\nl STR");  // gone before its answers are read
    }
    RigctlClient other(Port());
    EXPECT_EQ(other.Ask("f m", 3), "14150000\nUSB\n2400\n");

    RigctlClient longLine(Port());
    longLine.Send(std::string(RigctlServer::kMaxLineBytes + 1, 'f'));
    EXPECT_TRUE(longLine.ClosedByServer());

    RigctlClient flood(Port());  // thousands of commands at once: every one answered
    std::string lines;
    for (int i = 0; i < 5000; ++i)
        lines += "f\n";
    flood.Send(lines);
    EXPECT_EQ(flood.ReadLines(5000).size(), 5000u * 9u);

    // A client that never reads: once its unread answers reach the bound the
    // server stops taking its input, so its sends come to a stop.
    RigctlClient deaf(Port());
    fcntl(deaf.Fd(), F_SETFL, fcntl(deaf.Fd(), F_GETFL) | O_NONBLOCK);
    const int small = 4096;  // less for the kernel to hold on the way
    setsockopt(deaf.Fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    std::string dumps;
    for (int i = 0; i < 100; ++i)
        dumps += "\\dump_state\n";
    std::size_t sent = 0;
    bool stopped = false;
    while (!stopped && sent < (std::size_t{256} << 20)) {
        const ssize_t n = send(deaf.Fd(), dumps.data(), dumps.size(), MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) break;
        // The kernel's buffers may still drain into the server: stopped is
        // when nothing more goes for half a second.
        pollfd p{deaf.Fd(), POLLOUT, 0};
        if (n < 0) stopped = poll(&p, 1, 500) == 0;
    }
    EXPECT_TRUE(stopped) << sent << " bytes sent";

    // A client whose sending side closes gets its answers, then the end.
    other.Send("f\n");
    shutdown(other.Fd(), SHUT_WR);
    EXPECT_EQ(other.ReadLines(1), "14150000\n");
    EXPECT_TRUE(other.ClosedByServer());
}

TEST_F(RigctlServerTest, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    std::vector<std::unique_ptr<RigctlClient>> clients;
    for (std::size_t i = 0; i < RigctlServer::kMaxClients; ++i) {
        clients.push_back(std::make_unique<RigctlClient>(Port()));
        EXPECT_EQ(clients.back()->Ask("v"), "VFOA\n");
    }
    RigctlClient refused(Port());
    EXPECT_TRUE(refused.ClosedByServer());
    clients.front().reset();
    // The slot comes free once the server has seen the close.
    std::string answer;
    for (int attempt = 0; attempt < 1000 && answer != "VFOA\n"; ++attempt) {
        RigctlClient late(Port());
        answer = late.Ask("v");
    }
    EXPECT_EQ(answer, "VFOA\n");
}

// A task still waiting when the server goes does nothing when it runs.
TEST(RigctlServerLifetime, TasksLeftBehindDoNotReachTheRig) {
    test::FakeRig rig;
    std::mutex mutex;
    std::vector<RigctlServer::Task> held;
    std::string error;
    auto server = RigctlServer::Start(
        {"127.0.0.1", 0}, rig,
        [&](RigctlServer::Task task) {
            std::lock_guard lock(mutex);
            held.push_back(std::move(task));
        },
        error);
    ASSERT_NE(server, nullptr) << error;
    RigctlClient client(server->Port());
    client.Send("F 7000000\n");
    while ([&] {
        std::lock_guard lock(mutex);
        return held.empty();
    }())
        std::this_thread::yield();
    server.reset();
    for (auto& task : held)
        task();
    EXPECT_TRUE(rig.changes.empty());
    EXPECT_EQ(rig.hz, 14150000);
}

}  // namespace
}  // namespace velorix
