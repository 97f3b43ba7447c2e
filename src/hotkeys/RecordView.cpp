#include "hotkeys/RecordView.h"

#include <chrono>
#include <cmath>

#include "hotkeys/KeyTranslating.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Text.h"
#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/ParagraphStyle.h"

namespace frelt {

using platform::Color;
using platform::Rect;

namespace {

Color systemColor(const char* name, const Color& fallback) { return Color::named("System", name, fallback); }

Color disabledTextColor() { return systemColor("disabledControlTextColor", Color::calibratedWhite(0, 0.25)); }

platform::AttributedString styledText(const std::string& text, double fontSize, platform::TextAlignment alignment,
                                      const Color& color) {
    platform::ParagraphStyle style;
    style.alignment = alignment;
    style.lineBreakMode = platform::LineBreakMode::ByTruncatingTail;
    platform::TextAttributes attributes;
    attributes.font = platform::Font::systemFont(fontSize);
    attributes.foregroundColor = color;
    attributes.paragraphStyle = style;
    return platform::AttributedString(text, attributes);
}

void drawText(const platform::AttributedString& text, const Rect& rect) {
    if (auto* context = platform::GraphicsContext::current()) context->drawAttributedString(text, rect);
}

}  // namespace

std::shared_ptr<RecordView> RecordView::make(Rect frame) {
    auto view = std::make_shared<RecordView>(frame);
    view->setUp();
    return view;
}

RecordView::RecordView(Rect frame)
    : View(frame),
      backgroundColor_(systemColor("textBackgroundColor", Color::white())),
      tintColor_(systemColor("systemBlueColor", Color::sRGB(0.0, 0.478, 1.0))),
      borderColor_(systemColor("controlColor", Color::white())),
      clearButton_(std::make_shared<ClearButton>()),
      modifierEventHandler_(std::chrono::milliseconds(300), platform::dispatch::Queue::main()) {
    registerAction("clearAndEndRecording", [this](const std::shared_ptr<platform::Object>&) { clearAndEndRecording(); });
}

void RecordView::awakeFromNib() {
    View::awakeFromNib();
    setUp();
}

void RecordView::setUp() {
    if (setUp_) return;
    setUp_ = true;
    setWantsLayer(true);
    applyLayerStyle();
    if (auto l = layer()) {
        l->setBorderWidth(borderWidth_);
        l->setCornerRadius(cornerRadius_);
    }
    auto self = std::static_pointer_cast<RecordView>(shared_from_this());
    clearButton_->setTarget(self);
    clearButton_->setAction("clearAndEndRecording");
    addSubview(clearButton_);
    std::weak_ptr<RecordView> weak = self;
    modifierEventHandler_.setDoubleTapped([weak](platform::ModifierFlags modifier) {
        auto recorder = weak.lock();
        if (!recorder || !recorder->isLive()) return;
        if (auto combo = KeyCombo::makeDoubled(modifier)) recorder->record(combo);
    });
}

void RecordView::applyLayerStyle() {
    if (auto l = layer()) {
        l->setBackgroundColor(backgroundColor_);
        l->setBorderColor(borderColor_);
    }
}

// --- appearance

void RecordView::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    if (auto l = layer()) l->setBackgroundColor(color);
}

void RecordView::setTintColor(const Color& color) {
    tintColor_ = color;
    setNeedsDisplay(true);
}

void RecordView::setBorderColor(const Color& color) {
    borderColor_ = color;
    if (auto l = layer()) l->setBorderColor(color);
}

void RecordView::setBorderWidth(double width) {
    borderWidth_ = width;
    if (auto l = layer()) l->setBorderWidth(width);
}

void RecordView::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    if (auto l = layer()) l->setCornerRadius(radius);
    noteFocusRingMaskChanged();
}

void RecordView::setClearButtonMode(ClearButtonMode mode) {
    clearButtonMode_ = mode;
    setNeedsDisplay(true);
}

void RecordView::setKeyCombo(const KeyCombo::Ptr& keyCombo) {
    keyCombo_ = keyCombo;
    setNeedsDisplay(true);
}

void RecordView::setEnabled(bool enabled) {
    isEnabled_ = enabled;
    setNeedsDisplay(true);
    if (!enabled && (isFirstResponder() || isRecording)) {
        if (auto w = window()) w->makeFirstResponder(nullptr);
    }
    noteFocusRingMaskChanged();
}

// --- recording

bool RecordView::isFirstResponder() const {
    auto w = window();
    return w && w->firstResponder().get() == this;
}

bool RecordView::isLive() const { return isEnabled_ && isFirstResponder() && isRecording; }

bool RecordView::beginRecording() {
    auto w = window();
    if (!w || !isEnabled_) return false;
    if (isFirstResponder() && isRecording) return true;
    return w->makeFirstResponder(shared_from_this()->sharedAs<platform::Responder>());
}

bool RecordView::endRecording() {
    auto w = window();
    if (!w || (!isFirstResponder() && !isRecording)) return true;
    return w->makeFirstResponder(nullptr);
}

void RecordView::clear() {
    keyCombo_ = nullptr;
    inputModifiers = 0;
    setNeedsDisplay(true);
    if (didChange) didChange(nullptr);
    if (auto d = delegate()) d->recordViewDidChangeKeyCombo(*this, nullptr);
}

void RecordView::clearAndEndRecording() {
    auto keepAlive = shared_from_this();
    clear();
    endRecording();
}

bool RecordView::record(const KeyCombo::Ptr& combo) {
    auto keepAlive = shared_from_this();
    if (auto d = delegate(); d && !d->recordViewCanRecordKeyCombo(*this, combo)) return false;
    setKeyCombo(combo);
    if (didChange) didChange(combo);
    if (auto d = delegate()) d->recordViewDidChangeKeyCombo(*this, combo);
    endRecording();
    return true;
}

// --- responder

bool RecordView::canBecomeKeyView() {
    return View::canBecomeKeyView() && platform::Application::shared()->isFullKeyboardAccessEnabled();
}

bool RecordView::becomeFirstResponder() {
    if (!isEnabled_) return false;
    if (auto d = delegate(); d && !d->recordViewShouldBeginRecording(*this)) {
        platform::beep();
        return false;
    }
    isRecording = true;
    setNeedsDisplay(true);
    updateTrackingAreas();
    return true;
}

bool RecordView::resignFirstResponder() {
    inputModifiers = 0;
    isRecording = false;
    updateTrackingAreas();
    setNeedsDisplay(true);
    if (auto d = delegate()) d->recordViewDidEndRecording(*this);
    return View::resignFirstResponder();
}

void RecordView::mouseDown(const platform::Event&) {
    auto w = window();
    if (!w || !isEnabled_ || (isFirstResponder() && isRecording)) return;
    w->makeFirstResponder(shared_from_this()->sharedAs<platform::Responder>());
}

void RecordView::keyDown(const platform::Event& event) {
    const Offered press{event.timestamp, event.keyCode, event.modifierFlags};
    if (press != lastOffered_ && offer(event)) return;
    // What the standard key bindings make of Escape.
    if (event.keyCode == platform::keycode::escape) {
        cancelOperation(shared_from_this());
        return;
    }
    View::keyDown(event);
}

bool RecordView::performKeyEquivalent(const platform::Event& event) {
    lastOffered_ = {event.timestamp, event.keyCode, event.modifierFlags};
    return offer(event);
}

bool RecordView::offer(const platform::Event& event) {
    if (!isLive()) return false;
    const auto key = KeyTranslating::shared()->keyForTypedKey(event.keyCode, event.charactersIgnoringModifiers);
    if (!key) return false;
    const std::int64_t carbon = modifierflags::carbonModifiers(event.modifierFlags, false);
    KeyCombo::Ptr combo;
    if (carbon != 0) combo = KeyCombo::make(*key, modifierflags::fromCarbonModifiers(carbon));
    else if (isFunctionKey(*key)) combo = KeyCombo::make(*key, 0);
    if (!combo) return false;
    return record(combo);
}

void RecordView::flagsChanged(const platform::Event& event) {
    if (isLive()) {
        modifierEventHandler_.handleModifiersEvent(event.modifierFlags, event.timestamp);
        inputModifiers = event.modifierFlags;
    } else {
        inputModifiers = 0;
    }
    setNeedsDisplay(true);
    View::flagsChanged(event);
}

void RecordView::cancelOperation(const std::shared_ptr<platform::Object>&) { endRecording(); }

// --- drawing

std::string RecordView::displayedText() const {
    if (keyCombo_) return keyCombo_->displayString();
    const platform::ModifierFlags held = modifierflags::filterUnsupportedModifiers(inputModifiers);
    if (isLive() && held != 0) return modifierflags::displayString(held) + "+";
    return isLive() ? recordingPlaceholder : idlePlaceholder;
}

void RecordView::drawRect(const Rect& dirtyRect) {
    View::drawRect(dirtyRect);
    applyLayerStyle();
    const double H = bounds().height(), W = bounds().width();
    const double u = H / 1.7, m = (H - u) / 2.6 * 1.5;

    const double s = u / 1.3;
    clearButton_->setFrame(Rect(W - s - m, (H - s) / 2, s, s));
    clearButton_->setHidden(clearButtonMode_ == ClearButtonMode::never ||
                            (clearButtonMode_ == ClearButtonMode::whenRecorded && !keyCombo_));

    // The words run from the left margin to a margin before the clear
    // button (or to the right margin without one). A text too long for the
    // room is set smaller, down to the smallest readable size; still too long,
    // it breaks at the "+" or space nearest its middle onto two lines. Only what
    // even that cannot hold is cut with an ellipsis, so the words never run
    // into the button.
    const double inset = m / 1.5;
    const double right = clearButton_->isHidden() ? W - inset : clearButton_->frame().minX() - inset;
    const double room = right - inset;
    if (room <= 0) return;
    auto& metrics = platform::textMetrics();
    const auto fits = [&](const std::string& text, double size) {
        return metrics.advanceOfText(text, platform::Font::systemFont(size)) <= room;
    };
    const auto lineHeight = [&](double size) {
        return metrics.metricsForFont(platform::Font::systemFont(size)).lineHeight();
    };
    std::string text = displayedText();
    double fontSize = std::floor(u);
    while (fontSize > minimumFontSize && !fits(text, fontSize)) fontSize -= 0.5;
    int lines = 1;
    if (!fits(text, fontSize)) {
        std::size_t split = std::string::npos;
        const auto distance = [&](std::size_t at) { return std::abs(double(at) - double(text.size()) / 2); };
        for (std::size_t i = text.find_first_of("+ "); i != std::string::npos && i + 1 < text.size();
             i = text.find_first_of("+ ", i + 1)) {
            if (split == std::string::npos || distance(i + 1) < distance(split)) split = i + 1;
        }
        if (split != std::string::npos) {
            // A "+" stays at the end of the first line; a space goes.
            const std::string first = text.substr(0, text[split - 1] == ' ' ? split - 1 : split);
            const std::string second = text.substr(split);
            double size = std::floor(u);
            while (size > minimumFontSize && !(fits(first, size) && fits(second, size) && 2 * lineHeight(size) <= H))
                size -= 0.5;
            text = first + "\n" + second;
            fontSize = size;
            lines = 2;
        }
    }

    const bool placeholder = text == idlePlaceholder || text == recordingPlaceholder;
    const Color color = !isEnabled_   ? disabledTextColor()
                        : placeholder ? Color::calibratedWhite(2.0 / 3.0)  // light grey
                                      : tintColor_;
    const double height = lines * lineHeight(fontSize);
    drawText(styledText(text, fontSize, platform::TextAlignment::Natural, color),
             Rect(inset, std::max(0.0, (H - height) / 2), room, std::min(height, H)));
}

void RecordView::drawFocusRingMask() {
    if (!(isEnabled_ && isFirstResponder() && isRecording)) return;
    platform::setFillColor(Color::black());
    platform::BezierPath::withRoundedRect(bounds(), cornerRadius_, cornerRadius_).fill();
}

Rect RecordView::focusRingMaskBounds() const {
    if (!(isEnabled_ && isFirstResponder() && isRecording)) return Rect();
    return bounds();
}

}  // namespace frelt
