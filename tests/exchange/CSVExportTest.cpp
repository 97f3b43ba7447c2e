// The CSV list: its exact text, awkward names read back by another
// program's CSV reader, and what an empty list or a failed write does.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

#include "ExchangeTestSupport.h"
#include "platform/appkit/SavePanel.h"
#include "platform/foundation/Process.h"

using namespace frelt;
namespace fs = std::filesystem;
namespace mf = platform::modifierflags;

namespace {

class CSVExportTest : public ExchangeTest {
protected:
    platform::URL csvURL() const { return fileURL("list.csv"); }
    static std::shared_ptr<DataStorage::EntryArray> listOf(std::vector<TableViewItem::Ptr> entries) {
        return DataStorage::EntryArray::create(std::move(entries));
    }
    static TableViewItem::Ptr link(const std::string& url, const std::string& name, const std::string& comment,
                                   Strings tags = {}) {
        auto entry = TableViewItem::initForURL(url, name, comment);
        entry->setTags(tags);
        return entry;
    }
};

// Python's csv module reads the file; each field comes back hex-encoded so
// that no character of it can be confused with the reader's own output.
std::optional<std::vector<Strings>> readWithPython(const std::string& path) {
    const std::string python = "/usr/bin/python3";
    if (access(python.c_str(), X_OK) != 0) return std::nullopt;
    const std::string script = R"(
import csv, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    for row in csv.reader(f):
        print(' '.join(field.encode('utf-8').hex() for field in row) + ' .')
)";
    const auto result = platform::Process::run(python, {"-c", script, path});
    if (!result || result->terminationStatus != 0) return std::vector<Strings>{};
    std::vector<Strings> rows;
    Strings row;
    std::string token;
    for (char ch : result->standardOutput) {
        if (ch != ' ' && ch != '\n') {
            token += ch;
            continue;
        }
        if (token == ".")
            rows.push_back(std::exchange(row, {}));
        else if (!token.empty() || ch == ' ') {
            std::string field;
            for (std::size_t i = 0; i + 1 < token.size(); i += 2)
                field += static_cast<char>(std::stoi(token.substr(i, 2), nullptr, 16));
            row.push_back(field);
        }
        token.clear();
    }
    return rows;
}

TEST_F(CSVExportTest, TheListIsTheHeaderAndOneQuotedLineForEachEntry) {
    auto work = link("https://example.org/work", "Work", "", {"work", "home"});
    work->setHotkey(combo(Key::k, mf::shift | mf::command));
    auto plain = link("https://example.org/plain", "Plain", "");
    auto noted = link("https://example.org/n", "Noted", "a note");
    ASSERT_TRUE(manager()->exportData->writeCSV(csvURL(), listOf({work, plain, noted})));
    EXPECT_EQ(readText(csvURL().path()),
              "Name,Path,Tags,Hotkey,Comment\n"
              "\"Work\",\"https://example.org/work\",\"work,home\",\"" +
                  work->hotkey()->displayString() +
                  "\",\"\"\n"
                  "\"Plain\",\"https://example.org/plain\",\"\",\"\",\"\"\n"
                  "\"Noted\",\"https://example.org/n\",\"\",\"\",\"a note\"");

    ASSERT_TRUE(manager()->exportData->writeCSV(csvURL(), listOf({plain})));
    EXPECT_EQ(readText(csvURL().path()),
              "Name,Path,Tags,Hotkey,Comment\n\"Plain\",\"https://example.org/plain\",\"\",\"\",\"\"");
}

TEST_F(CSVExportTest, AwkwardNamesAndPathsSurviveAnotherProgramsCSVReader) {
    struct Row {
        std::string name, path, comment;
        Strings tags;
    };
    const Row rows[] = {
        {"Say \"hi\"", "files/quote\".txt", "he said \"no\"", {"a\"b"}},
        {"Comma, separated", "files/a,b.txt", "one, two, three", {"x,y", "z"}},
        {"Two\nlines", "files/line\nbreak.txt", "first\r\nsecond", {}},
        {"\"\"", "files/\"\".txt", "\",\"", {"\""}},
        {"  blanks  ", "files/ x .txt", " ", {" "}},
        {"Ünïcødé ✓", "files/日本語.txt", "emoji 🚀", {"ü|ß"}},
        {"tail\"", "files/semi;colon.txt", "", {}},
    };
    std::vector<TableViewItem::Ptr> entries;
    std::vector<Strings> expected{{"Name", "Path", "Tags", "Hotkey", "Comment"}};
    for (const auto& r : rows) {
        auto entry = TableViewItem::initForExternalNonSpotlightObject(makeFile(r.path));
        entry->setName(r.name);
        entry->setComment(r.comment);
        entry->setTags(r.tags);
        entries.push_back(entry);
        std::string tags;
        for (std::size_t i = 0; i < r.tags.size(); ++i) tags += (i ? "," : "") + r.tags[i];
        expected.push_back({r.name, entry->path(), tags, "", r.comment});
    }
    entries.front()->setHotkey(combo(Key::q, mf::option));
    expected[1][3] = entries.front()->hotkey()->displayString();

    ASSERT_TRUE(manager()->exportData->writeCSV(csvURL(), listOf(entries)));
    const auto read = readWithPython(csvURL().path());
    if (!read) GTEST_SKIP() << "needs python3 (scripts/install-deps installs it)";
    EXPECT_EQ(*read, expected);
}

TEST_F(CSVExportTest, AnEmptyListWritesNothingAndAFailedWriteKeepsTheEarlierFile) {
    // The panel still comes for an empty list.
    script->answerSavePanel([this](platform::SavePanel& panel) {
        EXPECT_EQ(panel.allowedFileTypes(), Strings{"csv"});
        return platform::PanelAnswer{platform::modalresponse::ok, {csvURL()}};
    });
    manager()->exportData->exportDataToCSV(listOf({}));
    EXPECT_FALSE(fs::exists(csvURL().path()));

    writeBytes(csvURL().path(), {'o', 'l', 'd'});
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
        return stage == platform::atomicfile::Stage::Rename ? EIO : 0;
    });
    script->answerAlert([this](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText().rfind("Error on writing strings to file: ", 0), 0u) << alert.messageText();
        EXPECT_EQ(alert.informativeText(), "Error: Export");
        EXPECT_EQ(manager()->state(), ExportImportManagerState::exportRunning);
        return platform::AlertAnswer{};
    });
    script->chooseInSavePanel(csvURL());
    manager()->exportData->exportDataToCSV(listOf({link("https://example.org", "Example", "")}));
    EXPECT_EQ(readText(csvURL().path()), "old");
    EXPECT_EQ(manager()->state(), ExportImportManagerState::idle);
}

TEST_F(CSVExportTest, TheCommandWritesTheListAsItWasAtTheClick) {
    auto list = listOf({link("https://example.org/a", "A", ""), link("https://example.org/b", "B", "")});
    // Closing the configuration window empties its list before the panel
    // returns; the command has taken its entries already.
    script->answerSavePanel([&](platform::SavePanel&) {
        list->removeAll();
        drain();
        return platform::PanelAnswer{platform::modalresponse::ok, {csvURL()}};
    });
    manager()->exportDataAsCSVCommand(list);
    EXPECT_EQ(readText(csvURL().path()),
              "Name,Path,Tags,Hotkey,Comment\n"
              "\"A\",\"https://example.org/a\",\"\",\"\",\"\"\n"
              "\"B\",\"https://example.org/b\",\"\",\"\",\"\"");
    EXPECT_EQ(loggedAfter("Exporting to CSV").size(), 1u);
}

}  // namespace
