#include "RigctlEndpoint.h"

#include <arpa/inet.h>

#include <charconv>

namespace velorix {

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    if (host.find('\0') != std::string::npos) return false;
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

bool IsLoopback(const std::string& host) {
    unsigned char address[16];
    if (inet_pton(AF_INET, host.c_str(), address) == 1) return address[0] == 127;
    return host == "::1";
}

std::string EndpointText(const RigctlEndpoint& endpoint) {
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

std::string ListeningText(const RigctlEndpoint& endpoint) {
    std::string text = "rigctl server listening on " + EndpointText(endpoint);
    if (!IsLoopback(endpoint.host))
        text += " (reachable from other machines: anyone who can connect tunes the receiver)";
    return text;
}

std::optional<RigctlEndpoint> ParseRigctlOption(std::string_view text, std::string& error) {
    error.clear();
    RigctlEndpoint endpoint;
    if (text == "off") return endpoint;
    std::string_view port = text;
    bool valid = true;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        std::string_view host = text.substr(0, colon);
        port = text.substr(colon + 1);
        const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
        if (bracketed) host = host.substr(1, host.size() - 2);
        endpoint.host = host == "localhost" ? RigctlEndpoint::kDefaultHost : std::string(host);
        // An IPv6 address goes in brackets, so that its colons stay apart from the port's.
        valid = IsIpAddress(endpoint.host) && (bracketed || host.find(':') == host.npos);
    }
    const auto [end, failure] =
        std::from_chars(port.data(), port.data() + port.size(), endpoint.port);
    if (valid && !port.empty() && failure == std::errc{} && end == port.data() + port.size() &&
        endpoint.port >= 0 && endpoint.port <= 65535)
        return endpoint;
    error =
        "--rigctl needs [HOST:]PORT (PORT 1 to 65535, HOST an IP address such as "
        "127.0.0.1 or 0.0.0.0) or off, not '" +
        std::string(text) + "'";
    return std::nullopt;
}

}  // namespace velorix
