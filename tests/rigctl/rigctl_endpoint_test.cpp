#include <gtest/gtest.h>

#include "RigctlEndpoint.h"

namespace velorix {
namespace {

TEST(RigctlEndpoint, TheOptionNamesAPortAndMaybeAnAddressAndTheServerSaysWhere) {
    const std::string open =
        " (reachable from other machines: anyone who can connect tunes the receiver)";
    const std::pair<const char*, std::string> good[] = {
        {"4532", "127.0.0.1:4532"},
        {"localhost:7356", "127.0.0.1:7356"},
        {"[::1]:65535", "[::1]:65535"},
        {"0.0.0.0:4532", "0.0.0.0:4532" + open},
        {"[::]:4532", "[::]:4532" + open},
        {"off", "127.0.0.1:0"},
        {"0", "127.0.0.1:0"},
    };
    for (const auto& [text, shown] : good) {
        std::string error;
        const auto e = ParseRigctlOption(text, error);
        ASSERT_TRUE(e) << text << ": " << error;
        EXPECT_EQ(error, "");
        EXPECT_EQ(ListeningText(*e), "rigctl server listening on " + shown);
    }
    for (const char* bad : {"", "abc", "65536", "-1", "4532x", " 4532", "host:4532", ":4532",
                            "::1:4532", "1.2.3:4532", "[::1]", "OFF"}) {
        std::string error;
        EXPECT_FALSE(ParseRigctlOption(bad, error)) << bad;
        EXPECT_EQ(error.rfind("--rigctl needs [HOST:]PORT", 0), 0u) << bad;
        EXPECT_NE(error.find(std::string("'") + bad + "'"), std::string::npos) << bad;
    }
}

}  // namespace
}  // namespace velorix
