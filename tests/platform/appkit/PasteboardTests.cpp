#include <gtest/gtest.h>

#include "platform/appkit/Pasteboard.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

const std::string kEntryPathType = "org.frelt.Frelt.mainTableViewItemPath";

class PasteboardTest : public FreltTest {};

std::string text(const Data& d) { return std::string(d.begin(), d.end()); }

std::optional<std::string> mimeText(const std::vector<MimeEntry>& entries, const std::string& type) {
    for (const auto& e : entries)
        if (e.mimeType == type) return text(e.bytes);
    return std::nullopt;
}

// Through the desktop's MIME types and back, as a drag leaving the program
// and coming back in would go.
std::shared_ptr<Pasteboard> roundTrip(const Pasteboard& pasteboard) {
    auto back = Pasteboard::withUniqueName();
    for (const auto& item : pasteboardItemsFromMimeData(mimeDataFromPasteboardItems(pasteboard.items())))
        back->addItem(item);
    return back;
}

// The paths of the file URL items, read as drop targets read them.
std::vector<std::string> filePaths(const Pasteboard& pasteboard) {
    std::vector<std::string> paths;
    for (const auto& item : pasteboard.items()) {
        auto s = item->stringForType(pasteboardtype::fileURL);
        if (!s) continue;
        auto url = URL::fromString(*s);
        paths.push_back(url ? url->path() : "<no URL: " + *s + ">");
    }
    return paths;
}

TEST_F(PasteboardTest, FilesSurviveTheDesktopsUriListWithSpacesAndNonAscii) {
    const std::vector<std::string> paths = {"/tmp/plain.txt", "/home/u/My Documents/Résumé ✓.pdf",
                                            "/tmp/100% sure #1?.txt"};
    auto pasteboard = Pasteboard::withUniqueName();
    for (const auto& p : paths) pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL(p))});

    const auto mime = mimeDataFromPasteboardItems(pasteboard->items());
    const auto uriList = mimeText(mime, mimetype::uriList);
    ASSERT_TRUE(uriList);
    EXPECT_EQ(*uriList, URL::fileURL(paths[0]).absoluteString() + "\r\n" + URL::fileURL(paths[1]).absoluteString() +
                            "\r\n" + URL::fileURL(paths[2]).absoluteString() + "\r\n");
    EXPECT_NE(uriList->find("My%20Documents/R%C3%A9sum%C3%A9"), std::string::npos) << *uriList;
    EXPECT_FALSE(mimeText(mime, mimetype::plainText)) << "files carry no text of their own";

    auto back = roundTrip(*pasteboard);
    EXPECT_EQ(filePaths(*back), paths);
    EXPECT_EQ(back->types(), (std::vector<std::string>{pasteboardtype::fileURL, pasteboardtype::filenames}));
    EXPECT_EQ(back->propertyListForType(pasteboardtype::filenames), Value(paths));
    EXPECT_FALSE(back->stringForType(pasteboardtype::URL)) << "files are not links";
}

TEST_F(PasteboardTest, LinksAndTextSurviveTheRoundTrip) {
    auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->writeObjects({pasteboardWriterForURL(*URL::fromString("https://example.org/search?q=caf%C3%A9")),
                              pasteboardWriterForURL(*URL::fromString("mailto:someone@example.org"))});
    const auto mime = mimeDataFromPasteboardItems(pasteboard->items());
    EXPECT_EQ(mimeText(mime, mimetype::plainText), "https://example.org/search?q=caf%C3%A9\nmailto:someone@example.org");
    auto back = roundTrip(*pasteboard);
    ASSERT_EQ(back->items().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(back->items()[i]->types(), pasteboard->items()[i]->types());
        EXPECT_EQ(back->items()[i]->stringForType(pasteboardtype::URL),
                  pasteboard->items()[i]->stringForType(pasteboardtype::URL));
    }

    auto words = Pasteboard::withUniqueName();
    words->writeObjects({pasteboardWriterForString("grüße, world")});
    auto wordsBack = roundTrip(*words);
    EXPECT_EQ(wordsBack->stringForType(pasteboardtype::string), "grüße, world");
    EXPECT_EQ(wordsBack->items().size(), 1u);
}

TEST_F(PasteboardTest, TheEntryPathTypeTravelsAsItsOwnMimeType) {
    const std::string path = "/home/u/.local/share/applications/My Editor — Ünïcode.desktop";
    auto item = std::make_shared<PasteboardItem>();
    item->setString(path, kEntryPathType);
    auto pasteboard = Pasteboard::withUniqueName();
    pasteboard->writeObjects({item});

    EXPECT_EQ(mimeTypeForPasteboardType(kEntryPathType), "application/x-org.frelt.Frelt.mainTableViewItemPath");
    EXPECT_EQ(mimeTypeForPasteboardType(pasteboardtype::fileURL), "");
    const auto mime = mimeDataFromPasteboardItems(pasteboard->items());
    ASSERT_EQ(mime.size(), 1u);
    EXPECT_EQ(mime[0].mimeType, "application/x-org.frelt.Frelt.mainTableViewItemPath");
    EXPECT_EQ(text(mime[0].bytes), path);

    auto back = roundTrip(*pasteboard);
    EXPECT_EQ(back->stringForType(kEntryPathType), path);
    EXPECT_EQ(back->types(), (std::vector<std::string>{kEntryPathType}));
    EXPECT_FALSE(back->stringForType(pasteboardtype::fileURL));

    // Next to files, each item keeps its own path.
    auto mixed = Pasteboard::withUniqueName();
    for (const char* p : {"/a b", "/c"}) {
        auto i = std::make_shared<PasteboardItem>();
        i->setString(URL::fileURL(p).absoluteString(), pasteboardtype::fileURL);
        i->setString(std::string("entry ") + p, kEntryPathType);
        mixed->addItem(i);
    }
    auto mixedBack = roundTrip(*mixed);
    ASSERT_EQ(mixedBack->items().size(), 2u);
    EXPECT_EQ(mixedBack->items()[1]->stringForType(kEntryPathType), "entry /c");
    EXPECT_EQ(filePaths(*mixedBack), (std::vector<std::string>{"/a b", "/c"}));
}

TEST_F(PasteboardTest, WhatOtherProgramsSendIsReadLeniently) {
    const std::string uriList =
        "# dragged from a file manager\r\n"
        "file://localhost/tmp/a%20b.txt\r\n"
        "file:///tmp/raw space ü.txt\n"
        "\r\n"
        "https://example.org/\r\n"
        "not a url\r\n";
    auto items = pasteboardItemsFromMimeData({{"text/uri-list", Data(uriList.begin(), uriList.end())},
                                              {"text/plain", Data{'i', 'g', 'n', 'o', 'r', 'e', 'd'}},
                                              {"application/x-qt-image", Data{1, 2, 3}}});
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->stringForType(pasteboardtype::fileURL), "file:///tmp/a%20b.txt");
    EXPECT_EQ(URL::fromString(*items[1]->stringForType(pasteboardtype::fileURL))->path(), "/tmp/raw space ü.txt");
    EXPECT_EQ(items[2]->stringForType(pasteboardtype::URL), "https://example.org/");
    for (const auto& item : items) EXPECT_FALSE(item->hasType("qt-image"));

    auto plain = pasteboardItemsFromMimeData({{"text/plain;charset=utf-8", Data{'h', 'i'}}});
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0]->stringForType(pasteboardtype::string), "hi");
    EXPECT_TRUE(pasteboardItemsFromMimeData({}).empty());
}

TEST_F(PasteboardTest, APasteboardAnswersByTypeFromItsItems) {
    auto pasteboard = Pasteboard::withName("test");
    EXPECT_EQ(Pasteboard::withName("test"), pasteboard);
    EXPECT_FALSE(pasteboard->pasteboardItems()) << "no items: none, not an empty list";
    const long count = pasteboard->changeCount();
    EXPECT_EQ(pasteboard->clearContents(), count + 1);

    pasteboard->writeObjects({pasteboardWriterForString("first"), pasteboardWriterForURL(URL::fileURL("/x"))});
    EXPECT_EQ(pasteboard->pasteboardItems()->size(), 2u);
    EXPECT_EQ(pasteboard->availableTypeFromArray({pasteboardtype::URL, pasteboardtype::fileURL}), pasteboardtype::fileURL);
    EXPECT_EQ(pasteboard->stringForType(pasteboardtype::string), "first");
    EXPECT_EQ(pasteboard->dataForType(pasteboardtype::string), (Data{'f', 'i', 'r', 's', 't'}));
    EXPECT_FALSE(pasteboard->availableTypeFromArray({kEntryPathType}));

    // A list of paths under the old file names type adds file URL items.
    pasteboard->clearContents();
    EXPECT_TRUE(pasteboard->setPropertyList(Value(std::vector<std::string>{"/one", "/two 2"}), pasteboardtype::filenames));
    EXPECT_EQ(filePaths(*pasteboard), (std::vector<std::string>{"/one", "/two 2"}));
    EXPECT_FALSE(pasteboard->setPropertyList(Value("not a list"), pasteboardtype::filenames));
    EXPECT_FALSE(urlFromPasteboardPropertyList(Value("https://example.org/"), pasteboardtype::fileURL));
    EXPECT_TRUE(urlFromPasteboardPropertyList(Value("https://example.org/"), pasteboardtype::URL));
}

}  // namespace
