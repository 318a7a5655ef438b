// The one look-up for the data and the receiver library: the order of the
// directories, what XDG asks of its variables, the virtual receiver's folders,
// the first directory that holds a name, and how a miss is told.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DataDirectories.h"
#include "TempDir.h"

namespace velorix::files {
namespace {

using Dirs = std::vector<std::string>;

// An installed program in /opt/v/bin, whose data is in /opt/v/share/velorix.
const ProgramPlace kInstalled{"/opt/v/bin", "../share/velorix", "../lib/velorix", "."};

TEST(DataDirectories, AreSearchedInTheirOrderEachOnce) {
    struct Case {
        const char* what;
        SearchEnvironment env;
        ProgramPlace place;
        Dirs expected;
    } cases[] = {
        {"defaults",
         {"", "", "/home/u", ""},
         kInstalled,
         {"/home/u/.local/share/velorix", "/usr/local/share/velorix", "/usr/share/velorix",
          "/opt/v/share/velorix", "/opt/v/bin"}},
        {"every variable",
         {"/d", "/h", "/home/u", "/s1:/s2/"},
         kInstalled,
         {"/d", "/h/velorix", "/s1/velorix", "/s2/velorix", "/opt/v/share/velorix", "/opt/v/bin"}},
        {"relative XDG paths are ignored, a relative data dir is kept",
         {"data/", "rel", "/home/u", "rel:/s::"},
         kInstalled,
         {"data", "/home/u/.local/share/velorix", "/s/velorix", "/opt/v/share/velorix",
          "/opt/v/bin"}},
        {"no home, an XDG_DATA_DIRS of colons only",
         {"", "", "", ":::"},
         kInstalled,
         {"/usr/local/share/velorix", "/usr/share/velorix", "/opt/v/share/velorix", "/opt/v/bin"}},
        {"an install in /usr names /usr/share/velorix once",
         {"/usr/share/velorix/", "", "", ""},
         {"/usr/bin", "../share/velorix", "", "."},
         {"/usr/share/velorix", "/usr/local/share/velorix", "/usr/bin"}},
        {"a module in the build tree finds bin/",
         {"", "", "", "/s"},
         {"/b/bin/SoapySDR/modules0.8", "../../../../share/velorix", "", "../.."},
         {"/s/velorix", "/share/velorix", "/b/bin"}},
        {"an unknown place adds nothing",
         {"", "", "", "/s"},
         {"", "../share/velorix", "", "."},
         {"/s/velorix"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataDirectories(c.env, c.place), c.expected) << c.what;
}

TEST(DataDirectories, KeepTheVirtualReceiversFilesApart) {
    EXPECT_EQ(VirtualDirectories({"/d", "/usr/share/velorix", "data"}),
              (Dirs{"/d/virtual", "/usr/share/velorix/virtual", "data/virtual"}));
}

TEST(DataDirectories, TheLibraryIsLookedForInItsPrivateDirectoryThenBesideTheProgram) {
    const Dirs dirs = LibraryDirectories(kInstalled);
    ASSERT_EQ(dirs.size(), 3u);
    // The configured directory first: an absolute path of the build's install prefix.
    EXPECT_EQ(dirs[0].front(), '/');
    EXPECT_EQ(std::filesystem::path(dirs[0]).filename(), "velorix");
    EXPECT_EQ(Dirs(dirs.begin() + 1, dirs.end()), (Dirs{"/opt/v/lib/velorix", "/opt/v/bin"}));
}

TEST(DataDirectories, TheFirstDirectoryHoldingANameWins) {
    test::TempDir tmp("data-dirs");
    const Dirs dirs = {tmp / "a", tmp / "b", tmp / "c"};
    for (const std::string& d : dirs)
        std::filesystem::create_directory(d);
    std::ofstream(tmp / "b/usb-ids") << "1209:0001\n";
    std::ofstream(tmp / "c/usb-ids") << "1209:0002\n";
    // Whatever stands at the name counts: the opener then says what is wrong with it.
    std::filesystem::create_directory(tmp / "a/eibi.txt");
    std::ofstream(tmp / "c/eibi.txt") << "\n";

    EXPECT_EQ(FindFile(dirs, "usb-ids"), tmp / "b/usb-ids");
    EXPECT_EQ(FindFile(dirs, "eibi.txt"), tmp / "a/eibi.txt");
    EXPECT_EQ(FindFile(dirs, "velorix24v11_512.hex"), std::nullopt);
    EXPECT_EQ(FindFile({}, "usb-ids"), std::nullopt);
}

TEST(DataDirectories, AMissTellsWhereItLooked) {
    EXPECT_EQ(NotFound("velorix250k24v11", {"/d/virtual", "/usr/share/velorix/virtual"}),
              "velorix250k24v11 not found\nlooked in: /d/virtual, /usr/share/velorix/virtual");
    EXPECT_EQ(LookedIn({"/d"}), "looked in: /d");
}

}  // namespace
}  // namespace velorix::files
