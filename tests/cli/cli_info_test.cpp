// velorix-cli's answers that start no receiver: the udev rules written from
// the template and the ids, and the usage of --version and --udev-rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CliInfo.h"

namespace velorix {
namespace {

TEST(UdevRules, EachIdentityGetsTheTemplatesRuleLinesInLowerCase) {
    const std::string templ =
        "# comment @ line\n"
        "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"@VENDOR@\", ATTR{idProduct}==\"@PRODUCT@\", "
        "TAG+=\"uaccess\"\n"
        "\n"
        "LABEL=\"@VENDOR@\"";
    EXPECT_EQ(ExpandUdevRules(templ, {{0x04B4, 0x8613}, {0x1209, 0x000F}}),
              "# comment @ line\n"
              "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"04b4\", ATTR{idProduct}==\"8613\", "
              "TAG+=\"uaccess\"\n"
              "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"1209\", ATTR{idProduct}==\"000f\", "
              "TAG+=\"uaccess\"\n"
              "\n"
              "LABEL=\"04b4\"\n"
              "LABEL=\"1209\"\n");
    EXPECT_EQ(ExpandUdevRules("a\nATTR{idVendor}==\"@VENDOR@\"\n", {}), "a\n");
}

TEST(CliInfo, VersionAndUdevRuleStandAlone) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunInfoCommand({"--seconds", "3"}, out, err), std::nullopt);
    EXPECT_EQ(RunInfoCommand({"--smeter", "--udev-rule"}, out, err), 2);
    EXPECT_EQ(RunInfoCommand({"--version", "--help"}, out, err), 2);
    EXPECT_EQ(std::ftell(out), 0);
    std::rewind(err);
    char text[256] = {};
    std::fread(text, 1, sizeof text - 1, err);
    EXPECT_STREQ(text,
                 "velorix-cli: --udev-rule takes no other option\n"
                 "velorix-cli: --version takes no other option\n");
    std::fclose(out);
    std::fclose(err);
}

}  // namespace
}  // namespace velorix
