#include "CheckedFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"

namespace velorix::files {
namespace {

using Kind = FileProblem::Kind;

// Every kind of thing that may stand where a file is expected.
struct Hostile {
    const char* name;
    Kind kind;
};

class CheckedFile : public ::testing::Test {
protected:
    test::TempDir dir{"checked-file"};
    std::string fifo = dir / "fifo";
    std::string folder = dir / "folder";
    std::string sparse = dir / "sparse";

    void SetUp() override {
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::filesystem::create_directory(folder);
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 2'000'000'000), 0);  // 2 GB, no blocks
        ::close(fd);
    }
    std::string PathOf(const Hostile& h) const {
        const std::string name = h.name;
        if (name == "fifo") return fifo;
        if (name == "folder") return folder;
        if (name == "sparse") return sparse;
        return name;
    }
};

TEST_F(CheckedFile, InputsThatAreNotSmallRegularFilesAreRefusedAtOnce) {
    const Hostile cases[] = {{"fifo", Kind::Pipe},
                             {"/dev/zero", Kind::Device},
                             {"folder", Kind::Directory},
                             {"sparse", Kind::TooLarge}};
    for (const Hostile& h : cases) {
        SCOPED_TRACE(h.name);
        FileProblem problem;
        EXPECT_FALSE(ReadInput(PathOf(h), kSettingsLimit, &problem));
        EXPECT_EQ(problem.kind, h.kind);
        EXPECT_EQ(OpenInputStream(PathOf(h), kKeyLimit, &problem), nullptr);
        EXPECT_EQ(problem.kind, h.kind);
    }
    FileProblem problem;
    EXPECT_FALSE(OpenInput(dir / "absent", kNoLimit, &problem));
    EXPECT_EQ(problem.Describe("x"), "x: No such file or directory");
    EXPECT_TRUE(problem.Missing());
    EXPECT_FALSE(OpenInput(dir / "sparse/x", kNoLimit, &problem));  // under a file
    EXPECT_TRUE(problem.Missing());
    EXPECT_FALSE(ReadInput(fifo, kNoLimit, &problem));
    EXPECT_FALSE(problem.Missing());
    // A recording is never refused for its size.
    const auto big = OpenInput(sparse, kNoLimit);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size, 2'000'000'000u);
}

TEST_F(CheckedFile, TextInputsAreReadWholeUpToTheirLimit) {
    test::WriteAll(dir / "key", std::vector<std::uint8_t>(64, '7'));
    const auto text = ReadInput(dir / "key", kKeyLimit);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, std::string(64, '7'));
    test::WriteAll(dir / "key", std::vector<std::uint8_t>(65, '7'));
    FileProblem problem;
    EXPECT_FALSE(ReadInput(dir / "key", kKeyLimit, &problem));
    EXPECT_EQ(problem.Reason(), "larger than 64 bytes (65 bytes)");
    EXPECT_FALSE(ReadInput(sparse, kStationListLimit, &problem));
    EXPECT_EQ(problem.Reason(), "larger than 64 MB (2000000000 bytes)");
}

TEST_F(CheckedFile, OutputsAreRegularFilesOrRefusedWithoutWaiting) {
    FileProblem problem;
    // A FIFO without a reader: refused as a file output and as a stream.
    EXPECT_FALSE(OpenOutput(fifo, {}, &problem));
    EXPECT_EQ(problem.kind, Kind::Pipe);
    EXPECT_FALSE(OpenOutput(fifo, {.stream = true}, &problem));
    EXPECT_EQ(problem.kind, Kind::Pipe);
    EXPECT_FALSE(OpenOutput("/dev/full", {}, &problem));
    EXPECT_EQ(problem.kind, Kind::Device);
    EXPECT_FALSE(OpenOutput(folder, {}, &problem));
    EXPECT_EQ(problem.kind, Kind::Directory);
    EXPECT_FALSE(OpenOutput(dir / "missing/out.wav", {}, &problem));
    EXPECT_EQ(problem.Reason(), "No such file or directory");

    // A FIFO with a reader is taken only as a stream.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(OpenOutput(fifo, {}, &problem));
    EXPECT_EQ(problem.kind, Kind::Pipe);
    auto stream = OpenOutput(fifo, {.stream = true});
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->isStream);
    EXPECT_EQ(::write(stream->handle.Get(), "abc", 3), 3);
    char got[4] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 3);
    ::close(reader);

    // A regular file is cut, or kept for a write in place, or refused when exclusive.
    test::WriteAll(dir / "out", {1, 2, 3, 4});
    ASSERT_TRUE(OpenOutput(dir / "out", {.truncate = false}));
    EXPECT_EQ(std::filesystem::file_size(dir / "out"), 4u);
    EXPECT_FALSE(OpenOutput(dir / "out", {.exclusive = true}, &problem));
    EXPECT_EQ(problem.error, EEXIST);
    auto file = OpenOutput(dir / "out", {});
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->isStream);
    EXPECT_EQ(std::filesystem::file_size(dir / "out"), 0u);
}

}  // namespace
}  // namespace velorix::files
