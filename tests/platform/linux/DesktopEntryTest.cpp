// Reading desktop entries: what makes a listed application, localized names,
// the command line's quoting, and refusing what cannot be used.

#include "platform/linux/DesktopEntry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace platform;
using Strings = std::vector<std::string>;

namespace {

std::optional<DesktopEntry> parsed(const std::string& body, const Strings& languages = {}, std::string* error = nullptr) {
    return desktopentry::parse("# comment\n[Desktop Entry]\n" + body, "/x.desktop", languages, error);
}

TEST(DesktopEntryTest, ListedApplicationsFollowTypeVisibilityAndDesktop) {
    struct Case {
        std::string body;
        Strings desktops;
        bool listed;
    };
    const std::string app = "Type=Application\nName=A\nExec=a\n";
    const std::vector<Case> cases{
        {app, {}, true},
        {app + "NoDisplay=true\n", {}, false},
        {app + "Hidden=true\n", {}, false},
        {"Type=Link\nName=A\nURL=https://a\n", {}, false},
        {app + "OnlyShowIn=GNOME;KDE;\n", {"KDE"}, true},
        {app + "OnlyShowIn=GNOME;\n", {"XFCE"}, false},
        {app + "OnlyShowIn=GNOME;\n", {}, false},
        {app + "NotShowIn=GNOME;\n", {"ubuntu", "GNOME"}, false},
        {app + "NotShowIn=GNOME;\n", {"KDE"}, true},
        {"Type=Application\nName=A\nDBusActivatable=true\n", {}, true},
        // TryExec: an installed program, by path or found in PATH; a missing
        // one, or a file that is no program, hides the entry.
        {app + "TryExec=/bin/sh\n", {}, true},
        {app + "TryExec=sh\n", {}, true},
        {app + "TryExec=/no/such/program\n", {}, false},
        {app + "TryExec=frelt-no-such-program\n", {}, false},
        {app + "TryExec=/etc/passwd\n", {}, false},
    };
    for (const auto& c : cases) {
        const auto entry = parsed(c.body);
        ASSERT_TRUE(entry) << c.body;
        EXPECT_EQ(entry->isListedApplication(c.desktops), c.listed) << c.body;
    }
}

TEST(DesktopEntryTest, NamesAreLocalizedAndOnlyTheMainGroupCounts) {
    const std::string body =
        "Type=Application\nName=Files\nName[de]=Dateien\nName[de_AT]=Dateien (AT)\nName[sr@latin]=Datoteke\n"
        "Exec=files\n[Desktop Action New]\nName=Not this\n";
    EXPECT_EQ(parsed(body)->name, "Files");
    EXPECT_EQ(parsed(body, {"de_DE", "de"})->name, "Dateien");
    EXPECT_EQ(parsed(body, {"de_AT", "de"})->name, "Dateien (AT)");
    EXPECT_EQ(parsed(body, {"sr_RS@latin", "sr_RS", "sr@latin", "sr"})->name, "Datoteke");
    EXPECT_EQ(parsed("Type=Application\nName=Tab\\tbed\\sname\nExec=x\n")->name, "Tab\tbed name");
    EXPECT_EQ(desktopentry::desktopId("/usr/share/applications", "/usr/share/applications/kde/org.a.desktop"),
              "kde-org.a.desktop");
}

TEST(DesktopEntryTest, CommandLinesSplitByTheQuotingRules) {
    struct Case {
        std::string exec;
        std::optional<Strings> args;
    };
    const std::vector<Case> cases{
        {"editor %F", Strings{"editor", "%F"}},
        {"\"/opt/My App/run\" --name \"a \\\"b\\\" \\$c\" %u", Strings{"/opt/My App/run", "--name", "a \"b\" $c", "%u"}},
        {"run 100%% --file=%f", Strings{"run", "100%", "--file=%f"}},
        {"old %d %n %m \"\"", Strings{"old", ""}},
        {"\"unterminated", std::nullopt},
        {"run %x", std::nullopt},
        {"   ", std::nullopt},
        {"run %", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(desktopentry::splitExec(c.exec), c.args) << c.exec;
}

TEST(DesktopEntryTest, UnusableFilesAreRefusedWithTheirReason) {
    std::string error;
    EXPECT_FALSE(desktopentry::parse("Name=A\n", "/x", {}, &error));
    EXPECT_EQ(error, "no [Desktop Entry] group");
    EXPECT_FALSE(parsed("Type=Application\nExec=a\n", {}, &error));
    EXPECT_EQ(error, "an application without Name");
    EXPECT_FALSE(parsed("Type=Application\nName=\xff\nExec=a\n", {}, &error));
    EXPECT_EQ(error, "not valid UTF-8");
    // A deleted entry only shadows: its missing command is no fault.
    EXPECT_TRUE(parsed("Type=Application\nName=A\nHidden=true\n"));
}

}  // namespace
