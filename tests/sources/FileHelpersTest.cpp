#include "sources/FileHelpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "store/Logging.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class FileHelpersTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        fixture = root() / "fixture";
        fs::create_directories(fixture / "folder");
        fs::create_directories(fixture / "applications");
        write(fixture / "notes.txt", "hello\n");
        write(fixture / "applications" / "editor.desktop",
              "# an editor\n[Desktop Entry]\nName=Editor\nType=Application\nExec=editor %F\n");
        write(fixture / "applications" / "site.desktop", "[Desktop Entry]\nName=Site\nType=Link\nURL=https://example.org\n");
        write(fixture / "applications" / "other-group.desktop",
              "[Desktop Entry]\nName=X\nType=Link\n[Desktop Action new]\nType=Application\n");
        write(fixture / "applications" / "broken.desktop", "Type=Application\n[Desktop Entry\n");
        write(fixture / "applications" / "empty.desktop", "");
        write(fixture / "not-an-entry.txt", "[Desktop Entry]\nType=Application\nExec=x\n");
        write(fixture / "tool.sh", "#!/bin/sh\necho tool\n");
        fs::permissions(fixture / "tool.sh", fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
        ::mkfifo((fixture / "pipe").c_str(), 0600);
        fs::create_directory_symlink(fixture / "folder", fixture / "folder-link");
        fs::create_symlink(fixture / "applications" / "editor.desktop", fixture / "editor-link.desktop");
        fs::create_symlink(fixture / "nowhere", fixture / "dangling");
    }

    static void write(const fs::path& path, const std::string& contents) {
        std::ofstream out(path, std::ios::binary);
        out << contents;
    }

    std::string path(const std::string& name) const { return (fixture / name).string(); }
    platform::URL url(const std::string& name) const { return platform::URL::fileURL(path(name)); }

    fs::path fixture;
};

TEST_F(FileHelpersTest, KindsOfTheFixture) {
    struct Case {
        const char* name;
        FileObjectKind kind;
    };
    const Case cases[] = {
        {"folder", FileObjectKind::folder},
        {"folder-link", FileObjectKind::folder},
        {"notes.txt", FileObjectKind::file},
        {"applications/editor.desktop", FileObjectKind::application},
        {"editor-link.desktop", FileObjectKind::application},
        {"applications/site.desktop", FileObjectKind::file},
        {"applications/other-group.desktop", FileObjectKind::file},
        {"applications/broken.desktop", FileObjectKind::file},
        {"applications/empty.desktop", FileObjectKind::file},
        {"not-an-entry.txt", FileObjectKind::file},
        {"applications", FileObjectKind::folder},
        {"pipe", FileObjectKind::other},
        {"missing", FileObjectKind::unreachable},
        {"dangling", FileObjectKind::unreachable},
        {"notes.txt/inside", FileObjectKind::unreachable},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rawValue(fileObjectKind(url(c.name))), std::string(rawValue(c.kind))) << c.name;
    }
    EXPECT_EQ(fileObjectKind(*platform::URL::fromString("https://example.org/")), FileObjectKind::unreachable);
    EXPECT_EQ(fileObjectKind(platform::URL()), FileObjectKind::unreachable);
}

TEST_F(FileHelpersTest, ResourceTests) {
    EXPECT_TRUE(isApplication(url("applications/editor.desktop")));
    EXPECT_FALSE(isApplication(url("applications/site.desktop")));
    EXPECT_FALSE(isApplication(url("folder")));
    EXPECT_TRUE(isRegularFile(url("applications/editor.desktop")));
    EXPECT_TRUE(isDirectory(url("folder")));
    EXPECT_FALSE(isDirectory(url("notes.txt")));
    EXPECT_FALSE(isRegularFile(url("pipe")));
    EXPECT_FALSE(isPackage(url("folder")));
    EXPECT_FALSE(isPackage(url("applications/editor.desktop")));
    for (const char* gone : {"missing", "dangling"}) {
        EXPECT_FALSE(isApplication(url(gone)));
        EXPECT_FALSE(isDirectory(url(gone)));
        EXPECT_FALSE(isRegularFile(url(gone)));
        EXPECT_FALSE(isOnLocalVolume(url(gone)));
        EXPECT_EQ(volumeURL(url(gone)), std::nullopt);
    }
    EXPECT_TRUE(isOnLocalVolume(url("notes.txt")));
}

TEST_F(FileHelpersTest, Reachability) {
    EXPECT_FALSE(isFileReachable(""));
    EXPECT_TRUE(isFileReachable(path("notes.txt")));
    EXPECT_TRUE(isFileReachable(path("folder")));
    EXPECT_TRUE(isFileReachable(path("pipe")));
    EXPECT_FALSE(isFileReachable(path("missing")));
    EXPECT_FALSE(isFileReachable(path("dangling")));
    EXPECT_FALSE(isReachable(*platform::URL::fromString("https://example.org/notes.txt")));
}

TEST_F(FileHelpersTest, UnreadableDesktopEntryIsNoApplication) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    fs::permissions(fixture / "applications" / "editor.desktop", fs::perms::none);
    EXPECT_EQ(fileObjectKind(url("applications/editor.desktop")), FileObjectKind::file);
    fs::permissions(fixture / "folder", fs::perms::none);
    EXPECT_EQ(fileObjectKind(url("folder")), FileObjectKind::folder);
    fs::permissions(fixture / "folder", fs::perms::owner_all);
}

TEST_F(FileHelpersTest, Executables) {
    EXPECT_FALSE(isExecutableFile(""));
    EXPECT_TRUE(isExecutableFile(path("tool.sh")));
    EXPECT_FALSE(isExecutableFile(path("notes.txt")));
    EXPECT_FALSE(isExecutableFile(path("missing")));
    EXPECT_FALSE(isExecutableFile(path("dangling")));
    // Launched through its entry, whatever its mode bits say.
    EXPECT_TRUE(isExecutableFile(path("applications/editor.desktop")));
    EXPECT_FALSE(isExecutableFile(path("applications/site.desktop")));
    EXPECT_TRUE(isExecutableFile("/bin/sh"));
}

TEST_F(FileHelpersTest, URLSchemes) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {"mailto:someone@example.org", true},
        {"https://example.org/path?q=1", true},
        {"HTTPS://EXAMPLE.ORG", true},
        {"c:", true},
        {"C:", true},
        {"shortcuts://run-shortcut?name=x", true},
        {"example.org", false},
        {"", false},
        {"https://example.org\n", false},
        {"https://exa\nmple.org", false},
        {"https://example.org\r", false},
        {"https://example.org\u2028", false},
        {"\nhttps://example.org", false},
        {"https://ex\vample.org", false},
        {"https://ex\fample.org", false},
        {"https://ex\u0085ample.org", false},
        {"https://ex\u2029ample.org", false},
        {"caf\u00e9:", true},
    };
    for (const auto& c : cases) EXPECT_EQ(hasURLScheme(c.text), c.expected) << c.text;
}

TEST_F(FileHelpersTest, VolumeOfAFile) {
    EXPECT_EQ(volumeURL(platform::URL::fileURL("/")), platform::URL::fileURL("/", true));
    auto volume = volumeURL(url("folder"));
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->hasDirectoryPath());
    const std::string mount = volume->path();
    const std::string real = fs::canonical(fixture / "notes.txt").string();
    EXPECT_EQ(real.rfind(mount == "/" ? "/" : mount + "/", 0), 0u) << mount << " holds " << real;
    struct stat fileStatus {}, mountStatus {}, aboveStatus {};
    ASSERT_EQ(::stat(real.c_str(), &fileStatus), 0);
    ASSERT_EQ(::stat(mount.c_str(), &mountStatus), 0);
    EXPECT_EQ(fileStatus.st_dev, mountStatus.st_dev);
    if (mount != "/") {
        ASSERT_EQ(::stat(fs::path(mount).parent_path().c_str(), &aboveStatus), 0);
        EXPECT_NE(aboveStatus.st_dev, mountStatus.st_dev);
    }
    EXPECT_EQ(volumeURL(url("notes.txt")), volume);
}

TEST_F(FileHelpersTest, FileObjectKindRawValues) {
    EXPECT_STREQ(rawValue(FileObjectKind::unreachable), "unreachable");
    EXPECT_EQ(fileObjectKindFromRawValue("application"), FileObjectKind::application);
    EXPECT_EQ(fileObjectKindFromRawValue("Application"), std::nullopt);
}

// --- Output lines and running executables -----------------------------------

TEST_F(FileHelpersTest, OutputLines) {
    struct Case {
        std::string data;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"one\ntwo\n", {"one", "two"}},
        {"", {""}},
        {"\n\n", {""}},
        {"one\n\ntwo", {"one", "", "two"}},
        {"\r\n one \r\n", {" one "}},
        {"one\r\ntwo", {"one\r", "two"}},
        {"one\u2028", {"one"}},
        {"\u0085one\u2029\n", {"one"}},
        {"caf\u00e9\n", {"caf\u00e9"}},
        {"bad \xff byte\n", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outputLines(platform::Data(c.data.begin(), c.data.end())), c.lines) << c.data;
    }
}

TEST_F(FileHelpersTest, RunsAnExecutableWithArgumentsAsTheyAre) {
    // The arguments reach the child untouched: no shell expands them.
    auto result = runExecutable("/bin/sh", {"-c", "printf '%s\\n' \"$1\" \"$2\"; printf 'oops\\n' >&2; exit 3", "sh",
                                           "$HOME", "a b;*"});
    EXPECT_EQ(result.output, (std::vector<std::string>{"$HOME", "a b;*"}));
    EXPECT_EQ(result.error, (std::vector<std::string>{"oops"}));
    EXPECT_EQ(result.status, 3);

    auto silent = runExecutable("/bin/sh", {"-c", "true"});
    EXPECT_EQ(silent.output, (std::vector<std::string>{""}));
    EXPECT_EQ(silent.error, (std::vector<std::string>{""}));
    EXPECT_EQ(silent.status, 0);
}

TEST_F(FileHelpersTest, MissingOrUnlaunchableExecutableRunsNothing) {
    struct DebugLogging {
        DebugLogging() { logging::setDebugLoggingEnabled(true); }
        ~DebugLogging() { logging::setDebugLoggingEnabled(false); }
    } debugLogging;
    for (const std::string& p : {path("missing"), std::string(), path("notes.txt")}) {
        auto result = runExecutable(p, {});
        EXPECT_TRUE(result.output.empty()) << p;
        EXPECT_TRUE(result.error.empty()) << p;
        EXPECT_EQ(result.status, -1) << p;
    }
    // Only the file that exists but cannot be started is worth a line.
    const auto records = logs().records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].category, "shortcuts");
    EXPECT_EQ(records[0].message.rfind("Task creation failed with error: ", 0), 0u) << records[0].message;
}

TEST_F(FileHelpersTest, ChattyChildDoesNotStallTheReader) {
    // Megabytes on standard error while standard output is still open, then
    // megabytes on standard output: a reader that drains one stream to its
    // end before the other would wait forever.
    auto result = runExecutable(
        "/bin/sh", {"-c", "yes 'error line' | head -n 400000 >&2; yes 'output line' | head -n 300000; echo end >&2"});
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.error.size(), 400001u);
    EXPECT_EQ(result.error.front(), "error line");
    EXPECT_EQ(result.error.back(), "end");
    ASSERT_EQ(result.output.size(), 300000u);
    EXPECT_EQ(result.output.back(), "output line");
}

TEST_F(FileHelpersTest, TimeoutStopsAHangingChild) {
    auto result = runExecutable("/bin/sh", {"-c", "echo started; exec sleep 30"}, std::chrono::milliseconds(200));
    EXPECT_EQ(result.output, (std::vector<std::string>{"started"}));
    EXPECT_EQ(result.status, 9);  // SIGKILL
}

}  // namespace
