#include "RigctlProtocol.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "RigctlDumpState.h"
#include "RigctlModes.h"

namespace velorix {

namespace {

// Hamlib's answer codes: done, invalid argument, feature not available.
constexpr int kOk = 0;
constexpr int kInvalid = -1;
constexpr int kNotAvailable = -11;

using Args = std::vector<std::string_view>;

struct Reply {
    int code = kOk;
    // Key (empty: the value stands alone) and value of each record.
    std::vector<std::pair<std::string, std::string>> records{};
};

std::optional<long long> ParseInteger(std::string_view s) {
    long long v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (error != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// A frequency as clients write it ("14074000.000000", "7e6"), to whole Hz.
// Independent of the C locale's decimal point, which the window sets.
std::optional<long long> ParseHz(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0.0;
    const auto [end, error] =
        std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (error != std::errc{} || end != s.data() + s.size() || !std::isfinite(v) ||
        std::fabs(v) > 1e12)
        return std::nullopt;
    return std::llround(v);
}

bool IsVfoA(std::string_view vfo) {
    return vfo == "VFOA" || vfo == "currVFO";
}

Reply Value(const char* key, std::string value) {
    return {kOk, {{key, std::move(value)}}};
}

Reply SetFreq(RigControl& rig, const Args& a) {
    const std::optional<long long> hz = ParseHz(a[0]);
    return {hz && rig.SetTunedHz(*hz) ? kOk : kInvalid};
}

Reply GetMode(RigControl& rig, const Args&) {
    const int mode = rig.Mode();
    return {kOk,
            {{"Mode", TokenForMode(mode)},
             {"Passband", std::to_string(rig.FilterWidthHz(mode, rig.Filter()))}}};
}

// Passband -1 keeps the filter, 0 takes the mode's default, any other width
// the nearest filter of the mode.
Reply SetMode(RigControl& rig, const Args& a) {
    const std::optional<int> mode = ModeForToken(a[0]);
    const std::optional<long long> passband = ParseInteger(a[1]);
    if (!mode || !passband || *passband < -1) return {kInvalid};
    if (*mode != rig.Mode()) rig.SelectMode(*mode);
    int filter = -1;
    if (*passband == 0) filter = rig.DefaultFilter(*mode);
    if (*passband > 0) filter = NearestFilter(rig, *mode, *passband);
    if (filter >= 0 && filter != rig.Filter()) rig.SelectFilter(filter);
    return {};
}

Reply GetLevel(RigControl& rig, const Args& a) {
    const int tenths = rig.LevelTenthsDbm();
    // STRENGTH: whole dB relative to S9, -73 dBm.
    if (a[0] == "STRENGTH") return Value("", std::to_string(std::lround(tenths / 10.0 + 73.0)));
    if (a[0] == "RAWSTR") return Value("", std::to_string(tenths));
    return {kNotAvailable};
}

Reply SetSplit(RigControl&, const Args& a) {
    return {a[0] == "0" ? kOk : kInvalid};  // a receiver has no split
}

Reply SetPtt(RigControl&, const Args& a) {
    return {a[0] == "0" ? kOk : kInvalid};  // nor a transmitter
}

Reply SetLockMode(RigControl&, const Args& a) {
    const std::optional<long long> lock = ParseInteger(a[0]);
    return {lock && (*lock == 0 || *lock == 1) ? kOk : kInvalid};
}

Reply DumpState(RigControl& rig, const Args&) {
    Reply r;
    for (std::string& line : DumpStateLines(rig))
        r.records.emplace_back("", std::move(line));
    return r;
}

enum class Kind {
    Query,    // answers its values
    Setting,  // answers RPRT
    ChkVfo,   // "0", or "ChkVFO: 0": no echo, no RPRT
    Quit,     // "RPRT 0", then the connection ends
};

struct Command {
    char letter;  // 0: by long name only
    std::string_view name;
    int args;
    Kind kind;
    Reply (*run)(RigControl&, const Args&);
};

Reply None(RigControl&, const Args&) {
    return {};
}

const Command kCommands[] = {
    {'f', "get_freq", 0, Kind::Query,
     [](RigControl& rig, const Args&) {
         return Value("Frequency", std::to_string(rig.TunedHz()));
     }},
    {'F', "set_freq", 1, Kind::Setting, SetFreq},
    {'m', "get_mode", 0, Kind::Query, GetMode},
    {'M', "set_mode", 2, Kind::Setting, SetMode},
    {'v', "get_vfo", 0, Kind::Query, [](RigControl&, const Args&) { return Value("VFO", "VFOA"); }},
    {'V', "set_vfo", 1, Kind::Setting,
     [](RigControl&, const Args& a) { return Reply{IsVfoA(a[0]) ? kOk : kInvalid}; }},
    {'s', "get_split_vfo", 0, Kind::Query,
     [](RigControl&, const Args&) {
         // Two lines: a client reading one waits for the second until its time-out.
         return Reply{kOk, {{"Split", "0"}, {"TX VFO", "VFOA"}}};
     }},
    {'S', "set_split_vfo", 2, Kind::Setting, SetSplit},
    {'t', "get_ptt", 0, Kind::Query, [](RigControl&, const Args&) { return Value("PTT", "0"); }},
    {'T', "set_ptt", 1, Kind::Setting, SetPtt},
    {'l', "get_level", 1, Kind::Query, GetLevel},
    {0, "get_powerstat", 0, Kind::Query,
     [](RigControl&, const Args&) { return Value("Power Status", "1"); }},
    {0, "get_lock_mode", 0, Kind::Query,
     [](RigControl&, const Args&) { return Value("Locked", "0"); }},
    {0, "set_lock_mode", 1, Kind::Setting, SetLockMode},
    {'_', "get_info", 0, Kind::Query,
     [](RigControl&, const Args&) { return Value("Info", "Velorix receiver"); }},
    {0, "dump_state", 0, Kind::Query, DumpState},
    {0, "chk_vfo", 0, Kind::ChkVfo, None},
    {'q', "quit", 0, Kind::Quit, None},
    {'Q', "quit", 0, Kind::Quit, None},
};

const Command* Find(char letter, std::string_view name) {
    for (const Command& c : kCommands)
        if (name.empty() ? c.letter == letter && letter != 0 : c.name == name) return &c;
    return nullptr;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Reads commands off a line one at a time.
class LineReader {
public:
    explicit LineReader(std::string_view line) : line_(line) {}

    bool AtEnd() {
        SkipBlanks();
        return at_ >= line_.size();
    }
    char Peek() const { return line_[at_]; }
    char Take() { return line_[at_++]; }
    // The next blank-separated word; empty at the end of the line.
    std::string_view Word() {
        SkipBlanks();
        const std::size_t start = at_;
        while (at_ < line_.size() && !IsBlank(line_[at_]))
            ++at_;
        return line_.substr(start, at_ - start);
    }

private:
    void SkipBlanks() {
        while (at_ < line_.size() && IsBlank(line_[at_]))
            ++at_;
    }

    std::string_view line_;
    std::size_t at_ = 0;
};

void Append(RigctlAnswer& answer, const Command& cmd, const Args& args, const Reply& reply,
            char separator) {
    std::string& out = answer.text;
    const std::string rprt = "RPRT " + std::to_string(reply.code);
    if (separator == 0) {
        if (cmd.kind == Kind::Query && reply.code == kOk) {
            for (const auto& [key, value] : reply.records)
                out += value + "\n";
        } else {
            out += rprt + "\n";
        }
        return;
    }
    out.append(cmd.name).append(":");
    for (const std::string_view a : args)
        out.append(" ").append(a);
    out += separator;
    for (const auto& [key, value] : reply.records) {
        if (!key.empty()) out.append(key).append(": ");
        out.append(value) += separator;
    }
    out += rprt + "\n";
}

}  // namespace

RigctlAnswer AnswerLine(std::string_view line, RigControl& rig) {
    RigctlAnswer answer;
    LineReader reader(line);
    while (!reader.AtEnd()) {
        char separator = 0;
        if (const char c = reader.Peek(); c == '+' || c == ';' || c == '|' || c == ',') {
            separator = c == '+' ? '\n' : c;
            reader.Take();
        }
        const Command* cmd = nullptr;
        if (!reader.AtEnd()) {
            if (reader.Peek() == '\\') {
                reader.Take();
                const std::string_view name = reader.Word();
                if (!name.empty()) cmd = Find(0, name);
            } else {
                cmd = Find(reader.Take(), {});
            }
        }
        if (cmd == nullptr) {
            answer.text += "RPRT " + std::to_string(kNotAvailable) + "\n";
            break;
        }
        if (cmd->kind == Kind::Quit) {
            // Hamlib's client waits for this answer before it closes its end.
            answer.text += "RPRT 0\n";
            answer.close = true;
            break;
        }
        if (cmd->kind == Kind::ChkVfo) {
            answer.text += separator ? "ChkVFO: 0\n" : "0\n";
            continue;
        }
        Args args;
        for (int i = 0; i < cmd->args; ++i)
            if (const std::string_view word = reader.Word(); !word.empty()) args.push_back(word);
        const Reply reply =
            static_cast<int>(args.size()) == cmd->args ? cmd->run(rig, args) : Reply{kInvalid};
        Append(answer, *cmd, args, reply, separator);
    }
    return answer;
}

}  // namespace velorix
