#include "TestScript.h"

#include <QKeySequence>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SkinLayout.h"

namespace velorix {

namespace {

constexpr int kLongestWaitMs = 3'600'000;
constexpr std::uintmax_t kLargestScript = 1 << 20;

bool Clickable(int id) {
    for (const skin::PlacedFace& f : skin::WindowLayout())
        if (f.id == id &&
            (f.kind == skin::FaceKind::Button || f.kind == skin::FaceKind::TextButton ||
             f.kind == skin::FaceKind::CheckBox))
            return true;
    return false;
}

// A whole non-negative decimal number up to `most`, or -1.
int Number(const std::string& word, int most) {
    if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != word.npos)
        return -1;
    const int n = std::stoi(word);
    return n <= most ? n : -1;
}

TestScript Refused(const std::string& error) {
    TestScript script;
    script.errors.push_back(error);
    return script;
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == s.npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// The step of one line without its comment, or the reason it is none.
std::string ParseStep(const std::string& text, const std::string& folder, TestStep& step) {
    std::istringstream words(text);
    std::string verb, first, extra;
    words >> verb >> first;
    std::getline(words, extra);
    extra = Trimmed(extra);
    const auto path = [&folder](const std::string& p) {
        return std::filesystem::path(p).is_absolute()
                   ? p
                   : (std::filesystem::path(folder) / p).string();
    };
    if (verb == "click") {
        step.kind = TestStep::Kind::Click;
        step.value = Number(first, 999);
        if (step.value < 0 || !extra.empty())
            return "click wants one control id, as in \"click 340\"";
        if (!Clickable(step.value)) return "no button or check box has the id " + first;
    } else if (verb == "key") {
        const QKeySequence key = QKeySequence::fromString(QString::fromStdString(first));
        if (first.empty() || !extra.empty() || key.count() != 1 || key[0].key() == Qt::Key_unknown)
            return "key wants one key name, as in \"key PgUp\"";
        step.kind = TestStep::Kind::Key;
        step.value = key[0].toCombined();
    } else if (verb == "wait" && first == "file") {
        if (extra.empty()) return "wait file wants a path";
        step.kind = TestStep::Kind::WaitFile;
        step.path = path(extra);
    } else if (verb == "wait") {
        step.kind = TestStep::Kind::WaitSignal;
        step.value = Number(first, kLongestWaitMs);
        if (step.value < 0 || !extra.empty())
            return "wait wants milliseconds of signal (0 to 3600000) or \"file <path>\"";
    } else if (verb == "shot") {
        const std::string file = Trimmed(first + " " + extra);
        if (file.empty()) return "shot wants a file";
        step.kind = TestStep::Kind::Shot;
        step.path = path(file);
    } else if (verb == "quit") {
        if (!first.empty()) return "quit takes nothing after it";
        step.kind = TestStep::Kind::Quit;
    } else {
        return "\"" + verb + "\" is no step (click, key, wait, shot, quit)";
    }
    return {};
}

}  // namespace

TestScript ParseTestScript(const std::string& text, const std::string& name,
                           const std::string& folder) {
    TestScript script;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        TestStep step{.kind = TestStep::Kind::Quit, .line = number, .value = 0, .path = {}};
        const std::string error = ParseStep(line, folder, step);
        if (error.empty())
            script.steps.push_back(step);
        else
            script.errors.push_back(name + ":" + std::to_string(number) + ": " + error);
    }
    return script;
}

TestScript LoadTestScript(const std::string& path) {
    // Checked before opening: a FIFO or a device would block or never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Refused(path + ": is not a file");
    if (std::filesystem::file_size(path, ec) > kLargestScript)
        return Refused(path + ": is too large for a test script");
    std::ifstream in(path, std::ios::binary);
    if (!in) return Refused(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ParseTestScript(text.str(), path, folder.empty() ? "." : folder);
}

}  // namespace velorix
