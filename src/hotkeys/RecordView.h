#pragma once
// The control in which the user records a hotkey: a flat field showing the
// current combination in the desktop's words ("Ctrl+Alt+Space"), with a
// small clear button at its right end.
//
// Clicking it begins recording (it becomes its window's first responder;
// recording lasts exactly as long as that). The next key pressed with at
// least one modifier, or a function key F1 to F20 alone, or a double tap of
// a single modifier, becomes the new combination unless the delegate
// refuses it; recording then ends. Escape ends recording without a change;
// the clear button removes the combination. The recorder registers nothing:
// it hands each new combination to its delegate and its change callback.
//
// Delegate calls while recording, in this order:
//   recordViewShouldBeginRecording (false refuses, with a beep)
//   recordViewCanRecordKeyCombo    (false discards the combination; recording goes on)
//   recordViewDidChangeKeyCombo    (the new combination, or none when cleared)
//   recordViewDidEndRecording      (whenever recording ends)
//
// Keys are read through the current keyboard layout, so on a German layout
// the key printed "Z" records z.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drawing/ClearButton.h"
#include "hotkeys/KeyCombo.h"
#include "hotkeys/ModifierEventHandler.h"
#include "platform/appkit/View.h"
#include "platform/graphics/Color.h"

namespace frelt {

class RecordView;

class RecordViewDelegate {
public:
    virtual ~RecordViewDelegate() = default;
    virtual bool recordViewShouldBeginRecording(RecordView& recordView) = 0;
    virtual bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) = 0;
    // Null when the combination was cleared.
    virtual void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) = 0;
    virtual void recordViewDidEndRecording(RecordView& recordView) = 0;
};

enum class ClearButtonMode { never, always, whenRecorded };

class RecordView : public platform::View {
public:
    // Made from a frame; a scene makes one with the constructor and wakes it
    // (awakeFromNib), which runs the same set-up.
    static std::shared_ptr<RecordView> make(platform::Rect frame = {});
    explicit RecordView(platform::Rect frame = {});

    // --- appearance
    const platform::Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const platform::Color& color);
    const platform::Color& tintColor() const { return tintColor_; }
    void setTintColor(const platform::Color& color);
    const platform::Color& borderColor() const { return borderColor_; }
    void setBorderColor(const platform::Color& color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    ClearButtonMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(ClearButtonMode mode);

    // --- state
    std::shared_ptr<RecordViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<RecordViewDelegate>& delegate) { delegate_ = delegate; }
    std::function<void(const KeyCombo::Ptr&)> didChange;
    bool isRecording = false;
    const KeyCombo::Ptr& keyCombo() const { return keyCombo_; }
    // Shows the combination (or an empty recorder); tells nobody.
    void setKeyCombo(const KeyCombo::Ptr& keyCombo);
    bool isEnabled() const { return isEnabled_; }
    // Disabling a recording recorder ends the recording.
    void setEnabled(bool enabled);
    const std::shared_ptr<ClearButton>& clearButton() const { return clearButton_; }
    // The modifiers held while recording.
    platform::ModifierFlags inputModifiers = 0;

    // What the recorder shows: the combination in the desktop's words
    // ("Ctrl+Alt+Space"); while recording without one, the modifiers held so
    // far ("Ctrl+Alt+") or the recording placeholder; else the idle one.
    std::string displayedText() const;
    static constexpr const char* idlePlaceholder = "Click to record";
    static constexpr const char* recordingPlaceholder = "Type a hotkey";
    // The smallest size the words are set in: on one line before they break
    // onto two, and on two before they are cut.
    static constexpr double minimumFontSize = 6;

    // --- recording
    // False without a window or while disabled.
    bool beginRecording();
    // True when there was nothing to end.
    bool endRecording();
    // Removes the combination and tells the callback and the delegate.
    void clear();
    // The clear button's action ("clearAndEndRecording").
    void clearAndEndRecording();

    // --- View
    void awakeFromNib() override;
    bool acceptsFirstResponder() override { return isEnabled_; }
    bool canBecomeKeyView() override;
    bool needsPanelToBecomeKey() const { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void mouseDown(const platform::Event& event) override;
    void keyDown(const platform::Event& event) override;
    bool performKeyEquivalent(const platform::Event& event) override;
    void flagsChanged(const platform::Event& event) override;
    void cancelOperation(const std::shared_ptr<platform::Object>& sender) override;
    void drawRect(const platform::Rect& dirtyRect) override;
    void drawFocusRingMask() override;
    platform::Rect focusRingMaskBounds() const override;

private:
    void setUp();
    // Enabled, its window's first responder, and recording.
    bool isLive() const;
    bool isFirstResponder() const;
    // The delegate's consent, then store, tell, and end recording.
    bool record(const KeyCombo::Ptr& combo);
    void applyLayerStyle();

    platform::Color backgroundColor_;
    platform::Color tintColor_;
    platform::Color borderColor_;
    double borderWidth_ = 0;
    double cornerRadius_ = 0;
    ClearButtonMode clearButtonMode_ = ClearButtonMode::always;
    std::weak_ptr<RecordViewDelegate> delegate_;
    KeyCombo::Ptr keyCombo_;
    bool isEnabled_ = true;
    std::shared_ptr<ClearButton> clearButton_;
    ModifierEventHandler modifierEventHandler_;
    bool setUp_ = false;
    // The key press the window's key-equivalent pass offered last: its key
    // down that follows is not offered (and the delegate not asked) again.
    struct Offered {
        double timestamp = -1;
        std::uint16_t keyCode = 0;
        platform::ModifierFlags flags = 0;
        bool operator==(const Offered&) const = default;
    };
    Offered lastOffered_;
    bool offer(const platform::Event& event);
};

}  // namespace frelt
