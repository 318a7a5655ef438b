#include <gtest/gtest.h>

#include "CliOptions.h"

namespace velorix {
namespace {

CliParse Parse(std::vector<std::string> a) {
    return ParseCliOptions(a);
}

TEST(CliOptions, DefaultsAreTheVirtualReceiverAndTheStoredSettings) {
    const CliParse p = Parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.source, CliOptions::Source::Virtual);
    EXPECT_FALSE(p.options.tuneHz);
    EXPECT_FALSE(p.options.mode);
    EXPECT_EQ(p.options.list, 1);
    EXPECT_FALSE(p.options.useSettings);
}

TEST(CliOptions, EveryOptionIsReadIntoItsUnits) {
    const CliParse p =
        Parse({"--source",   "rec_003.wav", "--tune",      "14180000",    "--mode",        "LSB",
               "--filter",   "4",           "--agc",       "slow",        "--nb",          "-130",
               "--nr",       "50",          "--volume",    "-6.5",        "--attenuator",  "20",
               "--preamp",   "on",          "--dither",    "off",         "--preselector", "off",
               "--seconds",  "2.5",         "--audio-out", "a.wav",       "--smeter",      "--list",
               "hfcc",       "--seed",      "7",           "--overwrite", "--waterfall",   "w.png",
               "--spectrum", "s.png",       "--settings"});
    ASSERT_TRUE(p.ok) << p.error;
    const CliOptions& o = p.options;
    EXPECT_EQ(o.source, CliOptions::Source::File);
    EXPECT_EQ(o.sourceFile, "rec_003.wav");
    EXPECT_EQ(*o.tuneHz, 14180000);
    EXPECT_EQ(*o.mode, 5);
    EXPECT_EQ(*o.filter, 4);
    EXPECT_EQ(*o.agc, 2);
    EXPECT_EQ(*o.nbValue, -130);
    EXPECT_EQ(*o.nrValue, 50);
    EXPECT_DOUBLE_EQ(*o.volumeDb, -6.5);
    EXPECT_EQ(*o.attenuatorIdx, 2);
    EXPECT_TRUE(*o.preamp);
    EXPECT_FALSE(*o.dither);
    EXPECT_FALSE(*o.preselector);
    EXPECT_DOUBLE_EQ(*o.seconds, 2.5);
    EXPECT_EQ(o.audioOut, "a.wav");
    EXPECT_TRUE(o.smeter);
    EXPECT_EQ(o.list, 0);
    EXPECT_EQ(*o.seed, 7u);
    EXPECT_TRUE(o.overwrite);
    EXPECT_EQ(o.waterfall, "w.png");
    EXPECT_EQ(o.spectrum, "s.png");
    EXPECT_TRUE(o.useSettings);
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--rate", "300"}, "--rate needs 125, 250 or 500"},
        {{"--mode", "usb"}, "--mode needs one of"},
        {{"--tune"}, "option --tune needs a value"},
        {{"--tune", "41000000"}, "from 0 to 40000000"},
        {{"--tune", "14e6"}, "not '14e6'"},
        {{"--filter", "6"}, "--filter needs 0 to 5"},
        {{"--attenuator", "15"}, "0, 10, 20 or 30"},
        {{"--preamp", "yes"}, "--preamp needs on or off"},
        {{"--seconds", "-1"}, "positive"},
        {{"--seconds", "nan"}, "positive"},
        {{"--bogus", "1"}, "unknown option --bogus"},
        {{"stray"}, "unexpected argument 'stray'"},
        {{"--source", "x.wav", "--center", "7000000"}, "comes from its header"},
        {{"--source", "x.wav", "--rate", "250"}, "its own rate"},
        {{"--audio-out", "a.wav", "--audio-device", ""}, "exclude each other"},
        {{"--source", "x.wav", "--record", "r"}, "not a file that is played"},
        {{"--rigctl", "4532x"}, "--rigctl needs [HOST:]PORT"},
        {{"--rigctl", "4532", "--source", "x.wav"}, "--rigctl runs a station on the receiver"},
        {{"--rigctl", "4532", "--smeter"}, "no --source FILE, --record"},
    };
    for (const auto& c : cases) {
        const CliParse p = Parse(c.args);
        EXPECT_FALSE(p.ok) << c.says;
        EXPECT_NE(p.error.find(c.says), std::string::npos) << p.error;
    }
}

TEST(CliOptions, RigctlNamesTheStationsEndpointOrOff) {
    const CliParse station = Parse({"--rigctl", "0.0.0.0:4532", "--seconds", "5"});
    ASSERT_TRUE(station.ok) << station.error;
    EXPECT_EQ(station.options.rigctl, (RigctlEndpoint{"0.0.0.0", 4532}));
    // Off only stores itself: any other run may come with it.
    const CliParse off = Parse({"--rigctl", "off", "--source", "x.wav", "--smeter"});
    ASSERT_TRUE(off.ok) << off.error;
    EXPECT_EQ(off.options.rigctl->port, 0);
}

TEST(CliOptions, ModeNamesRoundTrip) {
    for (int m = 0; m < 9; ++m) {
        const CliParse p = Parse({"--mode", ModeName(m)});
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(*p.options.mode, m);
    }
    EXPECT_STREQ(ModeName(9), "?");
}

}  // namespace
}  // namespace velorix
