#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "TestScript.h"
#include "UiTest.h"

namespace velorix {
namespace {

using Kind = TestStep::Kind;

TEST(TestScript, ReadsEveryStepWithItsLineAndPathsFromTheScriptsFolder) {
    const TestScript script = ParseTestScript(
        "# a journey\n"
        "\n"
        "click 340      # AM\n"
        "key PgUp\n"
        "key Ctrl+Q\n"
        "wait 1500\n"
        "wait file ready now\n"
        "shot /tmp/a.png\n"
        "shot b.png\n"
        "quit\n",
        "j.txt", "/work/j");
    ASSERT_TRUE(script.errors.empty()) << script.errors.front();
    struct Expected {
        Kind kind;
        int line;
        int value;
        const char* path;
    };
    const Expected expected[] = {
        {Kind::Click, 3, 340, ""},
        {Kind::Key, 4, Qt::Key_PageUp, ""},
        {Kind::Key, 5, (Qt::CTRL | Qt::Key_Q).toCombined(), ""},
        {Kind::WaitSignal, 6, 1500, ""},
        {Kind::WaitFile, 7, 0, "/work/j/ready now"},
        {Kind::Shot, 8, 0, "/tmp/a.png"},
        {Kind::Shot, 9, 0, "/work/j/b.png"},
        {Kind::Quit, 10, 0, ""},
    };
    ASSERT_EQ(script.steps.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(script.steps[i].kind, expected[i].kind) << i;
        EXPECT_EQ(script.steps[i].line, expected[i].line) << i;
        EXPECT_EQ(script.steps[i].value, expected[i].value) << i;
        EXPECT_EQ(script.steps[i].path, expected[i].path) << i;
    }
}

TEST(TestScript, TellsEveryBadLineByNumberAndKeepsNoneOfThem) {
    const TestScript script = ParseTestScript(
        "clik 340\n"
        "click\n"
        "click 341 342\n"
        "click 999\n"
        "click 334\n"  // the volume slider: not a button
        "click -5\n"
        "key\n"
        "key Pgup Down\n"
        "key NoSuchKey\n"
        "wait\n"
        "wait 3600001\n"
        "wait 1.5\n"
        "wait file\n"
        "shot\n"
        "quit now\n"
        "click 340\n",
        "bad.txt", ".");
    const std::vector<std::string> expected = {
        "bad.txt:1: \"clik\" is no step (click, key, wait, shot, quit)",
        "bad.txt:2: click wants one control id, as in \"click 340\"",
        "bad.txt:3: click wants one control id, as in \"click 340\"",
        "bad.txt:4: no button or check box has the id 999",
        "bad.txt:5: no button or check box has the id 334",
        "bad.txt:6: click wants one control id, as in \"click 340\"",
        "bad.txt:7: key wants one key name, as in \"key PgUp\"",
        "bad.txt:8: key wants one key name, as in \"key PgUp\"",
        "bad.txt:9: key wants one key name, as in \"key PgUp\"",
        "bad.txt:10: wait wants milliseconds of signal (0 to 3600000) or \"file <path>\"",
        "bad.txt:11: wait wants milliseconds of signal (0 to 3600000) or \"file <path>\"",
        "bad.txt:12: wait wants milliseconds of signal (0 to 3600000) or \"file <path>\"",
        "bad.txt:13: wait file wants a path",
        "bad.txt:14: shot wants a file",
        "bad.txt:15: quit takes nothing after it",
    };
    EXPECT_EQ(script.errors, expected);
}

TEST(TestScript, RefusesWhatIsNoReadableFileOfAScript) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("velorix-script-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream((dir / "big").string()) << std::string((1 << 20) + 1, '#');
    for (const auto& [path, error] :
         {std::pair{fifo, fifo + ": is not a file"},
          {dir.string(), dir.string() + ": is not a file"},
          {(dir / "none").string(), (dir / "none").string() + ": is not a file"},
          {(dir / "big").string(), (dir / "big").string() + ": is too large for a test script"}})
        EXPECT_EQ(LoadTestScript(path).errors, std::vector<std::string>{error});
    std::ofstream((dir / "ok").string()) << "shot s.png\n";
    const TestScript ok = LoadTestScript((dir / "ok").string());
    ASSERT_EQ(ok.steps.size(), 1u);
    EXPECT_EQ(ok.steps[0].path, (dir / "s.png").string());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velorix
