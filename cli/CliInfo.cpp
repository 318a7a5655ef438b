#include "CliInfo.h"

#include <algorithm>
#include <cstdio>

#include "CheckedFile.h"
#include "DataDirectories.h"
#include "Version.h"

namespace velorix {

namespace {

constexpr const char* kUdevTemplate = "60-velorix.rules.in";
constexpr std::uint64_t kUdevTemplateLimit = 64u << 10;

void Replace(std::string& text, std::string_view what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

int PrintUdevRules(std::FILE* out, std::FILE* err) {
    const std::vector<std::string> dirs = files::DataDirectories(files::ExecutablePlace());
    const usb::FoundUsbIds found = usb::FindUsbIds(dirs);
    if (!found.error.empty()) {
        std::fprintf(err, "velorix-cli: %s\n", found.error.c_str());
        return 1;
    }
    const std::optional<std::string> path = files::FindFile(dirs, kUdevTemplate);
    if (!path) {
        std::fprintf(err, "velorix-cli: %s\n", files::NotFound(kUdevTemplate, dirs).c_str());
        return 1;
    }
    files::FileProblem problem;
    const std::optional<std::string> text = files::ReadInput(*path, kUdevTemplateLimit, &problem);
    if (!text) {
        std::fprintf(err, "velorix-cli: %s\n", problem.Describe(*path).c_str());
        return 1;
    }
    std::fputs(ExpandUdevRules(*text, found.ids).c_str(), out);
    return 0;
}

}  // namespace

std::string ExpandUdevRules(std::string_view templateText, const std::vector<usb::UsbId>& ids) {
    std::string rules;
    while (!templateText.empty()) {
        const std::size_t end = templateText.find('\n');
        const std::string_view line = templateText.substr(0, end);
        templateText.remove_prefix(end == std::string_view::npos ? templateText.size() : end + 1);
        if (line.find("@VENDOR@") == std::string_view::npos &&
            line.find("@PRODUCT@") == std::string_view::npos) {
            rules.append(line).append("\n");
            continue;
        }
        for (const usb::UsbId& id : ids) {
            std::string rule(line);
            Replace(rule, "@VENDOR@", Hex4(id.vendorId));
            Replace(rule, "@PRODUCT@", Hex4(id.productId));
            rules.append(rule).append("\n");
        }
    }
    return rules;
}

std::optional<int> RunInfoCommand(const std::vector<std::string>& args, std::FILE* out,
                                  std::FILE* err) {
    const auto info = std::find_if(args.begin(), args.end(), [](const std::string& a) {
        return a == "--version" || a == "--udev-rule";
    });
    if (info == args.end()) return std::nullopt;
    if (args.size() != 1) {
        std::fprintf(err, "velorix-cli: %s takes no other option\n", info->c_str());
        return 2;
    }
    if (*info == "--udev-rule") return PrintUdevRules(out, err);
    std::fprintf(out, "velorix %s\n", VersionLine().c_str());
    return 0;
}

}  // namespace velorix
