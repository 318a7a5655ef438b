#include "ListText.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "CheckedFile.h"

namespace velorix {

namespace {

// Windows-1252 characters at 0x80-0x9F; U+FFFD where the code page has none.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

bool IsControl(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

// Length of the UTF-8 sequence that starts with `lead`, 0 when it cannot lead one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Strict UTF-8 decoding (no overlong forms, surrogates or values past
// U+10FFFF). False when `bytes` is not UTF-8.
bool DecodeUtf8(std::string_view bytes, ListLine& out) {
    out.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int n = SequenceLength(lead);
        if (n == 0 || i + n > bytes.size()) return false;
        char32_t c = n == 1 ? lead : lead & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            c = (c << 6) | (b & 0x3F);
        }
        if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += n;
    }
    return true;
}

void DecodeSingleByte(std::string_view bytes, ListLine& out) {
    out.clear();
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.push_back(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : char32_t{b});
    }
}

// A line cut at kMaxKeptLineBytes may end inside a UTF-8 sequence; drop that
// incomplete tail so that the kept part still reads as UTF-8.
std::string_view DropCutSequence(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80) continue;
        const int n = SequenceLength(b);
        if (n > static_cast<int>(back)) return bytes.substr(0, bytes.size() - back);
        break;
    }
    return bytes;
}

}  // namespace

void LineSplitter::Feed(std::string_view chunk) {
    while (!chunk.empty()) {
        const std::size_t end = chunk.find('\n');
        const std::string_view part = chunk.substr(0, end);
        const std::size_t room = kMaxKeptLineBytes + 1 - m_line.size();  // +1: a "\r" to strip
        if (part.size() > room) {
            m_line.append(part.substr(0, room));
            m_truncated = true;
        } else {
            m_line.append(part);
        }
        m_pending = true;
        if (end == std::string_view::npos) return;
        Emit();
        chunk.remove_prefix(end + 1);
    }
}

void LineSplitter::Finish() {
    if (m_pending) Emit();
}

void LineSplitter::Emit() {
    std::string_view line = m_line;
    if (!m_truncated && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxKeptLineBytes) {
        line = line.substr(0, kMaxKeptLineBytes);
        m_truncated = true;
    }
    m_sink(line, m_truncated);
    m_line.clear();
    m_truncated = false;
    m_pending = false;
}

ListLine DecodeLine(std::string_view bytes, bool truncated) {
    ListLine line;
    const std::string_view utf8 = truncated ? DropCutSequence(bytes) : bytes;
    if (!DecodeUtf8(utf8, line)) DecodeSingleByte(bytes, line);
    if (!line.empty() && line.front() == 0xFEFF) line.erase(0, 1);
    for (char32_t& c : line) {
        if (IsControl(c)) c = U' ';
    }
    return line;
}

void ForEachLine(std::string_view text, const std::function<void(ListLineView)>& onLine) {
    LineSplitter splitter(
        [&](std::string_view bytes, bool truncated) { onLine(DecodeLine(bytes, truncated)); });
    splitter.Feed(text);
    splitter.Finish();
}

bool ForEachFileLine(const std::string& path, const std::function<void(ListLineView)>& onLine,
                     std::string* problem) {
    files::FileProblem why;
    const auto in = files::OpenInput(path, files::kStationListLimit, &why);
    if (!in) {
        // A missing list is an empty one; anything else is worth a word.
        if (problem && !why.Missing()) *problem = why.Describe(path);
        return false;
    }
    LineSplitter splitter(
        [&](std::string_view bytes, bool truncated) { onLine(DecodeLine(bytes, truncated)); });
    std::vector<char> chunk(65536);
    ssize_t got;
    while ((got = ::read(in->handle.Get(), chunk.data(), chunk.size())) > 0)
        splitter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    splitter.Finish();
    return true;
}

ListLineView Field(ListLineView line, std::size_t first, std::size_t last) {
    if (first >= line.size() || last < first) return {};
    return line.substr(first, last - first + 1);
}

std::optional<int> ReadInt(ListLineView field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == U' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == U'+' || field[i] == U'-')) {
        negative = field[i] == U'-';
        ++i;
    }
    if (i >= field.size() || field[i] < U'0' || field[i] > U'9') return std::nullopt;
    long long value = 0;
    for (; i < field.size() && field[i] >= U'0' && field[i] <= U'9'; ++i) {
        value = value * 10 + (field[i] - U'0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return std::nullopt;
    return static_cast<int>(value);
}

ListLineView CutAtSpace(ListLineView field) {
    return field.substr(0, field.find(U' '));
}

ListLineView CutAfterDoubleSpace(ListLineView field) {
    const std::size_t at = field.find(U"  ");
    return at == ListLineView::npos ? field : field.substr(0, at + 1);
}

std::string ToUtf8(ListLineView text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace velorix
