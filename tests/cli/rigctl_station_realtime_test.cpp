// velorix-cli as a rigctl station on the virtual receiver, driven by
// Debian's own Hamlib client (`rigctl -m 2`) and by the openings that
// rigctl and WSJT-X send.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
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

namespace velorix {
namespace {

// A port no one listens on now (another program may still take it before
// the station does: the start tries again).
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

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
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
    RigctlStation() : dir_("rigctl") {}

    // velorix-cli serving rigctl on a free port, with a carrier of -53 dBm
    // at 7 100 kHz in the band; AM with the fast AGC, whose meter settles at
    // once. True once it listens.
    bool Start() {
        const std::string scenario = dir_.Write(
            "band.txt", "noise density=-150\nstation freq=7100000 mode=CARRIER level=-53\n");
        for (int attempt = 0; attempt < 5; ++attempt) {
            port_ = FreePort();
            station_ = std::make_unique<test::ChildProcess>(
                std::vector<std::string>{e2e::CliPath(), "--rigctl", std::to_string(port_),
                                         "--scenario", scenario, "--mode", "AM", "--agc", "fast"},
                dir_.Path("out.txt"));
            std::string listening = "rigctl server listening on 127.0.0.1:";
            listening.append(std::to_string(port_)).append("\n");
            while (station_->Running())
                if (Out().find(listening) != std::string::npos) return true;
        }
        return false;
    }
    std::string Out() const { return ReadText(dir_.Path("out.txt")); }

    // Debian's rigctl through the NET rigctl model; its output lines.
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

    // The lines a client's opening sends, one at a time, with their answers.
    std::vector<std::string> Converse(test::RigctlClient& client,
                                      const std::vector<std::string>& lines) {
        std::vector<std::string> answers;
        for (const std::string& line : lines) {
            client.Send(line + "\n");
            const int expected = line == "s" || line == "m" ? 2 : 1;
            answers.push_back(client.ReadUntil([&](const std::string& text) {
                return line == "\\dump_state" ? text.ends_with("done\n")
                                              : Lines(text).size() >= std::size_t(expected);
            }));
            EXPECT_EQ(answers.back().find("RPRT -11"), std::string::npos) << line;
        }
        return answers;
    }

    e2e::ScratchDir dir_;
    int port_ = 0;
    std::unique_ptr<test::ChildProcess> station_;
};

TEST_F(RigctlStation, HamlibsClientTunesItAndReadsAStationOfKnownLevel) {
    ASSERT_TRUE(Start()) << Out();

    EXPECT_EQ(Rigctl({"F", "7100000", "f", "M", "AM", "0"}), std::vector<std::string>{"7100000"});
    EXPECT_EQ(Rigctl({"m"}), (std::vector<std::string>{"AM", "9000"}));
    // The carrier is 20 dB over S9 once the meter has settled on it.
    std::vector<std::string> level;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         (level.empty() || level[0] != "20") && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // between polls
        level = Rigctl({"l", "STRENGTH", "l", "RAWSTR"});
        ASSERT_EQ(level.size(), 2u);
    }
    EXPECT_EQ(level[0], "20");
    EXPECT_NEAR(std::atoi(level[1].c_str()), -530, 9);  // tenths of a dBm
    EXPECT_EQ(Rigctl({"M", "USB", "1400", "F", "14074000.4"}), std::vector<std::string>{});
    EXPECT_EQ(Rigctl({"f", "m", "t", "s"}),
              (std::vector<std::string>{"14074000", "USB", "1400", "0", "0", "VFOA"}));

    // The openings of rigctl and of WSJT-X, with WSJT-X's 55 Hz nudge and
    // its once-a-second poll: every command answered.
    test::RigctlClient rigctl(port_);
    Converse(rigctl, {"\\chk_vfo", "\\dump_state", "v", "f", "f", "s", "m", "\\get_powerstat",
                      "\\get_lock_mode", "M USB -1", "q"});
    EXPECT_TRUE(rigctl.ClosedByServer());
    test::RigctlClient wsjtx(port_);
    const std::vector<std::string> opening =
        Converse(wsjtx, {"\\chk_vfo", "\\dump_state", "v", "f", "f", "s", "m"});
    EXPECT_EQ(opening[3], "14074000\n");
    const std::vector<std::string> nudge =
        Converse(wsjtx, {"F 14074055.000000", "f", "F 14074000.000000", "f", "v", "s", "f", "m"});
    EXPECT_EQ(nudge,
              (std::vector<std::string>{"RPRT 0\n", "14074055\n", "RPRT 0\n", "14074000\n",
                                        "VFOA\n", "0\nVFOA\n", "14074000\n", "USB\n1400\n"}));

    station_->Signal(SIGTERM);
    EXPECT_EQ(station_->Wait(30000), 128 + SIGTERM);
    EXPECT_NE(Out().find("rigctl server closed after "), std::string::npos) << Out();
}

}  // namespace
}  // namespace velorix
