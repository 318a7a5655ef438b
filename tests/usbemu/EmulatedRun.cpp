#include "EmulatedRun.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace velorix::test {

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string BinProgram(const std::string& name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

e2e::RunResult RunEmulated(const std::string& dir, const Emulated& how,
                           const std::vector<std::string>& command) {
    // Appended piecewise: GCC 12 misreads "literal" + std::string&& (-Wrestrict).
    std::string script = "cd ";
    script.append(Quoted(dir)).append(" || exit 125; ");
    // Its output goes nowhere: it must not hold the run's pipe open after the run.
    if (!how.before.empty())
        script.append("(").append(how.before).append(") </dev/null >/dev/null 2>&1 & ");
    script.append("exec env");
    for (const std::string& e : how.env)
        script.append(" ").append(Quoted(e));
    script.append(" timeout -k 5 ").append(std::to_string(how.limitSeconds));
    script.append(" umockdev-wrapper ").append(Quoted(BinProgram("velorix-usb-emulator")));
    for (const std::string& o : how.options)
        script.append(" ").append(Quoted(o));
    script.append(" --");
    for (const std::string& c : command)
        script.append(" ").append(Quoted(c));
    return e2e::RunProgram("sh", {"-c", script});
}

std::map<std::string, std::string> Values(const std::string& out) {
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const size_t space = line.find(' ');
        if (space != std::string::npos) values[line.substr(0, space)] = line.substr(space + 1);
    }
    return values;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace velorix::test
