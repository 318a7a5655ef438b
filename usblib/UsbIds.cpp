#include "UsbIds.h"

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

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
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
        const std::string_view entry = Trim(text.substr(0, comma));
        const size_t colon = entry.find(':');
        UsbId id{};
        if (colon == std::string_view::npos || !ParseHex16(entry.substr(0, colon), id.vendorId) ||
            !ParseHex16(entry.substr(colon + 1), id.productId)) {
            // Appended piecewise: GCC 12 misreads "literal" + std::string&& (-Wrestrict).
            error.assign(1, '\'');
            error.append(entry).append("' is not vvvv:pppp (four hex digits each)");
            return false;
        }
        parsed.push_back(id);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    ids = std::move(parsed);
    return true;
}

int MatchUsbId(const std::vector<UsbId>& ids, uint16_t vendorId, uint16_t productId) {
    for (size_t i = 0; i < ids.size(); ++i)
        if (ids[i].vendorId == vendorId && ids[i].productId == productId) return int(i);
    return -1;
}

}  // namespace velorix::usb
