#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velorix {

// Where the rigctl server listens. Local by default: other machines reach
// it only when a host such as 0.0.0.0 is named.
struct RigctlEndpoint {
    static constexpr const char* kDefaultHost = "127.0.0.1";
    std::string host = kDefaultHost;  // a numeric IPv4 or IPv6 address
    int port = 0;                     // 0: the server is off

    bool operator==(const RigctlEndpoint&) const = default;
};

// The value of --rigctl: "off" (or port 0), "PORT", "HOST:PORT", or
// "[IPv6]:PORT"; "localhost" stands for 127.0.0.1. Nothing, with `error`
// in the program's words, for anything else.
std::optional<RigctlEndpoint> ParseRigctlOption(std::string_view text, std::string& error);

// Whether `host` is a numeric IPv4 or IPv6 address.
bool IsIpAddress(const std::string& host);
// Whether only this machine can reach `host` (127.0.0.0/8, ::1).
bool IsLoopback(const std::string& host);
// "127.0.0.1:4532", "[::1]:4532".
std::string EndpointText(const RigctlEndpoint& endpoint);
// What a program says once its server listens on `endpoint`, with a warning
// when other machines can reach it.
std::string ListeningText(const RigctlEndpoint& endpoint);

}  // namespace velorix
