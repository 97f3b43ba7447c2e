// A dragged entry travels under the program's own type only.

#include "sources/MainTableViewItemPathPasteboardWriter.h"

#include <gtest/gtest.h>

#include "support/FreltTest.h"

using namespace frelt;

namespace {

using PasteboardWriterTest = FreltTest;

TEST_F(PasteboardWriterTest, EntryPathsTravelUnderTheProgramsOwnTypeOnly) {
    EXPECT_EQ(mainTableViewItemPathPasteboardType(), "org.frelt.Frelt.mainTableViewItemPath");
    for (const std::string path : {"/home/u/My File.txt", "https://example.org/?q=a b"}) {
        const auto pasteboard = platform::Pasteboard::withUniqueName();
        pasteboard->clearContents();
        ASSERT_TRUE(pasteboard->writeObjects({std::make_shared<MainTableViewItemPathPasteboardWriter>(path)}));
        EXPECT_EQ(pasteboard->types(), std::vector<std::string>{mainTableViewItemPathPasteboardType()}) << path;
        EXPECT_EQ(pasteboard->stringForType(mainTableViewItemPathPasteboardType()), path);
        // Nothing another program could take as a file or a link.
        EXPECT_FALSE(pasteboard->availableTypeFromArray(
            {platform::pasteboardtype::fileURL, platform::pasteboardtype::URL, platform::pasteboardtype::string}));
        // To the desktop it is one MIME type of our own.
        const auto mime = platform::mimeDataFromPasteboardItems(pasteboard->items());
        ASSERT_EQ(mime.size(), 1u);
        EXPECT_EQ(mime[0].mimeType, "application/x-org.frelt.Frelt.mainTableViewItemPath");
    }
}

}  // namespace
