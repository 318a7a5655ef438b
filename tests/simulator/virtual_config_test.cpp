// The virtual receiver's environment variables: values taken, and bad ones
// reported and ignored.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "VirtualConfig.h"

namespace velorix::sim {
namespace {

// Runs FromEnvironment with `vars` set, returning the config and what went to stderr.
VirtualConfig WithEnv(const std::vector<std::pair<const char*, const char*>>& vars,
                      std::string* errors) {
    for (const auto& [n, v] : vars)
        setenv(n, v, 1);
    char tmpl[] = "/tmp/velorix-config-XXXXXX";
    const int fd = mkstemp(tmpl);
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fd, 2);
    VirtualConfig c = VirtualConfig::FromEnvironment();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(fd);
    std::ifstream in(tmpl);
    std::stringstream s;
    s << in.rdbuf();
    *errors = s.str();
    std::remove(tmpl);
    for (const auto& [n, v] : vars)
        unsetenv(n);
    return c;
}

TEST(VirtualConfig, TakesIdentityFaultsAndHooks) {
    std::string errors;
    const VirtualConfig c = WithEnv({{"VELORIX_VIRTUAL_SERIAL", "0x1234"},
                                     {"VELORIX_VIRTUAL_HW_VERSION", "255.255"},
                                     {"VELORIX_VIRTUAL_UNIT_ID", "A1b2C3d4E5f6"},
                                     {"VELORIX_VIRTUAL_FAULTS",
                                      "stall-reads,short-reads=4,stall-samples=1.5:2,"
                                      "stall-command=0x04"},
                                     {"VELORIX_SIM_SOURCE", "wav:/tmp/r.wav"},
                                     {"VELORIX_VIRTUAL_PRODUCT", "P"},
                                     {"VELORIX_VIRTUAL_PLUG", "/tmp/p"},
                                     {"VELORIX_VIRTUAL_TRACE", "/tmp/t"}},
                                    &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(c.serial, 0x1234);
    EXPECT_EQ(c.hwMajor, 0xFF);
    EXPECT_EQ(c.hwMinor, 0xFF);
    EXPECT_EQ(c.unitId, (std::array<uint8_t, 6>{0xF6, 0xE5, 0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_TRUE(c.stallReads);
    EXPECT_EQ(c.shortReadEvery, 4);
    EXPECT_EQ(c.sampleStallAtSeconds, 1.5);
    EXPECT_EQ(c.sampleStallForSeconds, 2.0);
    EXPECT_EQ(c.stallCommand, 4);
    EXPECT_EQ(c.recording, "/tmp/r.wav");
    EXPECT_FALSE(c.noReenumerate);
    EXPECT_EQ(c.product, "P");
    EXPECT_FALSE(c.manufacturer.has_value());
    EXPECT_EQ(c.plugFile, "/tmp/p");
    EXPECT_EQ(c.traceFile, "/tmp/t");
}

TEST(VirtualConfig, MalformedFaultsAreNamed) {
    const struct {
        const char* list;
        const char* error;
    } cases[] = {
        {"stall-samples=", "stall-samples needs AT or AT:FOR in seconds"},
        {"stall-samples=1:x", "stall-samples needs AT or AT:FOR in seconds"},
        {"stall-samples=-1", "stall-samples needs AT or AT:FOR in seconds"},
        {"stall-command=256", "stall-command needs a command byte, 0 to 255"},
    };
    for (const auto& c : cases) {
        VirtualConfig config;
        std::string error;
        EXPECT_FALSE(config.ApplyFaults(c.list, error)) << c.list;
        EXPECT_EQ(error, c.error) << c.list;
    }
}

TEST(VirtualConfig, BadValuesAreReportedAndIgnored) {
    std::string errors;
    const VirtualConfig c = WithEnv({{"VELORIX_VIRTUAL_SERIAL", "70000"},
                                     {"VELORIX_VIRTUAL_HW_VERSION", "1.256"},
                                     {"VELORIX_VIRTUAL_UNIT_ID", "12345"},
                                     {"VELORIX_VIRTUAL_FAULTS", "stall-reads,melt"}},
                                    &errors);
    const VirtualConfig d;
    EXPECT_EQ(c.serial, d.serial);
    EXPECT_EQ(c.hwMajor, d.hwMajor);
    EXPECT_EQ(c.unitId, d.unitId);
    EXPECT_FALSE(c.stallReads);  // the whole fault list is refused
    EXPECT_NE(errors.find("ignoring VELORIX_VIRTUAL_SERIAL=70000"), std::string::npos) << errors;
    EXPECT_NE(errors.find("ignoring VELORIX_VIRTUAL_HW_VERSION=1.256"), std::string::npos);
    EXPECT_NE(errors.find("ignoring VELORIX_VIRTUAL_UNIT_ID=12345"), std::string::npos);
    EXPECT_NE(errors.find("unknown fault 'melt'"), std::string::npos);
}

}  // namespace
}  // namespace velorix::sim
