#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velorix {

// The station list files are fixed-column text. A line is decoded into one
// character per column before any field is taken, so the columns hold for
// every encoding met in the wild:
//  - a line that is valid UTF-8 is read as UTF-8 (user lists edited on Linux);
//  - any other line is read byte by byte as Windows-1252/Latin-1, which is what
//    the published lists use.
// Control characters (tabs included) become one space each, so they neither
// move the columns nor reach a terminal or the panel. Text leaves this module
// as UTF-8.
using ListLine = std::u32string;
using ListLineView = std::u32string_view;

// Longest line kept, in bytes. Longer lines are still read whole (the rest is
// skipped up to the line end), never split into two lines; every field of
// every list lies far inside this.
inline constexpr std::size_t kMaxKeptLineBytes = 4096;

// Splits a byte stream into lines at "\n", taking a "\r" before it (and at the
// end of the data) as part of the line end. A last line without a line end is
// a line like any other. Empty lines are passed on too.
class LineSplitter {
public:
    // `bytes` is the raw line (at most kMaxKeptLineBytes), `truncated` tells
    // that bytes were skipped after it.
    using Sink = std::function<void(std::string_view bytes, bool truncated)>;

    explicit LineSplitter(Sink sink) : m_sink(std::move(sink)) {}
    void Feed(std::string_view chunk);
    void Finish();

private:
    void Emit();

    Sink m_sink;
    std::string m_line;
    bool m_truncated = false;
    bool m_pending = false;  // bytes seen since the last line end
};

// Decodes one raw line into columns (see above). A leading byte-order mark is
// dropped.
ListLine DecodeLine(std::string_view bytes, bool truncated = false);

// Calls `onLine` for every decoded line of `text`.
void ForEachLine(std::string_view text, const std::function<void(ListLineView)>& onLine);

// Same for the file at `path`; false (and no call) when it cannot be opened.
// Only a regular file of at most 64 MB (far beyond any real list) is read: a
// directory, device or pipe is refused without waiting on it, a larger file
// without reading it, and either is told in `problem` (when given) as
// "PATH: why"; a missing file is an empty list and not told. A read error
// ends the file early, silently.
bool ForEachFileLine(const std::string& path, const std::function<void(ListLineView)>& onLine,
                     std::string* problem = nullptr);

// Columns `first` to `last` (inclusive, counted from 0); the part of them that
// lies beyond the line's end is missing (shorter or empty result).
ListLineView Field(ListLineView line, std::size_t first, std::size_t last);

// Reads a decimal integer the way the lists are written: leading blanks,
// an optional sign, at least one digit; reading stops at the first character
// that is not a digit ("6000.5" reads 6000). None when no digit comes first or
// the value does not fit an int.
std::optional<int> ReadInt(ListLineView field);

// The field up to (not including) its first space.
ListLineView CutAtSpace(ListLineView field);
// The field up to and including its first space that is followed by another
// space: a padded name keeps exactly one trailing space.
ListLineView CutAfterDoubleSpace(ListLineView field);

// UTF-8 text of decoded characters.
std::string ToUtf8(ListLineView text);

}  // namespace velorix
