#include <gtest/gtest.h>

#include "hotkeys/RecordView.h"
#include "platform/appkit/Layer.h"
#include "settings/RecorderStyle.h"
#include "support/FreltTest.h"

using namespace frelt;
using platform::Color;

namespace {

class RecorderStyleTest : public FreltTest {};

class SilentDelegate : public RecordViewDelegate {
public:
    bool recordViewShouldBeginRecording(RecordView&) override { return true; }
    bool recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr&) override { return true; }
    void recordViewDidChangeKeyCombo(RecordView&, const KeyCombo::Ptr&) override {}
    void recordViewDidEndRecording(RecordView&) override {}
};

TEST_F(RecorderStyleTest, TheDefaultStyleSetsTheDelegateAndTheCommonLook) {
    auto recorder = RecordView::make(platform::Rect(0, 0, 120, 24));
    auto delegate = std::make_shared<SilentDelegate>();
    recorder->setNeedsDisplay(false);
    applyDefaultStyle(*recorder, delegate);
    EXPECT_EQ(recorder->delegate(), delegate);
    EXPECT_EQ(recorder->clearButtonMode(), ClearButtonMode::whenRecorded);
    EXPECT_EQ(recorder->backgroundColor().colorName(), "textBackgroundColor");
    EXPECT_EQ(recorder->tintColor().colorName(), "controlAccentColor");
    // The recorder's layer carries the border and corners.
    EXPECT_EQ(recorder->layer()->cornerRadius(), 4);
    EXPECT_EQ(recorder->layer()->borderWidth(), 1);
    EXPECT_EQ(*recorder->layer()->borderColor(), Color::calibratedWhite(2.0 / 3.0));
    EXPECT_EQ(recorder->layer()->backgroundColor()->colorName(), "textBackgroundColor");
    EXPECT_TRUE(recorder->needsDisplay());
}

}  // namespace
