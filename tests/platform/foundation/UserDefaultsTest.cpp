#include "platform/foundation/UserDefaults.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SingleInstance.h"
#include "support/FreltTest.h"

namespace fs = std::filesystem;
using platform::UserDefaults;
using platform::Value;
using platform::ValueArray;
using platform::ValueDictionary;

namespace {

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

ValueDictionary readPlist(const fs::path& path) {
    auto result = platform::PropertyList::readFile(path.string());
    EXPECT_TRUE(result) << result.error;
    if (!result || !result.value->isDictionary()) return {};
    return *result.value->asDictionary();
}

class UserDefaultsTest : public FreltTest {
protected:
    void TearDown() override {
        platform::atomicfile::setFaultInjector(nullptr);
        FreltTest::TearDown();
    }
    fs::path settingsFile() const { return platform::Paths::configFolder() / "org.frelt.Frelt.plist"; }
    fs::path globalFile() const { return platform::Paths::configFolder() / ".GlobalPreferences.plist"; }
    std::vector<fs::path> folderContents() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(platform::Paths::configFolder())) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
};

}  // namespace

TEST_F(UserDefaultsTest, AbsentKeysReadAsEmptyValues) {
    auto defaults = UserDefaults::standard();
    EXPECT_FALSE(defaults->objectForKey("absent"));
    EXPECT_FALSE(defaults->boolForKey("absent"));
    EXPECT_EQ(defaults->integerForKey("absent"), 0);
    EXPECT_EQ(defaults->doubleForKey("absent"), 0.0);
    EXPECT_EQ(defaults->floatForKey("absent"), 0.0f);
    EXPECT_EQ(defaults->stringForKey("absent"), "");
    EXPECT_TRUE(defaults->stringArrayForKey("absent").empty());
    EXPECT_TRUE(defaults->arrayForKey("absent").empty());
    EXPECT_TRUE(defaults->dictionaryForKey("absent").empty());
    EXPECT_FALSE(defaults->dataForKey("absent"));
    // Reading writes nothing.
    EXPECT_FALSE(fs::exists(settingsFile()));
}

TEST_F(UserDefaultsTest, TypedReadsOfStoredValues) {
    auto defaults = UserDefaults::standard();
    struct Case {
        Value stored;
        bool asBool;
        std::int64_t asInteger;
        double asDouble;
        std::string asString;
    };
    const Case cases[] = {
        {true, true, 1, 1.0, "1"},
        {false, false, 0, 0.0, "0"},
        {42, true, 42, 42.0, "42"},
        {0.25, true, 0, 0.25, "0.25"},
        {-1.5, true, -1, -1.5, "-1.5"},
        {"YES", true, 0, 0.0, "YES"},
        {"true", true, 0, 0.0, "true"},
        {"no", false, 0, 0.0, "no"},
        {"12.5px", true, 12, 12.5, "12.5px"},
        {"", false, 0, 0.0, ""},
        {platform::Data{1, 2}, false, 0, 0.0, ""},
        {ValueArray{Value(1)}, false, 0, 0.0, ""},
    };
    for (const auto& c : cases) {
        defaults->set("k", c.stored);
        const std::string what = c.stored.description();
        EXPECT_EQ(defaults->boolForKey("k"), c.asBool) << what;
        EXPECT_EQ(defaults->integerForKey("k"), c.asInteger) << what;
        EXPECT_EQ(defaults->doubleForKey("k"), c.asDouble) << what;
        EXPECT_EQ(defaults->stringForKey("k"), c.asString) << what;
        EXPECT_EQ(defaults->objectForKey("k"), c.stored) << what;
    }
    defaults->set("nan", std::nan(""));
    EXPECT_TRUE(std::isnan(defaults->floatForKey("nan")));

    defaults->set("list", std::vector<std::string>{"/a", "/b"});
    EXPECT_EQ(defaults->stringArrayForKey("list"), (std::vector<std::string>{"/a", "/b"}));
    defaults->set("mixed", ValueArray{Value("/a"), Value(3), Value("/b")});
    EXPECT_TRUE(defaults->stringArrayForKey("mixed").empty());
    EXPECT_EQ(defaults->arrayForKey("mixed").size(), 3u);
    defaults->set("data", platform::Data{0, 255});
    EXPECT_EQ(defaults->dataForKey("data"), (platform::Data{0, 255}));
    EXPECT_FALSE(defaults->dataForKey("list"));
}

TEST_F(UserDefaultsTest, WritesRemovesAndRefusesUnstorableValues) {
    auto defaults = UserDefaults::standard();
    defaults->set("a", "x");
    defaults->set("a", Value());  // null removes
    EXPECT_FALSE(defaults->objectForKey("a"));
    defaults->set("b", 2);
    defaults->removeObjectForKey("b");
    EXPECT_FALSE(defaults->objectForKey("b"));

    defaults->set("c", "kept");
    defaults->set("c", ValueArray{Value("x"), Value()});
    EXPECT_EQ(defaults->stringForKey("c"), "kept");
    EXPECT_FALSE(logs().records().empty());
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readPlist(settingsFile()), (ValueDictionary{{"c", "kept"}}));
}

TEST_F(UserDefaultsTest, ValuesReadBackAfterTheStoreIsMadeAgain) {
    {
        auto defaults = UserDefaults::standard();
        defaults->set("launchedBefore", true);
        defaults->set("windowViewStyle", 1);
        defaults->set("entryBackgroundAlphaValue", 0.2f);
        defaults->set("customSpotlightSearchScope", std::vector<std::string>{"/opt/apps"});
        defaults->set("globalKeyCombo", platform::Data{1, 2, 3});
        defaults->set("when", platform::Date{1000.5});
        // No synchronize: tearing the store down writes what is pending.
    }
    platform::singleinstance::resetAll();
    ASSERT_TRUE(fs::exists(settingsFile()));
    EXPECT_EQ(fileBytes(settingsFile()).substr(0, 8), "bplist00");

    auto again = UserDefaults::standard();
    EXPECT_TRUE(again->boolForKey("launchedBefore"));
    EXPECT_EQ(again->integerForKey("windowViewStyle"), 1);
    EXPECT_EQ(again->floatForKey("entryBackgroundAlphaValue"), 0.2f);
    EXPECT_EQ(again->stringArrayForKey("customSpotlightSearchScope"), (std::vector<std::string>{"/opt/apps"}));
    EXPECT_EQ(again->dataForKey("globalKeyCombo"), (platform::Data{1, 2, 3}));
    EXPECT_EQ(again->objectForKey("when"), Value(platform::Date{1000.5}));
}

TEST_F(UserDefaultsTest, TheStandardStoreMadeInTheBackgroundIsTheOneEveryoneGets) {
    {
        auto defaults = UserDefaults::standard();
        defaults->set("windowViewStyle", 2);
        defaults->set("globalKeyCombo", platform::Data{4, 5});
    }
    platform::singleinstance::resetAll();

    // Asked for at once, as the program does once the toolkit is up: the
    // store is waited for, not made twice.
    UserDefaults::loadStandardInBackground();
    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->integerForKey("windowViewStyle"), 2);
    EXPECT_EQ(defaults->dataForKey("globalKeyCombo"), (platform::Data{4, 5}));
    EXPECT_EQ(UserDefaults::standard(), defaults);
    defaults->set("windowViewStyle", 3);
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readPlist(settingsFile()).at("windowViewStyle"), Value(3));
}

TEST_F(UserDefaultsTest, ChangesAreWrittenShortlyAfterwards) {
    auto defaults = UserDefaults::standard();
    defaults->set("a", 1);
    advance(0.5);
    drain();
    EXPECT_FALSE(fs::exists(settingsFile()));
    defaults->set("b", 2);  // rides along with the save already pending
    advance(0.6);
    drain();
    EXPECT_EQ(readPlist(settingsFile()), (ValueDictionary{{"a", 1}, {"b", 2}}));

    defaults->set("a", 3);
    advance(1.0);
    drain();
    EXPECT_EQ(readPlist(settingsFile())["a"], Value(3));

    // The exit hook writes what is pending.
    defaults->set("a", 4);
    UserDefaults::flushStandard();
    EXPECT_EQ(readPlist(settingsFile())["a"], Value(4));
}

TEST_F(UserDefaultsTest, AFailedWriteLeavesThePreviousFileWhole) {
    using Stage = platform::atomicfile::Stage;
    auto defaults = UserDefaults::standard();
    defaults->set("value", "first");
    ASSERT_TRUE(defaults->synchronize());
    const std::string before = fileBytes(settingsFile());
    const auto contents = folderContents();

    for (Stage failing : {Stage::CreateTemporary, Stage::Write, Stage::Sync, Stage::Rename}) {
        platform::atomicfile::setFaultInjector([failing](Stage stage, const fs::path&) {
            return stage == failing ? ENOSPC : 0;
        });
        defaults->set("value", "second");
        EXPECT_FALSE(defaults->synchronize()) << static_cast<int>(failing);
        EXPECT_EQ(fileBytes(settingsFile()), before) << static_cast<int>(failing);
        EXPECT_EQ(folderContents(), contents) << "no temporary file is left behind";
        defaults->set("value", "first");
    }
    bool logged = false;
    for (const auto& m : logs().messages()) logged |= m.find("Cannot save the settings file") != std::string::npos;
    EXPECT_TRUE(logged);

    // Once writing works again the pending change is saved.
    platform::atomicfile::setFaultInjector(nullptr);
    defaults->set("value", "third");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readPlist(settingsFile())["value"], Value("third"));
}

TEST_F(UserDefaultsTest, AnUnreadableFileIsKeptAsideNotOverwritten) {
    for (const std::string& bad : {std::string("bplist00 truncated"), std::string("not a property list"),
                                  std::string("")}) {
        writeBytes(settingsFile(), bad);
        auto defaults = UserDefaults::standard();
        EXPECT_FALSE(defaults->objectForKey("anything"));
        EXPECT_FALSE(fs::exists(settingsFile()));
        std::vector<fs::path> aside;
        for (const auto& e : fs::directory_iterator(platform::Paths::configFolder())) {
            if (e.path().filename().string().rfind("org.frelt.Frelt.plist.corrupt-", 0) == 0) aside.push_back(e.path());
        }
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(fileBytes(aside[0]), bad);
        bool logged = false;
        for (const auto& m : logs().messages()) logged |= m.find("kept it as " + aside[0].string()) != std::string::npos;
        EXPECT_TRUE(logged);

        defaults->set("fresh", true);
        EXPECT_TRUE(defaults->synchronize());
        EXPECT_TRUE(readPlist(settingsFile())["fresh"].asBool().value_or(false));
        defaults.reset();
        platform::singleinstance::resetAll();
        fs::remove(aside[0]);
    }

    // A property list whose top level is not a dictionary is no settings file either.
    auto list = platform::PropertyList::write(Value(ValueArray{Value(1)}), platform::PropertyListFormat::Binary);
    ASSERT_TRUE(list);
    writeBytes(settingsFile(), std::string(list->begin(), list->end()));
    EXPECT_FALSE(UserDefaults::standard()->objectForKey("fresh"));
    EXPECT_FALSE(fs::exists(settingsFile()));
}

TEST_F(UserDefaultsTest, AFolderInPlaceOfASettingsFileIsPutAside) {
    for (const fs::path& file : {settingsFile(), globalFile()}) {
        fs::create_directories(file / "inside");
        auto defaults = UserDefaults::standard();
        EXPECT_FALSE(fs::exists(file)) << file;
        bool logged = false;
        for (const auto& m : logs().messages())
            logged |= m.find("Cannot read the settings file " + file.string()) != std::string::npos;
        EXPECT_TRUE(logged) << file;
        defaults->set("fresh", true);
        EXPECT_TRUE(defaults->synchronize());
        EXPECT_TRUE(readPlist(settingsFile())["fresh"].asBool().value_or(false));
        defaults.reset();
        platform::singleinstance::resetAll();
        fs::remove(settingsFile());
    }
}

// Whatever stands at the settings path that is not a regular file within the
// size limit is an unreadable settings file: read without waiting or growing,
// moved aside as it is, and told of (readProblems).
TEST_F(UserDefaultsTest, OnlyARegularFileWithinTheLimitIsReadAnythingElseIsKeptAsideAndTold) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        // What the kept file must still be.
        std::function<bool(const fs::path&)> keptAsItWas;
    };
    const Case cases[] = {
        {"a pipe, which would hang the start", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         [](const fs::path& p) { return fs::is_fifo(fs::symlink_status(p)); }},
        {"a link to a device that never ends", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         [](const fs::path& p) { return fs::is_symlink(p) && fs::read_symlink(p) == "/dev/zero"; }},
        {"a file beyond the size limit",
         [](const fs::path& p) {
             std::ofstream(p) << "bplist00";
             fs::resize_file(p, UserDefaults::maximumFileSize + 1);  // sparse: nothing written
         },
         [](const fs::path& p) { return fs::file_size(p) == UserDefaults::maximumFileSize + 1; }},
        {"a folder", [](const fs::path& p) { fs::create_directories(p / "inside"); },
         [](const fs::path& p) { return fs::is_directory(p / "inside"); }},
        {"garbage", [](const fs::path& p) { std::ofstream(p) << "not a property list"; },
         [](const fs::path& p) { return fileBytes(p) == "not a property list"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(settingsFile().parent_path());
        c.make(settingsFile());
        auto defaults = UserDefaults::standard();
        EXPECT_FALSE(defaults->objectForKey("anything"));
        const auto problems = defaults->readProblems();
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].file, settingsFile());
        ASSERT_TRUE(problems[0].keptAs);
        EXPECT_TRUE(c.keptAsItWas(*problems[0].keptAs));
        EXPECT_FALSE(fs::exists(fs::symlink_status(settingsFile())));

        defaults->set("fresh", true);
        EXPECT_TRUE(defaults->synchronize());
        EXPECT_TRUE(readPlist(settingsFile())["fresh"].asBool().value_or(false));
        defaults.reset();
        platform::singleinstance::resetAll();
        fs::remove_all(*problems[0].keptAs);
        fs::remove(settingsFile());
    }
    // A readable file is no problem.
    UserDefaults::standard()->set("fresh", true);
    platform::singleinstance::resetAll();
    EXPECT_TRUE(UserDefaults::standard()->readProblems().empty());
}

// A failed save is told once (the handler), with the file; the later ones,
// retried with every change, are only logged.
TEST_F(UserDefaultsTest, TheFirstFailedSaveIsToldWithItsFile) {
    auto defaults = UserDefaults::standard();
    std::vector<std::string> told;
    defaults->setSaveFailureHandler([&](const fs::path& file, const std::string& error) {
        told.push_back(file.string() + " | " + error);
    });
    // The settings folder replaced by a file.
    fs::remove_all(platform::Paths::configFolder());
    writeBytes(platform::Paths::configFolder(), "in the way");
    defaults->set("value", 1);
    EXPECT_FALSE(defaults->synchronize());
    defaults->set("value", 2);
    EXPECT_FALSE(defaults->synchronize());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(settingsFile().string() + " | ", 0), 0u) << told[0];
    fs::remove(platform::Paths::configFolder());
}

TEST_F(UserDefaultsTest, TemporaryFilesOfInterruptedSavesAreRemovedAtTheNextLoadOrSave) {
    const fs::path folder = platform::Paths::configFolder();
    fs::create_directories(folder);
    auto temporaries = [&] {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder)) {
            const auto name = e.path().filename().string();
            if (name.find(".tmp-") != std::string::npos) out.push_back(name);
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    // Saves killed after writing their temporary file, before the rename:
    // each one clears what the one before left, so they never pile up.
    for (int i = 0; i < 5; ++i) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
                if (stage == platform::atomicfile::Stage::Sync) ::_exit(0);
                return 0;
            });
            platform::writeFileAtomically(settingsFile(), platform::Data(1000, 'x'));
            ::_exit(1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_EQ(temporaries().size(), 1u);

    // A save in progress holds its file locked; names not of our making stay.
    const std::string running = ".org.frelt.Frelt.plist.tmp-Run123";
    writeBytes(folder / running, "partial");
    const int held = ::open((folder / running).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    writeBytes(folder / ".org.frelt.Frelt.plist.tmp-notours", "x");
    writeBytes(folder / "notes.tmp-abc123", "x");

    auto defaults = UserDefaults::standard();
    // Loading removed the last killed save's file.
    EXPECT_EQ(temporaries(),
              (std::vector<std::string>{".org.frelt.Frelt.plist.tmp-Run123", ".org.frelt.Frelt.plist.tmp-notours",
                                        "notes.tmp-abc123"}));

    ::close(held);  // that save died too
    defaults->set("key", 1);
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(temporaries(), (std::vector<std::string>{".org.frelt.Frelt.plist.tmp-notours", "notes.tmp-abc123"}));
}

TEST_F(UserDefaultsTest, ASettingsFileThatIsALinkIsWrittenThrough) {
    const fs::path dotfiles = root() / "dotfiles";
    fs::create_directories(dotfiles);
    fs::create_directories(settingsFile().parent_path());
    const fs::path target = dotfiles / "frelt.plist";
    auto stored = platform::PropertyList::write(Value(ValueDictionary{{"kept", 1}}), platform::PropertyListFormat::Binary);
    writeBytes(target, std::string(stored->begin(), stored->end()));
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    fs::create_symlink(fs::relative(target, settingsFile().parent_path()), settingsFile());

    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->integerForKey("kept"), 1);
    defaults->set("added", true);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_TRUE(fs::is_symlink(settingsFile()));
    EXPECT_TRUE(readPlist(target)["added"].asBool().value_or(false));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::others_read, fs::perms::others_read);
    for (const auto& e : fs::directory_iterator(dotfiles)) EXPECT_EQ(e.path(), target);
}

TEST_F(UserDefaultsTest, ALinkToNothingOrALoopOfLinksIsLogged) {
    fs::create_directories(settingsFile().parent_path());
    // Pointing nowhere: logged, and the first save creates the file it points to.
    const fs::path missing = root() / "dotfiles" / "missing.plist";
    fs::create_directories(missing.parent_path());
    fs::create_symlink(missing, settingsFile());
    auto defaults = UserDefaults::standard();
    EXPECT_FALSE(loggedAfter("The settings file " + settingsFile().string()).empty());
    defaults->set("key", 2);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_TRUE(fs::is_symlink(settingsFile()));
    EXPECT_EQ(readPlist(missing)["key"], Value(2));
    defaults.reset();
    platform::singleinstance::resetAll();

    // A loop cannot be written: the save fails and says why, every time.
    fs::remove(settingsFile());
    const fs::path other = settingsFile().parent_path() / "other.plist";
    fs::create_symlink(other, settingsFile());
    fs::create_symlink(settingsFile(), other);
    defaults = UserDefaults::standard();
    bool loopLogged = false;
    for (const auto& m : logs().messages()) loopLogged |= m.find("loop of symbolic links") != std::string::npos;
    EXPECT_TRUE(loopLogged);
    defaults->set("key", 3);
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_FALSE(loggedAfter("Cannot save the settings file " + settingsFile().string()).empty());
    EXPECT_TRUE(fs::is_symlink(settingsFile()) && fs::is_symlink(other));
}

TEST_F(UserDefaultsTest, ASettingsFileSharingOneDictionaryManyTimesIsRead) {
    // Written by an independent writer (fixtures/make_fixtures.py): 1,286
    // references to one ten-key dictionary in 1.6 KB.
    fs::create_directories(settingsFile().parent_path());
    fs::copy_file(FRELT_SOURCE_DIR "/tests/platform/foundation/fixtures/shared-settings.bplist", settingsFile());
    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->arrayForKey("entries").size(), 1286u);
    EXPECT_EQ(folderContents(), std::vector<fs::path>{"org.frelt.Frelt.plist"}) << "nothing put aside";
}

TEST_F(UserDefaultsTest, TheGlobalDomainIsAFallbackWithAFileOfItsOwn) {
    // A system setting present before the program starts.
    auto bytes = platform::PropertyList::write(Value(ValueDictionary{{"NSTableViewDefaultSizeMode", 3}}),
                                               platform::PropertyListFormat::Binary);
    ASSERT_TRUE(bytes);
    ASSERT_TRUE(platform::writeFileAtomically(globalFile(), *bytes));

    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->integerForKey("NSTableViewDefaultSizeMode"), 3);
    EXPECT_EQ(defaults->persistentDomainForName(UserDefaults::globalDomain),
              (ValueDictionary{{"NSTableViewDefaultSizeMode", 3}}));
    EXPECT_EQ(defaults->persistentDomainForName("org.frelt.Frelt"), ValueDictionary{});
    EXPECT_FALSE(defaults->persistentDomainForName("other"));

    // The program's own domain wins; removing its value uncovers the global one.
    defaults->set("NSTableViewDefaultSizeMode", 1);
    EXPECT_EQ(defaults->integerForKey("NSTableViewDefaultSizeMode"), 1);
    defaults->removeObjectForKey("NSTableViewDefaultSizeMode");
    EXPECT_EQ(defaults->integerForKey("NSTableViewDefaultSizeMode"), 3);

    // Tests (standing in for the system) change the global domain; it is saved beside.
    defaults->setPersistentDomain({{"NSTableViewDefaultSizeMode", 2}}, UserDefaults::globalDomain);
    EXPECT_EQ(defaults->integerForKey("NSTableViewDefaultSizeMode"), 2);
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readPlist(globalFile()), (ValueDictionary{{"NSTableViewDefaultSizeMode", 2}}));
    EXPECT_EQ(readPlist(settingsFile()), ValueDictionary{});

    // Registered defaults are the last resort and are never saved.
    defaults->registerDefaults({{"menubarIcon", "statusbar-1"}, {"NSTableViewDefaultSizeMode", 9}});
    EXPECT_EQ(defaults->stringForKey("menubarIcon"), "statusbar-1");
    EXPECT_EQ(defaults->integerForKey("NSTableViewDefaultSizeMode"), 2);
    EXPECT_EQ(defaults->dictionaryRepresentation(),
              (ValueDictionary{{"menubarIcon", "statusbar-1"}, {"NSTableViewDefaultSizeMode", 2}}));
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(readPlist(settingsFile()), ValueDictionary{});
}

TEST_F(UserDefaultsTest, ObserversHearEachChangeOfTheValueOnce) {
    auto defaults = UserDefaults::standard();
    std::vector<std::optional<Value>> heard;
    auto observation = defaults->observe("NSTableViewDefaultSizeMode", [&](const std::string& key,
                                                                           const std::optional<Value>& value) {
        EXPECT_EQ(key, "NSTableViewDefaultSizeMode");
        heard.push_back(value);
    });
    int notifications = 0;
    auto posted = platform::NotificationCenter::defaultCenter().observe(
        UserDefaults::didChangeNotification, defaults.get(), [&](const platform::Notification&) { ++notifications; });

    defaults->setPersistentDomain({{"NSTableViewDefaultSizeMode", 3}}, UserDefaults::globalDomain);
    defaults->set("NSTableViewDefaultSizeMode", 3);       // same value as before: nothing to hear
    defaults->set("other", 1);                           // another key
    defaults->set("NSTableViewDefaultSizeMode", 1);
    defaults->removeObjectForKey("NSTableViewDefaultSizeMode");  // back to the global 3
    defaults->removePersistentDomainForName(UserDefaults::globalDomain);

    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0], Value(3));
    EXPECT_EQ(heard[1], Value(1));
    EXPECT_EQ(heard[2], Value(3));
    EXPECT_EQ(heard[3], std::nullopt);
    EXPECT_EQ(notifications, 5);

    // An observer may end its own observation while it is called.
    std::optional<platform::Subscription> once;
    int calls = 0;
    once.emplace(defaults->observe("k", [&](const std::string&, const std::optional<Value>&) {
        ++calls;
        once.reset();
    }));
    observation.cancel();
    defaults->set("k", 1);
    defaults->set("k", 2);
    defaults->set("NSTableViewDefaultSizeMode", 2);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(heard.size(), 4u);
}

TEST_F(UserDefaultsTest, ConcurrentWritersWhileSavesRun) {
    auto defaults = UserDefaults::standard();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([defaults, t] {
            for (int i = 0; i < 50; ++i) {
                defaults->set("t" + std::to_string(t) + "-" + std::to_string(i), i);
                if (i % 25 == 0) defaults->synchronize();
            }
        });
    }
    for (int step = 0; step < 5; ++step) advance(1.0);
    for (auto& w : writers) w.join();
    drain();
    ASSERT_TRUE(defaults->synchronize());
    const auto stored = readPlist(settingsFile());
    EXPECT_EQ(stored.size(), 200u);
    EXPECT_EQ(stored.at("t3-49"), Value(49));
}
