#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "stations_fuzz.h"

namespace velorix {
namespace {

TEST(StationsFuzzCorpus, EveryCommittedInputPassesTheChecks) {
    int files = 0;
    for (const auto& item : std::filesystem::directory_iterator(VELORIX_STATIONS_CORPUS)) {
        if (!item.is_regular_file()) continue;
        std::ifstream in(item.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        EXPECT_EQ(CheckStationParsers(bytes.str()), "") << item.path();
        ++files;
    }
    EXPECT_GE(files, 6);
}

}  // namespace
}  // namespace velorix
