// The NET rigctl protocol line by line, against a stand-in rig: answers in
// both response protocols, the mode and filter choices, bad input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FakeRig.h"
#include "RigctlDumpState.h"
#include "RigctlProtocol.h"

namespace velorix {
namespace {

using test::FakeRig;

// The answer to `line` from a fresh rig, which the line leaves as it was.
void ExpectAnswerLeavingTheRig(const std::string& line, const std::string& answer) {
    FakeRig rig;
    const RigctlAnswer a = AnswerLine(line, rig);
    EXPECT_EQ(a.text, answer) << line;
    EXPECT_FALSE(a.close) << line;
    EXPECT_TRUE(rig.changes.empty()) << line;
}

TEST(RigctlProtocol, AnswersQueriesAndSettingsInBothResponseProtocols) {
    struct Case {
        std::string line;
        std::string answer;
    } cases[] = {
        {"f", "14150000\n"},
        {"\\get_freq", "14150000\n"},
        {"f m", "14150000\nUSB\n2400\n"},
        {"ff", "14150000\n14150000\n"},
        {"s", "0\nVFOA\n"},
        {"v", "VFOA\n"},
        {"t", "0\n"},
        {"l STRENGTH", "20\n"},  // -53.4 dBm: 19.6 dB over S9
        {"l RAWSTR", "-534\n"},
        {"\\get_powerstat", "1\n"},
        {"\\get_lock_mode", "0\n"},
        {"\\set_lock_mode 1", "RPRT 0\n"},
        {"\\chk_vfo", "0\n"},
        {"_", "Velorix receiver\n"},
        {"V VFOA", "RPRT 0\n"},
        {"S 0 VFOA", "RPRT 0\n"},
        {"T 0", "RPRT 0\n"},
        {"+f", "get_freq:\nFrequency: 14150000\nRPRT 0\n"},
        {"+\\get_freq", "get_freq:\nFrequency: 14150000\nRPRT 0\n"},
        {";f m", "get_freq:;Frequency: 14150000;RPRT 0\nUSB\n2400\n"},
        {"|m", "get_mode:|Mode: USB|Passband: 2400|RPRT 0\n"},
        {",s", "get_split_vfo:,Split: 0,TX VFO: VFOA,RPRT 0\n"},
        {"+l STRENGTH", "get_level: STRENGTH\n20\nRPRT 0\n"},
        {"+\\get_info", "get_info:\nInfo: Velorix receiver\nRPRT 0\n"},
        {"+\\chk_vfo", "ChkVFO: 0\n"},
        {"+S 0 VFOA", "set_split_vfo: 0 VFOA\nRPRT 0\n"},
        {"+T 1", "set_ptt: 1\nRPRT -1\n"},
        {"", ""},
        {" \t\r", ""},
    };
    for (const Case& c : cases)
        ExpectAnswerLeavingTheRig(c.line, c.answer);
}

TEST(RigctlProtocol, QuitAnswersAndEndsTheConnectionWithTheRestOfItsLine) {
    FakeRig rig;
    const RigctlAnswer a = AnswerLine("f q F 7000000", rig);
    EXPECT_EQ(a.text, "14150000\nRPRT 0\n");
    EXPECT_TRUE(a.close);
    EXPECT_TRUE(rig.changes.empty());
}

TEST(RigctlProtocol, SetFreqRoundsToWholeHzAndTheRigDecidesTheRange) {
    struct Case {
        std::string line;
        std::string answer;
        std::int64_t tunedHz;
    } cases[] = {
        {"F 14074000.000000", "RPRT 0\n", 14074000},
        {"F 7e6", "RPRT 0\n", 7000000},
        {"F 7.0745E6", "RPRT 0\n", 7074500},
        {"F 7074000.5", "RPRT 0\n", 7074001},
        {"F +3500000", "RPRT 0\n", 3500000},
        {"F1800000", "RPRT 0\n", 1800000},
        {"\\set_freq 10000000", "RPRT 0\n", 10000000},
        {"+F 7000000", "set_freq: 7000000\nRPRT 0\n", 7000000},
        {"F 40000000.4", "RPRT 0\n", 40000000},
        {"F 40000001", "RPRT -1\n", 14150000},  // refused by the rig
        {"F -1", "RPRT -1\n", 14150000},
    };
    for (const Case& c : cases) {
        FakeRig rig;
        EXPECT_EQ(AnswerLine(c.line, rig).text, c.answer) << c.line;
        EXPECT_EQ(rig.hz, c.tunedHz) << c.line;
    }
}

TEST(RigctlProtocol, SetModeTakesTheNearestFilterAndReadsBackInHamlibsNames) {
    struct Case {
        int mode;    // before
        int filter;  // the mode's filter before
        std::string line;
        std::vector<std::string> changes;
        std::string readBack;  // `m` afterwards
    } cases[] = {
        {4, 3, "M USB -1", {}, "USB\n2400\n"},
        {4, 5, "M USB 0", {"filter 3"}, "USB\n2400\n"},  // the default filter
        {4, 3, "M USB 1400", {"filter 4"}, "USB\n1400\n"},
        // Four filters are 2400 wide: the one in use stays, else the default.
        {4, 0, "M USB 2000", {}, "USB\n2400\n"},
        {4, 5, "M USB 2400", {"filter 3"}, "USB\n2400\n"},
        {4, 3, "M PKTUSB -1", {}, "USB\n2400\n"},
        {4, 3, "M PKTLSB 700", {"mode 5", "filter 5"}, "LSB\n700\n"},
        {4, 3, "M CW -1", {"mode 2"}, "CW\n500\n"},  // CW's own filter, 4
        {4, 3, "M AMS 5000", {"mode 1", "filter 2"}, "AMS\n5000\n"},
        {4, 3, "M FM 13000", {"mode 6"}, "FM\n12500\n"},
        {4, 3, "M RTTY 100000", {"mode 3", "filter 0"}, "RTTY\n9000\n"},
        {7, 1, "m", {}, "AM\n11000\n"},  // DRM
        {8, 2, "m", {}, "USB\n6000\n"},  // USER
        {0, 1, "M AM 0", {}, "AM\n9000\n"},
    };
    for (const Case& c : cases) {
        FakeRig rig;
        rig.mode = c.mode;
        rig.filters[static_cast<std::size_t>(c.mode)] = c.filter;
        const std::string answer = AnswerLine(c.line, rig).text;
        if (c.line != "m") {
            EXPECT_EQ(answer, "RPRT 0\n") << c.line;
        }
        EXPECT_EQ(rig.changes, c.changes) << c.line;
        EXPECT_EQ(AnswerLine("m", rig).text, c.readBack) << c.line;
    }
}

// Whatever a client sends, the answer is an error in the protocol's words
// and the rig is left as it was.
TEST(RigctlProtocol, BadInputAnswersAnErrorAndChangesNothing) {
    struct Case {
        std::string line;
        std::string answer;
    } cases[] = {
        {"F", "RPRT -1\n"},
        {"F abc", "RPRT -1\n"},
        {"F nan", "RPRT -1\n"},
        {"F inf", "RPRT -1\n"},
        {"F 1e400", "RPRT -1\n"},
        {"F 0x10", "RPRT -1\n"},
        {"F 7,1", "RPRT -1\n"},
        {"F 99999999999999999999", "RPRT -1\n"},
        {"M", "RPRT -1\n"},
        {"M USB", "RPRT -1\n"},
        {"M USB x", "RPRT -1\n"},
        {"M USB -2", "RPRT -1\n"},
        {"M USB 2400.5", "RPRT -1\n"},
        {"M usb 0", "RPRT -1\n"},
        {"M CWR 0", "RPRT -1\n"},
        {"M RTTYR 0", "RPRT -1\n"},
        {"M WFM 0", "RPRT -1\n"},
        {"M PKTFM 0", "RPRT -1\n"},
        {"M DSB 0", "RPRT -1\n"},
        {"M XYZ 0", "RPRT -1\n"},
        {"+M DSB 0", "set_mode: DSB 0\nRPRT -1\n"},
        {"V VFOB", "RPRT -1\n"},
        {"T 1", "RPRT -1\n"},
        {"T x", "RPRT -1\n"},
        {"S 1 VFOB", "RPRT -1\n"},
        {"S 0", "RPRT -1\n"},
        {"\\set_lock_mode 2", "RPRT -1\n"},
        {"l", "RPRT -1\n"},
        {"l AF", "RPRT -11\n"},
        {"L AF 0.5", "RPRT -11\n"},
        {"\\set_level AF 0.5", "RPRT -11\n"},
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
    for (const Case& c : cases)
        ExpectAnswerLeavingTheRig(c.line, c.answer);
}

// The dump read as Hamlib's NET rigctl backend reads it when it opens.
TEST(RigctlDumpState, ReadsAsTheHamlibClientReadsItWithEveryModesFilters) {
    FakeRig rig;
    const std::vector<std::string> lines = DumpStateLines(rig);
    std::size_t at = 0;
    auto next = [&] { return at < lines.size() ? lines[at++] : std::string("<end>"); };
    auto hex = [](const std::string& s) { return std::strtoull(s.c_str(), nullptr, 0); };
    EXPECT_EQ(next(), "1");  // protocol version
    EXPECT_EQ(next(), "2");  // NET rigctl
    next();                  // ITU region

    std::istringstream rx(next());
    double start = -1, end = -1;
    std::string modes;
    rx >> start >> end >> modes;
    EXPECT_EQ(start, 0.0);
    EXPECT_EQ(end, 40e6);
    // AM CW USB LSB RTTY FM AMS PKTLSB PKTUSB in Hamlib's bits.
    const unsigned long long kModes = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x200 | 0x400 | 0x800;
    EXPECT_EQ(hex(modes), kModes);
    EXPECT_EQ(next(), "0 0 0 0 0 0 0");  // end of the receive ranges
    EXPECT_EQ(next(), "0 0 0 0 0 0 0");  // no transmit range
    EXPECT_EQ(next(), modes + " 1");     // 1 Hz steps
    EXPECT_EQ(next(), "0 0");

    // Filters: for each Hamlib mode, its first width is the receiver mode's
    // default filter (Hamlib's normal pass band) and the widths listed are
    // those of the mode's filters.
    std::vector<std::pair<unsigned long long, int>> filters;
    for (std::string line = next(); line != "0 0" && line != "<end>"; line = next()) {
        std::istringstream f(line);
        std::string bits;
        int width = 0;
        f >> bits >> width;
        filters.emplace_back(hex(bits), width);
    }
    const struct {
        unsigned long long bit;
        int mode;
    } kHamlibModes[] = {{0x1, 0},   {0x200, 1}, {0x2, 2},   {0x10, 3}, {0x4, 4},
                        {0x800, 4}, {0x8, 5},   {0x400, 5}, {0x20, 6}};
    for (const auto& hm : kHamlibModes) {
        std::vector<int> listed;
        for (const auto& [bits, width] : filters)
            if (bits & hm.bit) listed.push_back(width);
        ASSERT_FALSE(listed.empty()) << hm.bit;
        EXPECT_EQ(listed.front(), rig.FilterWidthHz(hm.mode, rig.DefaultFilter(hm.mode)));
        std::set<int> widths;
        for (int f = 0; f < RigControl::kFilterCount; ++f)
            widths.insert(rig.FilterWidthHz(hm.mode, f));
        EXPECT_EQ(std::set<int>(listed.begin(), listed.end()), widths) << hm.bit;
        EXPECT_EQ(listed.size(), widths.size()) << hm.bit;
    }

    for (const char* none : {"0", "0", "0", "0", "", ""})  // RIT XIT IF announces preamp att
        EXPECT_EQ(next(), none);
    EXPECT_EQ(hex(next()), 0u);  // functions
    EXPECT_EQ(hex(next()), 0u);
    EXPECT_EQ(hex(next()), (1ull << 26) | (1ull << 30));  // RAWSTR and STRENGTH to read
    EXPECT_EQ(hex(next()), 0u);                           // no level to set
    EXPECT_EQ(hex(next()), 0u);                           // parameters
    EXPECT_EQ(hex(next()), 0u);
    std::vector<std::string> settings(lines.begin() + static_cast<long>(at), lines.end());
    ASSERT_FALSE(settings.empty());
    EXPECT_EQ(settings.back(), "done");
    for (const char* s : {"vfo_ops=0", "ptt_type=0", "has_set_vfo=1", "has_get_vfo=1",
                          "has_set_freq=1", "has_get_freq=1", "timeout=0", "rig_model=2"})
        EXPECT_NE(std::find(settings.begin(), settings.end(), s), settings.end()) << s;
}

TEST(RigctlDumpState, TravelsInBothResponseProtocols) {
    FakeRig rig;
    std::string lines;
    for (const std::string& l : DumpStateLines(rig))
        lines += l + "\n";
    EXPECT_EQ(AnswerLine("\\dump_state", rig).text, lines);
    EXPECT_EQ(AnswerLine("+\\dump_state", rig).text, "dump_state:\n" + lines + "RPRT 0\n");
}

}  // namespace
}  // namespace velorix
