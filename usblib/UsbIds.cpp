#include "UsbIds.h"

#include <cstdlib>
#include <optional>

#include "CheckedFile.h"
#include "DataDirectories.h"

namespace velorix::usb {

namespace {

bool ParseHex16(std::string_view s, uint16_t& out) {
    if (s.size() != 4) return false;
    unsigned v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v << 4 | unsigned(d);
    }
    out = uint16_t(v);
    return true;
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && Blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One "vvvv:pppp"; else says why, naming the entry.
bool ParseUsbId(std::string_view entry, UsbId& id, std::string& error) {
    const size_t colon = entry.find(':');
    if (colon != std::string_view::npos && ParseHex16(entry.substr(0, colon), id.vendorId) &&
        ParseHex16(entry.substr(colon + 1), id.productId))
        return true;
    // Appended piecewise: GCC 12 misreads "literal" + std::string&& (-Wrestrict).
    error.assign(1, '\'');
    error.append(entry).append("' is not vvvv:pppp (four hex digits each)");
    return false;
}

}  // namespace

bool ParseUsbIds(std::string_view text, std::vector<UsbId>& ids, std::string& error) {
    std::vector<UsbId> parsed;
    if (Trim(text).empty()) {
        error = "no ids given (expected vvvv:pppp[,vvvv:pppp...])";
        return false;
    }
    while (true) {
        const size_t comma = text.find(',');
        UsbId id{};
        if (!ParseUsbId(Trim(text.substr(0, comma)), id, error)) return false;
        parsed.push_back(id);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    ids = std::move(parsed);
    return true;
}

bool ParseUsbIdsFile(std::string_view text, std::vector<UsbId>& ids, std::string& error) {
    std::vector<UsbId> parsed;
    for (int number = 1; !text.empty(); ++number) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        UsbId id{};
        if (!ParseUsbId(line, id, error)) {
            error.insert(0, std::to_string(number) + ": ");
            return false;
        }
        parsed.push_back(id);
    }
    ids = std::move(parsed);
    return true;
}

FoundUsbIds FindUsbIds(const std::vector<std::string>& dataDirs) {
    FoundUsbIds found;
    if (const char* text = std::getenv("VELORIX_USB_IDS"); text && *text) {
        if (!ParseUsbIds(text, found.ids, found.error)) found.error.insert(0, "VELORIX_USB_IDS: ");
        return found;
    }
    const std::optional<std::string> path = files::FindFile(dataDirs, kUsbIdsFile);
    if (!path) {
        found.error = files::NotFound(kUsbIdsFile, dataDirs);
        return found;
    }
    files::FileProblem problem;
    const std::optional<std::string> text = files::ReadInput(*path, kUsbIdsLimit, &problem);
    if (!text)
        found.error = problem.Describe(*path);
    else if (!ParseUsbIdsFile(*text, found.ids, found.error))
        found.error.insert(0, *path + ":");
    else if (found.ids.empty())
        found.error = *path + ": no ids in it (one vvvv:pppp a line)";
    return found;
}

int MatchUsbId(const std::vector<UsbId>& ids, uint16_t vendorId, uint16_t productId) {
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i].vendorId == vendorId && ids[i].productId == productId) return int(i);
    return -1;
}

}  // namespace velorix::usb
