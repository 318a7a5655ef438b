#include <gtest/gtest.h>

#include "RigctlEndpoint.h"

namespace velorix {
namespace {

TEST(RigctlEndpoint, TheOptionNamesAPortAndMaybeAnAddress) {
    struct Case {
        const char* text;
        const char* host;
        int port;
        const char* shown;
    } cases[] = {
        {"4532", "127.0.0.1", 4532, "127.0.0.1:4532"},
        {"0.0.0.0:4532", "0.0.0.0", 4532, "0.0.0.0:4532"},
        {"localhost:7356", "127.0.0.1", 7356, "127.0.0.1:7356"},
        {"[::1]:4532", "::1", 4532, "[::1]:4532"},
        {"[::]:65535", "::", 65535, "[::]:65535"},
        {"off", "127.0.0.1", 0, "127.0.0.1:0"},
        {"0", "127.0.0.1", 0, "127.0.0.1:0"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto e = ParseRigctlOption(c.text, error);
        ASSERT_TRUE(e) << c.text << ": " << error;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(e->host, c.host) << c.text;
        EXPECT_EQ(e->port, c.port) << c.text;
        EXPECT_EQ(EndpointText(*e), c.shown) << c.text;
    }
    for (const char* bad : {"", "abc", "65536", "-1", "4532x", " 4532", "host:4532", ":4532",
                            "::1:4532", "1.2.3:4532", "[::1]", "127.0.0.1:", "OFF"}) {
        std::string error;
        EXPECT_FALSE(ParseRigctlOption(bad, error)) << bad;
        EXPECT_NE(error.find("--rigctl needs [HOST:]PORT"), std::string::npos) << bad;
        EXPECT_NE(error.find(std::string("'") + bad + "'"), std::string::npos) << bad;
    }
}

TEST(RigctlEndpoint, OnlyLoopbackAddressesAreLocal) {
    for (const char* local : {"127.0.0.1", "127.1.2.3", "::1"})
        EXPECT_TRUE(IsLoopback(local)) << local;
    for (const char* open : {"0.0.0.0", "192.168.1.5", "::", "128.0.0.1"})
        EXPECT_FALSE(IsLoopback(open)) << open;
    EXPECT_FALSE(IsIpAddress(std::string("127.0.0.1\0x", 11)));
    EXPECT_EQ(ListeningText({"127.0.0.1", 4532}), "rigctl server listening on 127.0.0.1:4532");
    EXPECT_EQ(ListeningText({"0.0.0.0", 4532}),
              "rigctl server listening on 0.0.0.0:4532 (reachable from other machines: anyone "
              "who can connect tunes the receiver)");
}

}  // namespace
}  // namespace velorix
