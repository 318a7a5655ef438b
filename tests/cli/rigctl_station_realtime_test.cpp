// velorix-cli as a rigctl station on the virtual receiver, driven by
// Debian's own Hamlib client (`rigctl -m 2`, whose every run sends its
// opening) and by WSJT-X's opening and polls.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "E2eSupport.h"
#include "RigctlClient.h"
#include "TempDir.h"

namespace velorix {
namespace {

// A port no one listens on now (another program may take it before the
// station does: the start tries again).
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    close(fd);
    return ntohs(a.sin_port);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class RigctlStation : public ::testing::Test {
protected:
    // velorix-cli serving rigctl on a free port, a carrier of -53 dBm at
    // 7 100 kHz in its band, AM with the fast AGC (its meter settles at
    // once). True once it listens.
    bool Start() {
        const std::string band = dir_.Write(
            "band.txt", "noise density=-150\nstation freq=7100000 mode=CARRIER level=-53\n");
        for (int attempt = 0; attempt < 5; ++attempt) {
            port_ = FreePort();
            station_ = std::make_unique<test::ChildProcess>(
                std::vector<std::string>{e2e::CliPath(), "--rigctl", std::to_string(port_),
                                         "--scenario", band, "--mode", "AM", "--agc", "fast"},
                (dir_ / "out.txt"));
            std::string listening = "rigctl server listening on 127.0.0.1:";
            listening.append(std::to_string(port_)).append("\n");
            while (station_->Running())
                if (Out() == listening) return true;
        }
        return false;
    }
    std::string Out() const {
        std::ifstream in((dir_ / "out.txt"));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Debian's rigctl through the NET rigctl model: its output lines, every
    // command answered without an error.
    std::vector<std::string> Rigctl(const std::vector<std::string>& commands) {
        std::string address = "127.0.0.1:";
        address.append(std::to_string(port_));
        std::vector<std::string> args = {"-m", "2", "-r", address};
        args.insert(args.end(), commands.begin(), commands.end());
        const e2e::RunResult r = e2e::RunProgram("rigctl", args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return Lines(r.out);
    }

    test::TempDir dir_{"rigctl"};
    int port_ = 0;
    std::unique_ptr<test::ChildProcess> station_;
};

TEST_F(RigctlStation, HamlibsClientAndWsjtxTuneItAndReadAStationOfKnownLevel) {
    ASSERT_TRUE(Start()) << Out();
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Rigctl({"F", "7100000", "f", "M", "AM", "0"}), Lines{"7100000"});
    EXPECT_EQ(Rigctl({"m"}), (Lines{"AM", "9000"}));
    // The carrier reads 20 dB over S9 once the meter has settled on it
    // (however long a loaded machine takes: ctest's time-out ends a hang).
    Lines level;
    while (level.empty() || level[0] != "20") {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // between polls
        level = Rigctl({"l", "STRENGTH", "l", "RAWSTR"});
        ASSERT_EQ(level.size(), 2u);
    }
    EXPECT_EQ(level[0], "20");
    EXPECT_NEAR(std::stoi(level[1]), -530, 9);  // tenths of a dBm
    EXPECT_EQ(Rigctl({"M", "USB", "1400", "F", "14074000.4"}), Lines{});
    EXPECT_EQ(Rigctl({"f", "m", "t", "s"}), (Lines{"14074000", "USB", "1400", "0", "0", "VFOA"}));

    // Every Hamlib client opens so (rigctl adds the power and lock queries);
    // WSJT-X then nudges the frequency by 55 Hz and back, and polls.
    test::RigctlClient wsjtx(port_);
    wsjtx.Send("\\chk_vfo\n\\dump_state\n");
    const std::string opening =
        wsjtx.ReadUntil([](const std::string& t) { return t.find("done\n") != std::string::npos; });
    EXPECT_EQ(opening.rfind("0\n1\n2\n", 0), 0u) << opening;  // chk_vfo; protocol 1, model 2
    wsjtx.Send(
        "v\nf\nf\ns\nm\n\\get_powerstat\n\\get_lock_mode\nF 14074055.000000\nf\n"
        "F 14074000.000000\nf\nv\ns\nf\nm\nq\n");
    EXPECT_EQ(wsjtx.ReadLines(20),
              "VFOA\n14074000\n14074000\n0\nVFOA\nUSB\n1400\n1\n0\nRPRT 0\n14074055\n"
              "RPRT 0\n14074000\nVFOA\n0\nVFOA\n14074000\nUSB\n1400\nRPRT 0\n");
    EXPECT_TRUE(wsjtx.ClosedByServer());

    station_->Signal(SIGTERM);
    EXPECT_EQ(station_->Wait(), 128 + SIGTERM);
    EXPECT_NE(Out().find("rigctl server closed after "), std::string::npos) << Out();
}

}  // namespace
}  // namespace velorix
