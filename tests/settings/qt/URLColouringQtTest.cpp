// URLs in colour as a person sees them, on the Qt backend (offscreen): the
// link dialog's URL field typed into with real keys shows the parts of the
// URL in their colours in the line edit that edits it, and the URL
// templates table draws its URLs in colour.

#include <QImage>
#include <QLineEdit>
#include <QWidget>

#include <memory>
#include <string>

#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "platform/qt/QtGraphicsContext.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "settings/panes/ConfigViewControllerURLTemplates.h"
#include "settings/panes/PaneScenes.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

using namespace frelt;

namespace {

class URLColouringQtTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        registerInterfaceResources();
        (void)FreltManager::shared();
    }

    // How the colour of a rule of the parser looks on screen.
    static QColor onScreen(const platform::TextAttributes& rule, const platform::Window& window) {
        return platform::qt::qColor(*rule.foregroundColor, window.effectiveAppearance());
    }
    // The pixels of `image` within `rect` (all of it when empty) that have
    // about `colour`: the cores of glyphs drawn in it.
    static int pixelsOf(const QImage& image, const QColor& colour, QRect rect = {}) {
        if (rect.isEmpty()) rect = image.rect();
        rect = rect.intersected(image.rect());
        int n = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                        std::abs(c.blue() - colour.blue()) <=
                    60)
                    ++n;
            }
        return n;
    }
    static QLineEdit* visibleLineEdit(platform::Window& window) {
        for (auto* line : widgetOf(window)->findChildren<QLineEdit*>())
            if (line->isVisible()) return line;
        return nullptr;
    }

    const URLAttributedStringParser parser;
};

TEST_F(URLColouringQtTest, TheLinkDialogColoursTheURLWhileItIsTyped) {
    DataStorage::shared()->URLHandler()->showAddURLDialog("", nullptr);
    settle();
    std::shared_ptr<ConfigViewControllerAddModifyURL> dialog;
    for (const auto& window : platform::Application::shared()->windows())
        if (auto d = std::dynamic_pointer_cast<ConfigViewControllerAddModifyURL>(window->contentViewController()))
            dialog = d;
    ASSERT_TRUE(dialog);
    const auto window = dialog->view()->window();
    ASSERT_TRUE(window && window->isVisible());
    const auto field = dialog->textFieldSiteURL.lock();

    userinput::click(*field);
    ASSERT_TRUE(runUntil([&] { return field->currentEditor() != nullptr; })) << "a click did not edit the URL";
    const std::string url = "https://example.org/find?q=%%userInput%%";
    userinput::type(*window, QString::fromStdString(url));
    settle();

    const auto editor = field->currentEditor();
    ASSERT_TRUE(editor) << "typing ended the edit";
    EXPECT_EQ(editor->string(), url);
    const auto* styled = std::any_cast<platform::AttributedString>(&editor->attributedString());
    ASSERT_TRUE(styled);
    EXPECT_EQ(*styled, parser.attributedString(url));

    // What the line edit shows: every part in its colour.
    QLineEdit* line = visibleLineEdit(*window);
    ASSERT_TRUE(line) << "no line edit edits the field";
    EXPECT_EQ(line->text().toStdString(), url);
    const QImage shown = line->grab().toImage();
    for (const auto& [part, rule] :
         {std::pair{"scheme", parser.attributedStringKeysScheme}, std::pair{"host", parser.attributedStringKeysDomain},
          std::pair{"query", parser.attributedStringKeysQuery},
          std::pair{"placeholder", parser.attributedStringKeysPlaceholder}}) {
        EXPECT_GE(pixelsOf(shown, onScreen(rule, *window)), 3) << "the " << part << " is not drawn in its colour";
    }

    // Deleting the query takes its colours away as it goes.
    for (int i = 0; i < int(url.size() - url.find('?')); ++i) userinput::key(*window, Qt::Key_Backspace);
    settle();
    EXPECT_EQ(line->text().toStdString(), "https://example.org/find");
    const QImage shorter = line->grab().toImage();
    EXPECT_EQ(pixelsOf(shorter, onScreen(parser.attributedStringKeysPlaceholder, *window)), 0);
    EXPECT_GE(pixelsOf(shorter, onScreen(parser.attributedStringKeysScheme, *window)), 3);

    // The title is plain text: no colours carried over to its editor.
    const auto title = dialog->textFieldSiteTitle.lock();
    userinput::click(*title);
    ASSERT_TRUE(runUntil([&] { return title->currentEditor() != nullptr; }));
    userinput::type(*window, "https://plain.example.org");
    settle();
    QLineEdit* titleLine = visibleLineEdit(*window);
    ASSERT_TRUE(titleLine);
    EXPECT_EQ(pixelsOf(titleLine->grab().toImage(), onScreen(parser.attributedStringKeysScheme, *window)), 0)
        << "the title field shows colours";
}

TEST_F(URLColouringQtTest, TheTemplatesTableDrawsItsURLsInColour) {
    URLManager::shared()->urlTemplates = {std::make_shared<urlTemplateData>("Wiki", "https://wiki.example.org/?s=%%userInput%%")};
    const auto pane = instantiateScene<ConfigViewControllerURLTemplates>("ConfigSettings",
                                                                         ConfigViewControllerURLTemplates::sceneIdentifier);
    ASSERT_TRUE(pane);
    auto window = std::make_shared<platform::Window>(platform::Rect(0, 0, 800, 600), platform::stylemask::titled);
    window->setReleasedWhenClosed(false);
    window->setContentViewController(pane);
    window->makeKeyAndOrderFront(nullptr);
    settle();
    const auto table = pane->tableviewURLTemplates.lock();
    ASSERT_TRUE(table);
    const auto row = std::dynamic_pointer_cast<TableViewCellConfigURLTemplate>(table->viewAtColumn(0, 0, true));
    ASSERT_TRUE(row);
    const auto url = row->textfieldURL.lock(), title = row->textfieldTitle.lock();
    const auto rectOf = [](const platform::View& view) {
        const auto origin = view.convertPointToWindow({0, 0});
        return QRectF(origin.x, origin.y, view.bounds().width(), view.bounds().height()).toAlignedRect();
    };
    const QImage picture = widgetOf(*window)->grab().toImage();
    for (const auto* rule : {&parser.attributedStringKeysScheme, &parser.attributedStringKeysDomain,
                             &parser.attributedStringKeysQuery, &parser.attributedStringKeysPlaceholder})
        EXPECT_GE(pixelsOf(picture, onScreen(*rule, *window), rectOf(*url)), 3);
    EXPECT_EQ(pixelsOf(picture, onScreen(parser.attributedStringKeysScheme, *window), rectOf(*title)), 0);
    window->close();
}

}  // namespace
