#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ConsoleNotifier.h"

namespace velorix {
namespace {

std::string Read(std::FILE* f) {
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;)
        s += static_cast<char>(c);
    return s;
}

TEST(ConsoleNotifier, PrintsOneLineAndAnswersCancelWhenNobodyCanAnswer) {
    std::FILE* out = std::tmpfile();
    std::FILE* in = std::tmpfile();  // not a terminal
    ConsoleNotifier n(out, in, true);
    EXPECT_EQ(n.Notify("Velorix receiver not found\nPlease check connections and retry", "velorix",
                       Notifier::Icon::Warning, Notifier::Buttons::RetryCancel),
              Notifier::Answer::Cancel);
    EXPECT_EQ(n.Notify("Firmware download error", "velorix", Notifier::Icon::Error,
                       Notifier::Buttons::Ok),
              Notifier::Answer::Ok);
    EXPECT_EQ(n.Notify("Save?", "velorix", Notifier::Icon::Question, Notifier::Buttons::YesNo),
              Notifier::Answer::No);
    const std::string text = Read(out);
    EXPECT_NE(text.find("velorix warning: Velorix receiver not found Please check connections and "
                        "retry\n"),
              std::string::npos);
    EXPECT_NE(text.find("velorix error: Firmware download error\n"), std::string::npos);
    EXPECT_NE(text.find("no one to answer; taking Cancel"), std::string::npos);
    std::fclose(out);
    std::fclose(in);
}

}  // namespace
}  // namespace velorix
