#pragma once
// The settings window, its panes, the configuration window and the dialogs
// shown by the Qt backend (offscreen) for the tests that work them with real
// input: the program's scenes and images, a recording workspace, a headless
// hotkey service and the settings loaded as a launch loads them.

#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "store/Configuration.h"
#include "support/qt/QtTestSupport.h"
#include "support/qt/QtUserInput.h"

class SettingsInputTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        frelt::registerInterfaceResources();
        (void)frelt::FreltManager::shared();
    }

    static frelt::Configuration& config() { return *frelt::AppDelegate::shared()->config; }

    static std::shared_ptr<platform::Window> show(frelt::FreltWindowEnum kind) {
        auto window = frelt::FreltWindow::showWindow(false, kind);
        settle();
        return window;
    }

    // Points of a control's parts, in its window's content coordinates.
    static platform::Point segmentPoint(const platform::SegmentedControl& control, long segment) {
        const platform::Rect b = control.bounds();
        double x = b.minX(), fixed = 0;
        long flexible = 0;
        for (long i = 0; i < control.segmentCount(); ++i) {
            if (control.widthForSegment(i) > 0) fixed += control.widthForSegment(i);
            else ++flexible;
        }
        const double share = flexible ? (b.width() - fixed) / double(flexible) : 0;
        auto width = [&](long i) { return control.widthForSegment(i) > 0 ? control.widthForSegment(i) : share; };
        for (long i = 0; i < segment; ++i) x += width(i);
        return control.convertPointToWindow(platform::Point{x + width(segment) / 2, b.midY()});
    }
    static platform::Point rowPoint(const platform::TableView& table, long row, double x = -1) {
        const platform::Rect r = table.rectOfRow(row);
        return table.convertPointToWindow(platform::Point{x < 0 ? r.midX() : r.minX() + x, r.midY()});
    }

    // A click on a segment.
    static void clickSegment(const std::shared_ptr<platform::SegmentedControl>& control, long segment) {
        ASSERT_TRUE(control && control->window());
        userinput::click(*control->window(), segmentPoint(*control, segment));
        settle();
    }
    // A click on the pop-up button, then on its item (by title or place).
    static void choose(const std::shared_ptr<platform::PopUpButton>& popUp, const QString& title) {
        ASSERT_TRUE(popUp && popUp->window());
        const auto answer = userinput::chooseInMenu(title);
        userinput::click(*popUp);
        settle();
        EXPECT_TRUE(answer->done()) << "no menu showed for the pop-up button";
    }
    static void chooseAt(const std::shared_ptr<platform::PopUpButton>& popUp, int index) {
        ASSERT_TRUE(popUp && popUp->window());
        const auto answer = userinput::chooseInMenuAt(index);
        userinput::click(*popUp);
        settle();
        EXPECT_TRUE(answer->done()) << "no menu showed for the pop-up button";
    }
    static void clickOn(const std::shared_ptr<platform::View>& view) {
        ASSERT_TRUE(view && view->window()) << "the control is not in a window";
        userinput::click(*view);
        settle();
    }
    static std::shared_ptr<platform::TextView> editorOf(const std::shared_ptr<platform::TextField>& field) {
        return field ? field->currentEditor() : nullptr;
    }
    static bool isOn(const std::weak_ptr<platform::Button>& outlet) {
        const auto button = outlet.lock();
        return button && button->state() == platform::ControlStateValue::on;
    }
    static frelt::KeyCombo::Ptr combo(frelt::Key key, frelt::ModifierFlags flags) {
        return frelt::KeyCombo::make(key, flags);
    }
    static bool same(const frelt::KeyCombo::Ptr& a, const frelt::KeyCombo::Ptr& b) {
        return a && b ? *a == *b : a == b;
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
};
