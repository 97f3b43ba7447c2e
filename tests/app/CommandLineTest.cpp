#include "app/CommandLine.h"

#include <gtest/gtest.h>

using frelt::CommandLine;

namespace {

TEST(CommandLineTest, FilesBecomeAbsoluteAndOptionsAnswerAlone) {
    struct Case {
        std::vector<std::string> arguments;
        CommandLine::Action action;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {{}, CommandLine::Action::run, {}},
        {{"notes.txt", "/abs/a b.pdf", "../up/x", ""}, CommandLine::Action::run,
         {"/home/me/notes.txt", "/abs/a b.pdf", "/home/up/x"}},
        {{"file:///tmp/with%20space.txt"}, CommandLine::Action::run, {"/tmp/with space.txt"}},
        {{"--", "--version"}, CommandLine::Action::run, {"/home/me/--version"}},
        {{"a.txt", "--version"}, CommandLine::Action::version, {}},
        {{"--help"}, CommandLine::Action::help, {}},
        {{"-h"}, CommandLine::Action::help, {}},
        {{"--frobnicate"}, CommandLine::Action::usageError, {}},
    };
    for (const auto& c : cases) {
        const auto parsed = CommandLine::parse(c.arguments, "/home/me");
        EXPECT_EQ(parsed.action, c.action) << testing::PrintToString(c.arguments);
        if (c.action == CommandLine::Action::run) EXPECT_EQ(parsed.files, c.files);
    }
    EXPECT_NE(CommandLine::parse({"--frobnicate"}, "/").problem.find("--frobnicate"), std::string::npos);
    // --toggle asks the running instance to show or hide its window; files
    // with it would be lost, so they are a usage error.
    struct Toggle {
        std::vector<std::string> arguments;
        CommandLine::Action action;
        bool toggle;
    };
    for (const auto& t : std::vector<Toggle>{{{"--toggle"}, CommandLine::Action::run, true},
                                             {{"--toggle", "a.txt"}, CommandLine::Action::usageError, true},
                                             {{"a.txt", "--toggle"}, CommandLine::Action::usageError, true},
                                             {{"--", "--toggle"}, CommandLine::Action::run, false},
                                             {{"--toggle", "--version"}, CommandLine::Action::version, true}}) {
        const auto parsed = CommandLine::parse(t.arguments, "/home/me");
        EXPECT_EQ(parsed.action, t.action) << testing::PrintToString(t.arguments);
        EXPECT_EQ(parsed.toggle, t.toggle) << testing::PrintToString(t.arguments);
    }
    EXPECT_EQ(CommandLine::parse({"--toggle", "a.txt"}, "/").problem, "frelt: --toggle takes no files (try frelt --help)");
    EXPECT_NE(CommandLine::helpText().find("--toggle"), std::string::npos);
    EXPECT_EQ(CommandLine::versionText().rfind("Frelt 1.", 0), 0u) << CommandLine::versionText();
    EXPECT_NE(CommandLine::helpText().find("Usage: frelt [FILE...]"), std::string::npos);
}

// Entries, the settings and the hand-over keep names as text: a name that is
// not UTF-8 would come back as another file's name (or none), so it is left
// out, and said so, while the other files go on.
TEST(CommandLineTest, FileNamesThatAreNotUTF8AreLeftOutAndNamed) {
    const auto parsed =
        CommandLine::parse({"caf\xe9.txt", "ok.txt", "/tmp/\xff\xfe/x", "file:///tmp/caf%E9.pdf", "\xc3\xa9.txt"}, "/home/me");
    EXPECT_EQ(parsed.action, CommandLine::Action::run);
    EXPECT_EQ(parsed.files, (std::vector<std::string>{"/home/me/ok.txt", "/home/me/\xc3\xa9.txt"}));
    EXPECT_EQ(parsed.refused,
              (std::vector<std::string>{"/home/me/caf\xe9.txt", "/tmp/\xff\xfe/x", "/tmp/caf\xe9.pdf"}));
    EXPECT_EQ(CommandLine::refusedText(parsed.refused[0]),
              "frelt: /home/me/caf\\xe9.txt is left out: its name is not valid UTF-8, and Frelt keeps file names "
              "as text");
}

}  // namespace
