// Keys typed into the desktop's text editors that stand in for the kit's
// text views: every key reaches the kit once, and one that nobody takes goes
// up the responder chain to the window and ends there.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <string>
#include <vector>

#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Window.h"

using namespace platform;

namespace {

// Counts the keys that reach the end of the responder chain.
class CountingWindow : public Window {
public:
    using Window::Window;
    void keyDown(const Event& event) override {
        ++keysReachingWindow;
        Window::keyDown(event);
    }
    int keysReachingWindow = 0;
};

struct Chord {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    // Nobody in a text editor takes it: it must end at the window.
    bool endsAtWindow;
};

std::string describe(const Chord& c) {
    std::string s;
    if (c.modifiers & Qt::ControlModifier) s += "Ctrl+";
    if (c.modifiers & Qt::AltModifier) s += "Alt+";
    if (c.modifiers & Qt::MetaModifier) s += "Super+";
    if (c.modifiers & Qt::ShiftModifier) s += "Shift+";
    return s + QKeySequence(c.key).toString().toStdString();
}

// Every combination of the four modifiers with a letter, a digit, F-keys,
// Escape, Tab and Return; and Pause.
std::vector<Chord> chords() {
    const Qt::KeyboardModifier each[] = {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier};
    std::vector<Chord> all;
    for (int bits = 0; bits < 16; ++bits) {
        Qt::KeyboardModifiers m;
        for (int i = 0; i < 4; ++i)
            if (bits & (1 << i)) m |= each[i];
        const bool ctrl = m & Qt::ControlModifier;
        const bool moreThanCtrl = m & (Qt::ShiftModifier | Qt::AltModifier);
        for (Qt::Key k : {Qt::Key_X, Qt::Key_5, Qt::Key_F1, Qt::Key_F5, Qt::Key_F12, Qt::Key_Escape, Qt::Key_Tab,
                          Qt::Key_Return}) {
            const bool functionKey = k >= Qt::Key_F1 && k <= Qt::Key_F12;
            // Ctrl+Alt+X, Ctrl+Shift+X: no editor has a command for them.
            const bool strayShortcut = k == Qt::Key_X && ctrl && moreThanCtrl;
            all.push_back({k, m, functionKey || strayShortcut});
        }
    }
    all.push_back({Qt::Key_Pause, Qt::NoModifier, true});
    return all;
}

class KeyDispatchTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        // Not closable: Escape would close it.
        window = std::make_shared<CountingWindow>(Rect(40, 40, 420, 260), stylemask::titled);
        window->makeKeyAndOrderFront();
        Application::shared()->activate();
        monitor = Application::shared()->addLocalMonitorForEventsMatchingMask(
            eventmask::keyDown, [this](const EventPtr& e) -> EventPtr {
                // The same key again means it went round; swallowing it
                // here ends the loop so that the test can tell.
                return ++keysSeen > 1 ? nullptr : e;
            });
    }
    void TearDown() override {
        monitor.reset();
        QtKitTest::TearDown();
    }

    bool editorHasFocus() const {
        QWidget* focus = widgetOf(*window)->focusWidget();
        return focus && focus->isVisible() && (qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus));
    }

    // Sends every chord into `view`'s editor, focused by a click before
    // each, and checks where each went.
    void sendChordsTo(const std::shared_ptr<View>& view, const std::string& kind) {
        for (const Chord& chord : chords()) {
            userinput::click(*view);
            settle();
            ASSERT_TRUE(editorHasFocus()) << kind << ": the click did not start editing";
            keysSeen = 0;
            window->keysReachingWindow = 0;
            userinput::key(*window, chord.key, chord.modifiers);
            EXPECT_EQ(keysSeen, 1) << kind << ", " << describe(chord) << ": the key came round again";
            if (chord.endsAtWindow)
                EXPECT_EQ(window->keysReachingWindow, 1) << kind << ", " << describe(chord);
            else
                EXPECT_LE(window->keysReachingWindow, 1) << kind << ", " << describe(chord);
        }
    }

    std::shared_ptr<CountingWindow> window;
    std::optional<Subscription> monitor;
    int keysSeen = 0;
};

}  // namespace

TEST_F(KeyDispatchTest, EveryChordInEveryKindOfTextEditorReachesTheKitOnceAndUnclaimedOnesEndAtTheWindow) {
    auto single = TextField::textField("single");
    single->setFrame(Rect(20, 20, 200, 24));
    auto search = std::make_shared<SearchField>(Rect(20, 56, 200, 24));
    auto tokens = std::make_shared<TokenField>(Rect(20, 92, 200, 24));
    auto scroll = std::make_shared<ScrollView>(Rect(20, 128, 300, 100));
    auto multi = std::make_shared<TextView>(Rect(0, 0, 300, 100));
    multi->setString("multi\nline");
    scroll->setDocumentView(multi);
    for (const std::shared_ptr<View>& v : std::vector<std::shared_ptr<View>>{single, search, tokens, scroll})
        window->contentView()->addSubview(v);
    settle();

    const std::pair<std::shared_ptr<View>, std::string> editors[] = {
        {single, "text field"}, {search, "search field"}, {tokens, "token field"}, {multi, "text view"}};
    for (const auto& [view, kind] : editors) sendChordsTo(view, kind);
}
