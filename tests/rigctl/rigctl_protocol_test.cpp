// The NET rigctl protocol line by line, against a stand-in rig: answers in
// both response protocols, the tuning, mode and filter choices, bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FakeRig.h"
#include "RigctlDumpState.h"
#include "RigctlProtocol.h"

namespace velorix {
namespace {

using test::FakeRig;

// The answer to `line` from a fresh rig (14 150 kHz USB, -53.4 dBm), which
// the line leaves as it was.
void ExpectAnswerLeavingTheRig(const std::string& line, const std::string& answer) {
    FakeRig rig;
    const RigctlAnswer a = AnswerLine(line, rig);
    EXPECT_EQ(a.text, answer) << line;
    EXPECT_FALSE(a.close) << line;
    EXPECT_TRUE(rig.changes.empty()) << line;
}

TEST(RigctlProtocol, AnswersQueriesInBothResponseProtocols) {
    const std::pair<std::string, std::string> cases[] = {
        {"f", "14150000\n"},
        {"\\get_freq m", "14150000\nUSB\n2400\n"},
        {"s", "0\nVFOA\n"},  // two lines, or a client waits for the second
        {"v t", "VFOA\n0\n"},
        {"l STRENGTH", "20\n"},  // 19.6 dB over S9 (-73 dBm)
        {"l RAWSTR", "-534\n"},
        {"\\get_powerstat \\get_lock_mode \\chk_vfo", "1\n0\n0\n"},
        {"_", "Velorix receiver\n"},
        {"V VFOA S 0 VFOA T 0 \\set_lock_mode 1", "RPRT 0\nRPRT 0\nRPRT 0\nRPRT 0\n"},
        {"+f", "get_freq:\nFrequency: 14150000\nRPRT 0\n"},
        {";f m", "get_freq:;Frequency: 14150000;RPRT 0\nUSB\n2400\n"},
        {",s", "get_split_vfo:,Split: 0,TX VFO: VFOA,RPRT 0\n"},
        {"+l STRENGTH", "get_level: STRENGTH\n20\nRPRT 0\n"},
        {"+\\chk_vfo", "ChkVFO: 0\n"},
        {"+T 1", "set_ptt: 1\nRPRT -1\n"},
        {" \t\r", ""},
    };
    for (const auto& [line, answer] : cases)
        ExpectAnswerLeavingTheRig(line, answer);

    FakeRig rig;
    const RigctlAnswer quit = AnswerLine("f q F 7000000", rig);
    EXPECT_EQ(quit.text, "14150000\nRPRT 0\n");
    EXPECT_TRUE(quit.close);
    EXPECT_TRUE(rig.changes.empty());
}

// F rounds to whole Hz and leaves the range to the rig; M's passband -1 keeps
// the filter, 0 takes the default, a width the nearest filter (among equals
// the one in use, then the default).
TEST(RigctlProtocol, TunesAndSelectsModesAndFiltersAsAsked) {
    struct Case {
        int mode, filter;  // before: the mode and its filter
        std::string line, answer;
        std::vector<std::string> changes;
        std::string readBack;  // "f m" afterwards
    } cases[] = {
        {4, 3, "F 14074000.000000", "RPRT 0\n", {"tune 14074000"}, "14074000\nUSB\n2400\n"},
        {4, 3, "F7074000.5", "RPRT 0\n", {"tune 7074001"}, "7074001\nUSB\n2400\n"},
        {4, 3, "+F +7e6", "set_freq: +7e6\nRPRT 0\n", {"tune 7000000"}, "7000000\nUSB\n2400\n"},
        {4, 3, "F 40000001", "RPRT -1\n", {}, "14150000\nUSB\n2400\n"},  // refused by the rig
        {4, 3, "M USB -1", "RPRT 0\n", {}, "14150000\nUSB\n2400\n"},
        {4, 5, "M USB 0", "RPRT 0\n", {"filter 3"}, "14150000\nUSB\n2400\n"},
        {4, 3, "M USB 1400", "RPRT 0\n", {"filter 4"}, "14150000\nUSB\n1400\n"},
        {4, 0, "M USB 2000", "RPRT 0\n", {}, "14150000\nUSB\n2400\n"},
        {4, 5, "M USB 2400", "RPRT 0\n", {"filter 3"}, "14150000\nUSB\n2400\n"},
        {4, 3, "M PKTUSB -1", "RPRT 0\n", {}, "14150000\nUSB\n2400\n"},
        {4, 3, "M PKTLSB 700", "RPRT 0\n", {"mode 5", "filter 5"}, "14150000\nLSB\n700\n"},
        {4, 3, "M CW -1", "RPRT 0\n", {"mode 2"}, "14150000\nCW\n500\n"},
        {4, 3, "M AMS 5000", "RPRT 0\n", {"mode 1", "filter 2"}, "14150000\nAMS\n5000\n"},
        {4, 3, "M FM 13000", "RPRT 0\n", {"mode 6"}, "14150000\nFM\n12500\n"},
        {7, 1, "", "", {}, "14150000\nAM\n11000\n"},  // DRM
        {8, 2, "", "", {}, "14150000\nUSB\n6000\n"},  // USER
    };
    for (const Case& c : cases) {
        FakeRig rig;
        rig.mode = c.mode;
        rig.filters[static_cast<std::size_t>(c.mode)] = c.filter;
        EXPECT_EQ(AnswerLine(c.line, rig).text, c.answer) << c.line;
        EXPECT_EQ(rig.changes, c.changes) << c.line;
        EXPECT_EQ(AnswerLine("f m", rig).text, c.readBack) << c.line;
    }
}

// Whatever a client sends, the answer is an error in the protocol's words
// and the rig is left as it was.
TEST(RigctlProtocol, BadInputAnswersAnErrorAndChangesNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"F", "RPRT -1\n"},
        {"F abc", "RPRT -1\n"},
        {"F nan", "RPRT -1\n"},
        {"F 1e400", "RPRT -1\n"},
        {"F 0x10", "RPRT -1\n"},
        {"F 7,1", "RPRT -1\n"},
        {"M USB", "RPRT -1\n"},
        {"M USB x", "RPRT -1\n"},
        {"M USB -2", "RPRT -1\n"},
        {"M USB 2400.5", "RPRT -1\n"},
        {"M usb 0", "RPRT -1\n"},
        {"M CWR 0 M RTTYR 0 M WFM 0", "RPRT -1\nRPRT -1\nRPRT -1\n"},
        {"M PKTFM 0 M DSB 0 M XYZ 0", "RPRT -1\nRPRT -1\nRPRT -1\n"},
        {"+M DSB 0", "set_mode: DSB 0\nRPRT -1\n"},
        {"V VFOB", "RPRT -1\n"},
        {"T 1", "RPRT -1\n"},
        {"S 1 VFOB", "RPRT -1\n"},
        {"S 0", "RPRT -1\n"},
        {"\\set_lock_mode 2", "RPRT -1\n"},
        {"l", "RPRT -1\n"},
        {"l AF", "RPRT -11\n"},
        {"L AF 0.5", "RPRT -11\n"},
        {"\\dump_caps", "RPRT -11\n"},
        {"\\", "RPRT -11\n"},
        {"+", "RPRT -11\n"},
        // An unknown command ends its line: its arguments cannot be told
        // from commands.
        {"Z F 7000000", "RPRT -11\n"},
        {"f \x01\x02 F 7000000", "14150000\nRPRT -11\n"},
        {std::string("\0F 7000000", 10), "RPRT -11\n"},
        {"\xff\xfe", "RPRT -11\n"},
        {std::string(1000, 'x'), "RPRT -11\n"},
    };
    for (const auto& [line, answer] : cases)
        ExpectAnswerLeavingTheRig(line, answer);
}

// What Hamlib's client takes from the dump beyond its layout (which its own
// opening checks): a mode's normal pass band is its first width listed, and
// it must be what `M MODE 0` selects; and the levels it may read.
TEST(RigctlDumpState, ListsEachModesDefaultFilterFirstAndTheLevelsToRead) {
    FakeRig rig;
    const std::vector<std::string> lines = DumpStateLines(rig);
    const std::pair<const char*, unsigned long long> kHamlibBits[] = {
        {"AM", 0x1},  {"CW", 0x2},    {"USB", 0x4},      {"LSB", 0x8},     {"RTTY", 0x10},
        {"FM", 0x20}, {"AMS", 0x200}, {"PKTLSB", 0x400}, {"PKTUSB", 0x800}};
    for (const auto& [token, bit] : kHamlibBits) {
        int normal = 0;
        for (std::size_t i = 8; i < lines.size() && lines[i] != "0 0" && normal == 0; ++i) {
            char* width = nullptr;
            if (std::strtoull(lines[i].c_str(), &width, 0) & bit) normal = std::atoi(width);
        }
        FakeRig fresh;
        AnswerLine(std::string("M ") + token + " 0", fresh);
        const std::string readBack = AnswerLine("m", fresh).text;
        EXPECT_EQ(readBack.substr(readBack.find('\n') + 1), std::to_string(normal) + "\n") << token;
    }
    const auto levels = std::find(lines.begin(), lines.end(), "0x44000000");  // RAWSTR, STRENGTH
    ASSERT_NE(levels, lines.end());
    EXPECT_EQ(*(levels + 1), "0x0");  // nothing to set
    EXPECT_EQ(lines.back(), "done");
}

}  // namespace
}  // namespace velorix
