#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ListText.h"

namespace velorix {
namespace {

struct Split {
    std::vector<std::string> lines;
    std::vector<bool> truncated;
};

Split SplitWhole(std::string_view text) {
    Split s;
    LineSplitter splitter([&](std::string_view bytes, bool truncated) {
        s.lines.emplace_back(bytes);
        s.truncated.push_back(truncated);
    });
    splitter.Feed(text);
    splitter.Finish();
    return s;
}

Split SplitInChunks(std::string_view text, std::size_t chunk) {
    Split s;
    LineSplitter splitter([&](std::string_view bytes, bool truncated) {
        s.lines.emplace_back(bytes);
        s.truncated.push_back(truncated);
    });
    for (std::size_t i = 0; i < text.size(); i += chunk)
        splitter.Feed(text.substr(i, chunk));
    splitter.Finish();
    return s;
}

TEST(LineSplitter, LineEndsAndALastLineWithoutOne) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb\r", {"a", "b"}},
        {"\n\n", {"", ""}},
        {"a\rb\n", {"a\rb"}},  // a lone CR is not a line end
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(SplitWhole(text).lines, expected) << "text '" << text << "'";
}

TEST(LineSplitter, LongLinesAreReadWholeNeverSplit) {
    // 10000 bytes, then a line that looks like a schedule line.
    const std::string longLine(10000, 'x');
    const std::string text = longLine + "\n6000 0600\n";
    for (const std::size_t chunk :
         {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{65536}}) {
        const Split s = SplitInChunks(text, chunk);
        ASSERT_EQ(s.lines.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(s.lines[0], longLine.substr(0, kMaxKeptLineBytes));
        EXPECT_TRUE(s.truncated[0]);
        EXPECT_EQ(s.lines[1], "6000 0600");
        EXPECT_FALSE(s.truncated[1]);
    }
}

TEST(LineSplitter, ChunkBoundariesDoNotMatter) {
    const std::string text = "one\r\ntwo\n\nthree\r\n" + std::string(5000, 'y') + "\r\nlast";
    const Split whole = SplitWhole(text);
    ASSERT_EQ(whole.lines.size(), 6u);
    for (std::size_t chunk = 1; chunk <= 9; ++chunk) {
        const Split parts = SplitInChunks(text, chunk);
        EXPECT_EQ(parts.lines, whole.lines) << "chunk " << chunk;
        EXPECT_EQ(parts.truncated, whole.truncated) << "chunk " << chunk;
    }
    // A line of exactly the kept length plus its CR is not truncated.
    const Split exact = SplitWhole(std::string(kMaxKeptLineBytes, 'z') + "\r\n");
    ASSERT_EQ(exact.lines.size(), 1u);
    EXPECT_EQ(exact.lines[0].size(), kMaxKeptLineBytes);
    EXPECT_FALSE(exact.truncated[0]);
}

TEST(DecodeLine, OneColumnPerCharacterInEveryEncoding) {
    struct Case {
        std::string bytes;
        std::string utf8;  // expected text
        std::size_t columns;
    };
    const std::vector<Case> cases = {
        {"Radio", "Radio", 5},
        // Latin-1 (not UTF-8): one byte, one column.
        {"Fran\xE7"
         "aise",
         "Fran\xC3\xA7"
         "aise",
         9},
        {"\xD6sterreich", "\xC3\x96sterreich", 10},
        // Windows-1252 at 0x80-0x9F: euro sign, curly quote; undefined 0x81.
        {"\x80 \x93x\x94 \x81", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D \xEF\xBF\xBD", 7},
        // UTF-8 lines keep one column per character too.
        {"\xC3\x96sterreich", "\xC3\x96sterreich", 10},
        {"\xE2\x82\xAC"
         "1",
         "\xE2\x82\xAC"
         "1",
         2},
        // Overlong and truncated sequences are not UTF-8: read byte by byte.
        {"\xC0\x80", "\xC3\x80\xE2\x82\xAC", 2},
        {"a\xE2\x82", "a\xC3\xA2\xE2\x80\x9A", 3},
        // Control characters become spaces in place.
        {"a\tb\x01"
         "c\x7F",
         "a b c ", 6},
        {std::string("a\0b", 3), "a b", 3},
        // A byte-order mark before the first column is dropped.
        {"\xEF\xBB\xBF"
         "6000",
         "6000", 4},
    };
    for (const Case& c : cases) {
        const ListLine line = DecodeLine(c.bytes);
        EXPECT_EQ(line.size(), c.columns) << c.bytes;
        EXPECT_EQ(ToUtf8(line), c.utf8) << c.bytes;
    }
}

TEST(DecodeLine, ACutUtf8SequenceDoesNotTurnTheLineToLatin1) {
    // "\xC3\x96" cut after its first byte by the kept-length limit.
    const ListLine line = DecodeLine(
        "\xC3\x96"
        "ab\xC3",
        true);
    EXPECT_EQ(ToUtf8(line),
              "\xC3\x96"
              "ab");
    // Without the cut the same bytes are not UTF-8.
    EXPECT_EQ(DecodeLine("\xC3\x96"
                         "ab\xC3")
                  .size(),
              5u);
}

TEST(ReadInt, ReadsLikeTheListsAreWritten) {
    struct Case {
        std::u32string field;
        std::optional<int> value;
    };
    const std::vector<Case> cases = {
        {U"6000", 6000},
        {U"  600", 600},
        {U"06000", 6000},
        {U"6000.5", 6000},
        {U"15745.0", 15745},
        {U"-5", -5},
        {U"+7", 7},
        {U"0600x", 600},
        {U"2147483647", 2147483647},
        {U"-2147483648", -2147483647 - 1},
        {U"", std::nullopt},
        {U"    ", std::nullopt},
        {U"kHz", std::nullopt},
        {U"- 5", std::nullopt},
        {U".5", std::nullopt},
        {U"2147483648", std::nullopt},
        {U"99999999999999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadInt(c.field), c.value) << ToUtf8(c.field);
}

TEST(Fields, ColumnsCutsAndMissingColumns) {
    const ListLine line = U"0123456789";
    EXPECT_EQ(Field(line, 2, 4), U"234");
    EXPECT_EQ(Field(line, 8, 12), U"89");  // partly beyond the end
    EXPECT_EQ(Field(line, 10, 12), U"");   // wholly beyond the end
    EXPECT_EQ(CutAtSpace(U"CUB x"), U"CUB");
    EXPECT_EQ(CutAtSpace(U"E"), U"E");
    EXPECT_EQ(CutAtSpace(U" E"), U"");
    EXPECT_EQ(CutAfterDoubleSpace(U"Radio Havana Cuba       "), U"Radio Havana Cuba ");
    EXPECT_EQ(CutAfterDoubleSpace(U"Voice of A B C"), U"Voice of A B C");
    EXPECT_EQ(CutAfterDoubleSpace(U"Name "), U"Name ");
    EXPECT_EQ(CutAfterDoubleSpace(U"  x"), U" ");
}

}  // namespace
}  // namespace velorix
