// The export file's layout: the root record's nineteen keys and their
// fallbacks, files built by hand and by another program's property-list
// writer, and our own files as a standard reader sees them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "ExchangeTestSupport.h"
#include "platform/foundation/Process.h"
#include "platform/foundation/PropertyList.h"

using namespace frelt;
namespace fs = std::filesystem;
using platform::UID;
using platform::Value;
using platform::ValueDictionary;

namespace {

constexpr std::int64_t kCommand = 1 << 20;
constexpr std::int64_t kOption = 1 << 19;

ExportImportData::Ptr decodeRecord(const platform::Data& bytes) {
    auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(bytes, exportclasses::record());
    EXPECT_TRUE(result) << result.error;
    return result.object.as<ExportImportData>();
}

class ExportImportDataTest : public ExchangeTest {
protected:
    // The data of the file under `url` the import takes in, with the alert it
    // may show answered.
    bool importFile(const fs::path& path) {
        return manager()->importData->importFromURL(platform::URL::fileURL(path.string()));
    }
};

TEST_F(ExportImportDataTest, ARecordReadsBackItsNineteenValuesAndAnAbsentArchiveStaysAbsent) {
    auto record = ExportImportData::make();
    record->allDataArchive = platform::Data{1, 2, 3};
    record->urlTemplateArchive = platform::Data{4};
    record->windowViewStyle = 1;
    record->clickType = 1;
    record->mainPopoverAnimated = true;
    record->alternateFolderBrowser = "/usr/bin/files";
    record->customSpotlightSearchScope = {"/opt/a", "/opt/b"};
    record->searchForComments = false;
    record->searchForTags = false;
    record->selectingTagsInMainWindowLaunchAll = true;
    record->entryBackgroundAlphaValue = 0.75f;
    record->useSmallModeInMainView = true;
    record->showPathInMainView = false;
    record->hotkeyBorder = true;
    record->translucentBackgroundRight = true;
    record->mainWindowWidth = MainWindowWidth::with650;
    record->mainWindowHeight = MainWindowHeight::height85;

    const auto back = decodeRecord(*exportArchive(platform::ArchiveObject(record)));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->allDataArchive, (platform::Data{1, 2, 3}));
    EXPECT_FALSE(back->allTagsArchive);
    EXPECT_EQ(back->urlTemplateArchive, platform::Data{4});
    EXPECT_FALSE(back->globalKeyCombo);
    EXPECT_EQ(back->windowViewStyle, 1);
    EXPECT_EQ(back->clickType, 1);
    EXPECT_TRUE(back->mainPopoverAnimated);
    EXPECT_EQ(back->alternateFolderBrowser, "/usr/bin/files");
    EXPECT_EQ(back->customSpotlightSearchScope, (Strings{"/opt/a", "/opt/b"}));
    EXPECT_FALSE(back->searchForComments);
    EXPECT_FALSE(back->searchForTags);
    EXPECT_TRUE(back->selectingTagsInMainWindowLaunchAll);
    EXPECT_FLOAT_EQ(back->entryBackgroundAlphaValue, 0.75f);
    EXPECT_TRUE(back->useSmallModeInMainView);
    EXPECT_FALSE(back->showPathInMainView);
    EXPECT_TRUE(back->hotkeyBorder);
    EXPECT_TRUE(back->translucentBackgroundRight);
    EXPECT_EQ(back->mainWindowWidth, MainWindowWidth::with650);
    EXPECT_EQ(back->mainWindowHeight, MainWindowHeight::height85);
}

TEST_F(ExportImportDataTest, OurOwnClassNamesReadAsWellAsTheRuntimeOnes) {
    auto record = ExportImportData::make();
    const platform::ArchiveArray entries{
        platform::ArchiveObject(TableViewItem::initForURL("https://example.org", "Ex", ""))};
    record->allDataArchive = platform::KeyedArchiver::archivedData(platform::ArchiveObject(entries));
    const auto bytes = *platform::KeyedArchiver::archivedData(platform::ArchiveObject(record));
    const auto top = platform::PropertyList::read(bytes);
    ASSERT_TRUE(top);
    EXPECT_NE(top.value->description().find("frelt.ExportImportData"), std::string::npos);

    const auto read = readExportFile(bytes);
    ASSERT_TRUE(read.content) << read.error;
    ASSERT_EQ(read.content->entries.size(), 1u);
    EXPECT_EQ(read.content->entries.front()->name(), "Ex");
}

TEST_F(ExportImportDataTest, MissingKeysAndValuesOfAnotherKindReadAsTheirFallbacks) {
    // Nothing but a few keys of the wrong kind: every field still gets its
    // key's fallback, not the value of a fresh record.
    const auto record =
        decodeRecord(recordWith({{"allDataArchive", 42}, {"windowViewStyle", true}, {"searchForComments", 1.5}},
                                [](ArchiveBuilder& a, ValueDictionary& f) {
                                    f["clickType"] = a.add("1");
                                    f["tagArchive"] = a.add("not data");
                                    f["mainWindowWidth"] = a.add("999px");
                                    f["mainWindowHeight"] = a.add("70");
                                    f["customSpotlightSearchScope"] = a.array({a.add(3)});
                                    f["alternateFolderBrowser"] = a.array({});
                                }));
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->allDataArchive);
    EXPECT_FALSE(record->allTagsArchive);
    EXPECT_FALSE(record->urlTemplateArchive);
    EXPECT_FALSE(record->globalKeyCombo);
    EXPECT_EQ(record->clickType, 0);
    EXPECT_FALSE(record->mainPopoverAnimated);
    EXPECT_EQ(record->alternateFolderBrowser, "");
    EXPECT_TRUE(record->customSpotlightSearchScope.empty());
    EXPECT_FALSE(record->searchForTags);
    EXPECT_FALSE(record->selectingTagsInMainWindowLaunchAll);
    EXPECT_EQ(record->entryBackgroundAlphaValue, 0.0f);
    EXPECT_FALSE(record->showPathInMainView);
    EXPECT_EQ(record->mainWindowWidth, MainWindowWidth::with700);
    EXPECT_EQ(record->mainWindowHeight, MainWindowHeight::height70);
}

TEST_F(ExportImportDataTest, OurFileHasTheDocumentedLayout) {
    fillStore();
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), false));
    const auto top = platform::PropertyList::readFile(exportURL().path());
    ASSERT_TRUE(top) << top.error;
    EXPECT_EQ(top.format, platform::PropertyListFormat::Binary);
    const Value& archive = *top.value;
    EXPECT_EQ(archive["$archiver"], Value("NSKeyedArchiver"));
    EXPECT_EQ(archive["$version"], Value(100000));
    const auto& objects = *archive["$objects"].asArray();
    auto object = [&](const Value& reference) -> const Value& { return objects.at(reference.asUID()->value); };
    const Value& root = object(archive["$top"]["root"]);
    EXPECT_EQ(object(root["$class"])["$classname"], Value("_TtC5frelt16ExportImportData"));

    // Each key with the kind of value the layout gives it.
    for (const char* key : {"allDataArchive", "tagArchive", "urlTemplateArchive", "globalKeyCombo"})
        EXPECT_TRUE(object(root[key]).isData()) << key;
    for (const char* key : {"windowViewStyle", "clickType"}) EXPECT_TRUE(root[key].isInteger()) << key;
    for (const char* key :
         {"mainPopoverAnimated", "searchForComments", "searchForTags", "selectingTagsInMainWindowLaunchAll",
          "useSmallModeInMainView", "showPathInMainView", "hotkeyBorder", "translucentBackgroundRight"})
        EXPECT_TRUE(root[key].isBool()) << key;
    EXPECT_TRUE(root["entryBackgroundAlphaValue"].isReal());
    EXPECT_EQ(object(root["alternateFolderBrowser"]), Value("/usr/bin/files"));
    EXPECT_EQ(object(root["mainWindowWidth"]), Value("550px"));
    EXPECT_EQ(object(root["mainWindowHeight"]), Value("90%"));
    EXPECT_EQ(object(object(root["customSpotlightSearchScope"])["$class"])["$classname"], Value("NSArray"));
    EXPECT_EQ(root.asDictionary()->size(), 20u);  // the nineteen keys and "$class"

    // The nested archives name their classes the same way.
    const auto nestedClass = [&](const char* key) {
        const auto nested = platform::PropertyList::read(*object(root[key]).asData());
        const auto& inner = *(*nested.value)["$objects"].asArray();
        std::set<std::string> names;
        for (const auto& o : inner)
            if (const auto* n = o["$classname"].asString()) names.insert(*n);
        return names;
    };
    EXPECT_TRUE(nestedClass("allDataArchive").count("_TtC5frelt13TableViewItem"));
    EXPECT_TRUE(nestedClass("tagArchive").count("_TtC5frelt7iconTag"));
    EXPECT_TRUE(nestedClass("urlTemplateArchive").count("_TtC5frelt15urlTemplateData"));
    EXPECT_TRUE(nestedClass("globalKeyCombo").count("_TtC5frelt8KeyCombo"));

    // An absent archive is a null reference.
    urlManager()->urlTemplates.clear();
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), false));
    const auto again = platform::PropertyList::readFile(exportURL().path());
    const Value& root2 = (*(*again.value)["$objects"].asArray()).at((*again.value)["$top"]["root"].asUID()->value);
    EXPECT_EQ(root2["urlTemplateArchive"], Value(UID{0}));
}

TEST_F(ExportImportDataTest, AFileBuiltByHandFromTheLayoutImports) {
    // The entries: one link with tags, a colour-less hotkey and the stored
    // booleans as number objects, as the entry class writes them.
    ArchiveBuilder entries;
    const auto link = entries.instance("_TtC5frelt13TableViewItem",
                                       {{"name", entries.add("Handmade")},
                                        {"path", entries.add("https://example.org/hand")},
                                        {"tags", entries.array({entries.add("made"), entries.add("made|by hand")})},
                                        {"comment", entries.add("c")},
                                        {"itemTypeRawValue", entries.add("url")},
                                        {"itemSourceRawValue", entries.add("other")},
                                        {"color", UID{0}},
                                        {"hotkey", entries.keyCombo("h", kCommand | kOption)},
                                        {"isVisible", entries.add(true)},
                                        {"favorite", entries.add(true)}});
    const auto entryData = entries.data(entries.array({link}));
    ArchiveBuilder tags;
    const auto tagData =
        tags.data(tags.array({tags.instance("_TtC5frelt7iconTag", {{"tagName", tags.add("made")},
                                                                   {"tagSymbol", tags.add("icon_tags")},
                                                                   {"hotkey", tags.keyCombo("m", kCommand)}})}));
    ArchiveBuilder hotkey;
    const auto hotkeyData = hotkey.data(hotkey.keyCombo("space", kOption));

    const auto path = root() / "hand.frelt_ExportData";
    writeBytes(path, recordWith({{"windowViewStyle", 1},
                                 {"clickType", 0},
                                 {"mainPopoverAnimated", false},
                                 {"searchForComments", true},
                                 {"searchForTags", false},
                                 {"selectingTagsInMainWindowLaunchAll", false},
                                 {"entryBackgroundAlphaValue", 0.5},
                                 {"useSmallModeInMainView", false},
                                 {"showPathInMainView", true},
                                 {"hotkeyBorder", false},
                                 {"translucentBackgroundRight", false},
                                 {"urlTemplateArchive", UID{0}}},
                                [&](ArchiveBuilder& a, ValueDictionary& f) {
                                    f["allDataArchive"] = a.add(entryData);
                                    f["tagArchive"] = a.add(tagData);
                                    f["globalKeyCombo"] = a.add(hotkeyData);
                                    f["alternateFolderBrowser"] = a.add("");
                                    f["customSpotlightSearchScope"] = a.array({a.add("/opt/hand")});
                                    f["mainWindowWidth"] = a.add("600px");
                                    f["mainWindowHeight"] = a.add("55%");
                                }));

    ASSERT_TRUE(importFile(path));
    drain();
    EXPECT_EQ(keptEntries(),
              (Strings{"Handmade | https://example.org/hand | made;made|by hand; | c | url | other | - | "
                       "h+" +
                       std::to_string(kCommand | kOption) + " | visible=1 | favorite=1"}));
    // The rebuild registers the tags the entries use beyond those in the file.
    EXPECT_EQ(registeredTags(), (Strings{"made | icon_tags | - | m+" + std::to_string(kCommand) + " | -",
                                         "made|by hand | icon_tags | - | - | -"}));
    EXPECT_TRUE(templates().empty());
    EXPECT_EQ(describe(config()->globalKeyCombo), "space+" + std::to_string(kOption));
    EXPECT_EQ(config()->windowViewStyle, 1);
    EXPECT_EQ(config()->customSpotlightSearchScope, Strings{"/opt/hand"});
    EXPECT_FLOAT_EQ(config()->entryBackgroundAlphaValue, 0.5f);
    EXPECT_FALSE(config()->searchForTags);
}

TEST_F(ExportImportDataTest, AFileWrittenByPythonsPlistlibImports) {
    // Made by data/make_plistlib_export.py.
    ASSERT_TRUE(importFile(fs::path(FRELT_SOURCE_DIR) / "tests/exchange/data/plistlib.frelt_ExportData"));
    drain();
    EXPECT_EQ(keptEntries(),
              (Strings{"Python docs | https://docs.python.org/3/ | web;web|docs; | made by plistlib | url | other | "
                       "1.000000 0.000000 0.000000 1.000000  | p+" +
                           std::to_string(kCommand | kOption) + " | visible=1 | favorite=1",
                       "Music | /srv/music |  |  | folder | other | - | - | visible=1 | favorite=0"}));
    EXPECT_EQ(registeredTags(), (Strings{"web | icon_tags | - | w+" + std::to_string(kCommand) + " | w+" +
                                             std::to_string(kCommand | (1 << 17)),
                                         "web|docs | icon_tags | - | - | -"}));
    EXPECT_EQ(templates(), Strings{"Search = https://example.org/?q=%%userInput:Term%%"});
    ASSERT_TRUE(config()->globalKeyCombo);
    EXPECT_TRUE(config()->globalKeyCombo->doubledModifiers());
    const auto c = config();
    EXPECT_EQ(c->windowViewStyle, 1);
    EXPECT_EQ(c->clickType, 1);
    EXPECT_TRUE(c->mainPopoverAnimated);
    EXPECT_EQ(c->alternateFolderBrowser, "/usr/bin/thunar");
    EXPECT_EQ(c->customSpotlightSearchScope, Strings{"/opt/apps"});
    EXPECT_FALSE(c->searchForComments);
    EXPECT_TRUE(c->searchForTags);
    EXPECT_TRUE(c->selectingTagsInMainWindowLaunchAll);
    EXPECT_FLOAT_EQ(c->entryBackgroundAlphaValue, 0.4f);
    EXPECT_TRUE(c->useSmallModeInMainView);
    EXPECT_FALSE(c->showPathInMainView);
    // Read from the file, but this installation's own.
    EXPECT_EQ(manager()->importData->exportImportData->mainWindowWidth, MainWindowWidth::with600);
    EXPECT_EQ(c->mainWindowWidth, MainWindowWidth::with700);
}

TEST_F(ExportImportDataTest, PythonsPlistlibReadsOurFile) {
    const std::string python = "/usr/bin/python3";
    if (access(python.c_str(), X_OK) != 0) GTEST_SKIP() << "needs python3 (scripts/install-deps installs it)";
    fillStore();
    ASSERT_TRUE(manager()->exportData->exportAll(exportURL(), false));
    // Walks the archive with nothing but the standard library: the root's
    // class and keys, and the classes of the entries archive's list.
    const std::string script = R"(
import plistlib, sys
def walk(data):
    a = plistlib.loads(data)
    objs = a['$objects']
    return objs, objs[a['$top']['root'].data]
objs, root = walk(open(sys.argv[1], 'rb').read())
print(objs[root['$class'].data]['$classname'])
print(','.join(k for k in sorted(root) if k != '$class'))
eobjs, elist = walk(objs[root['allDataArchive'].data])
print(','.join(eobjs[eobjs[r.data]['$class'].data]['$classname'] for r in elist['NS.objects']))
print(objs[root['mainWindowWidth'].data], root['entryBackgroundAlphaValue'], root['searchForComments'])
)";
    const auto result = platform::Process::run(python, {"-c", script, exportURL().path()});
    ASSERT_TRUE(result);
    const std::string out(result->standardOutput.begin(), result->standardOutput.end());
    const std::string entryClass = "_TtC5frelt13TableViewItem";
    std::string entries;
    for (int i = 0; i < 7; ++i) entries += (i ? "," : "") + entryClass;
    EXPECT_EQ(out,
              "_TtC5frelt16ExportImportData\n"
              "allDataArchive,alternateFolderBrowser,clickType,customSpotlightSearchScope,"
              "entryBackgroundAlphaValue,globalKeyCombo,hotkeyBorder,mainPopoverAnimated,mainWindowHeight,"
              "mainWindowWidth,searchForComments,searchForTags,selectingTagsInMainWindowLaunchAll,"
              "showPathInMainView,tagArchive,translucentBackgroundRight,urlTemplateArchive,"
              "useSmallModeInMainView,windowViewStyle\n" +
                  entries + "\n550px 0.6499999761581421 False\n")
        << std::string(result->standardError.begin(), result->standardError.end());
}

}  // namespace
