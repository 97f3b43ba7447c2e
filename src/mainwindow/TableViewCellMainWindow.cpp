#include "mainwindow/TableViewCellMainWindow.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/AppDelegate.h"
#include "drawing/ImageHelpers.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/DraggingHelpers.h"
#include "mainwindow/TableViewRowMainWindow.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/foundation/Text.h"
#include "sources/icons/IconCache.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/LocalizedStrings.h"

namespace frelt {

using platform::AttributedString;
using platform::Color;
using platform::Rect;

namespace {

const Color& labelColor() {
    static const Color color = Color::named("System", "labelColor", Color::black());
    return color;
}

// Bytes of the UTF-8 character that begins with `lead`.
std::size_t characterLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

bool isASCII(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Where `needle` first occurs in `text`, letter case ignored, as a byte range
// of `text`. Each character is folded on its own, so the match maps back to
// whole characters of the text.
std::optional<platform::Range> rangeIgnoringCase(const std::string& text, const std::string& needle) {
    if (needle.empty() || text.empty()) return std::nullopt;
    if (isASCII(text) && isASCII(needle)) {
        auto lower = [](std::string s) {
            for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s;
        };
        const auto at = lower(text).find(lower(needle));
        if (at == std::string::npos) return std::nullopt;
        return platform::Range{at, needle.size()};
    }
    const std::string foldedNeedle = platform::text::foldedForSearch(needle);
    if (foldedNeedle.empty()) return std::nullopt;
    std::string folded;
    std::vector<std::size_t> origin;  // for each byte of `folded`, where its character starts in `text`
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = std::min(characterLength(static_cast<unsigned char>(text[i])), text.size() - i);
        const std::string piece = platform::text::foldedForSearch(std::string_view(text).substr(i, n));
        folded += piece;
        origin.insert(origin.end(), piece.size(), i);
        i += n;
    }
    const auto at = folded.find(foldedNeedle);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t start = origin[at];
    const std::size_t lastStart = origin[at + foldedNeedle.size() - 1];
    const std::size_t end = lastStart + characterLength(static_cast<unsigned char>(text[lastStart]));
    return platform::Range{start, std::min(end, text.size()) - start};
}

template <class T>
bool assignIfChanged(T& slot, const T& value) {
    if (slot == value) return false;
    slot = value;
    return true;
}

void showImage(const std::weak_ptr<platform::ImageView>& outlet, const std::shared_ptr<platform::Image>& image) {
    const auto view = outlet.lock();
    if (view && view->image() != image) view->setImage(image);
}

void setHiddenIfChanged(const std::shared_ptr<platform::View>& view, bool hidden) {
    if (view && view->isHidden() != hidden) view->setHidden(hidden);
}

}  // namespace

// --- EntryCellTextField

EntryCellTextField::EntryCellTextField(Rect frame) : platform::TextField(frame) {
    setEditable(false);
    setSelectable(false);
    setBezeled(false);
    setDrawsBackground(false);
}

void EntryCellTextField::setAttributedText(std::optional<AttributedString> text) {
    if (attributedText_ == text) return;
    attributedText_ = std::move(text);
    if (attributedText_) cell()->setStringValue(attributedText_->string());
    setNeedsDisplay(true);
}

void EntryCellTextField::setTextIfChanged(const std::string& text) {
    if (!attributedText_ && cell()->stringValue() == text) return;
    attributedText_.reset();
    setStringValue(text);
}

void EntryCellTextField::setTextColorIfChanged(const std::optional<Color>& color) {
    if (textColor() == color) return;
    setTextColor(color);
    setNeedsDisplay(true);
}

void EntryCellTextField::drawRect(const Rect& dirtyRect) {
    auto* context = platform::GraphicsContext::current();
    if (!context) return;
    platform::TextAttributes base;
    base.font = font().value_or(platform::Font::systemFont(platform::Font::systemFontSize));
    base.foregroundColor = textColor().value_or(labelColor());
    // On the emphasised selection, text in the system's colours takes the
    // colour that reads on it.
    if (auto cellView = std::dynamic_pointer_cast<platform::TableCellView>(superview());
        cellView && cellView->backgroundStyle() == platform::BackgroundStyle::emphasized &&
        base.foregroundColor->space() == Color::Space::Catalog)
        base.foregroundColor = Color::named("System", "alternateSelectedControlTextColor", Color::white());
    platform::ParagraphStyle paragraph;
    paragraph.lineBreakMode = platform::LineBreakMode::ByTruncatingTail;
    base.paragraphStyle = paragraph;
    AttributedString text(attributedText_ ? attributedText_->string() : cell()->stringValue(), base);
    if (attributedText_) {
        for (const auto& run : attributedText_->runs()) text.addAttributes(run.attributes, run.range);
        // The colour and font are the field's, whatever the runs carried.
        platform::TextAttributes own;
        own.font = base.font;
        own.foregroundColor = base.foregroundColor;
        text.addAttributes(own, platform::Range{0, text.length()});
    }
    (void)dirtyRect;
    if (text.length() == 0) return;
    context->drawAttributedString(text, bounds().insetBy(2, 0));
}

// --- TableViewCellMainWindow

TableViewCellMainWindow::TableViewCellMainWindow(Rect frame) : platform::TableCellView(frame) {}

bool TableViewCellMainWindow::isSmall() const { return AppDelegate::shared()->config->useSmallModeInMainView; }

bool TableViewCellMainWindow::configure(const TableViewItem::Ptr& entry) {
    if (!entry) return false;
    item = entry;
    const auto config = AppDelegate::shared()->config;
    const std::optional<bool> large = config->useSmallModeInMainView ? std::optional<bool>(false) : std::nullopt;
    const auto icons = IconCache::shared();
    if (entry->itemType() != ListviewItemType::tag) {
        showImage(image, icons->icon(entry, large));
        showImage(imageOverlay, nullptr);
        showImage(imageBadge, nullptr);
    } else {
        showImage(image, platform::Image::imageNamed("tag_Background"));
        showImage(imageOverlay, icons->icon(entry, large));
        showImage(imageBadge, config->selectingTagsInMainWindowLaunchAll ? platform::Image::imageNamed("overlay_Execute")
                                                                         : nullptr);
    }
    if (auto name = displayname.lock()) name->setTextIfChanged(entry->name());
    // The icons take no drops.
    for (const auto& outlet : {image, imageOverlay, imageBadge})
        if (auto view = outlet.lock()) view->unregisterDraggedTypes();
    refreshContent();
    setNeedsDisplay(true);
    return true;
}

void TableViewCellMainWindow::setItemIndex(long index) {
    if (index == itemIndex) return;
    itemIndex = index;
    if (const auto entry = item.lock()) updateHotkeyButton(*entry);
}

bool TableViewCellMainWindow::setModifierKeys(bool control, bool option, bool command, bool shift) {
    bool changed = assignIfChanged(commandKeyActive, command);
    changed = assignIfChanged(controlKeyActive, control) || changed;
    changed = assignIfChanged(optionKeyActive, option) || changed;
    changed = assignIfChanged(shiftKeyActive, shift) || changed;
    if (changed) {
        refreshContent();
        setNeedsDisplay(true);
    }
    return changed;
}

std::optional<AttributedString> TableViewCellMainWindow::highlightedString(const std::optional<std::string>& text,
                                                                           const std::optional<std::string>& searchText) {
    if (!text) return std::nullopt;
    AttributedString result(*text);
    if (searchText && !searchText->empty()) {
        if (const auto range = rangeIgnoringCase(*text, *searchText)) {
            platform::TextAttributes underline;
            underline.underlineStyle = int(platform::UnderlineStyle::Single);
            result.addAttributes(underline, *range);
        }
    }
    platform::ParagraphStyle paragraph;
    paragraph.lineBreakMode = platform::LineBreakMode::ByTruncatingTail;
    platform::TextAttributes truncation;
    truncation.paragraphStyle = paragraph;
    result.addAttributes(truncation, platform::Range{0, result.length()});
    return result;
}

void TableViewCellMainWindow::buildHighlightedStrings() {
    const auto name = displayname.lock();
    currentDisplaynameAttributedString =
        highlightedString(name ? std::optional<std::string>(name->cell()->stringValue()) : std::nullopt, currentSearchText);
    if (const auto entry = item.lock(); entry && !entry->comment().empty())
        currentCommentAttributedString = highlightedString(entry->comment(), currentSearchText);
}

void TableViewCellMainWindow::refreshContent() {
    currentSearchText = DataStorage::shared()->filterCurrentData()->searchStringFromSearchField;
    buildHighlightedStrings();
    const auto entry = item.lock();
    if (!entry) return;
    const auto config = AppDelegate::shared()->config;
    updateTagBadge(*entry);
    if (auto name = displayname.lock()) name->setTextColorIfChanged(config->diaplaynameColor);
    updatePathTextColor(*entry);
    updateActiveIndicator(*entry);
    updateHotkeyButton(*entry);
    updateDisplayname(*entry);
    updateSecondLine(*entry);
    pushSelectionStyleToRow();
}

void TableViewCellMainWindow::updateTagBadge(const TableViewItem& entry) {
    if (entry.itemType() != ListviewItemType::tag) return;
    const bool launchAll = AppDelegate::shared()->config->selectingTagsInMainWindowLaunchAll != optionKeyActive;
    showImage(imageBadge, launchAll ? platform::Image::imageNamed("overlay_Execute") : nullptr);
}

void TableViewCellMainWindow::updatePathTextColor(const TableViewItem& entry) {
    const auto config = AppDelegate::shared()->config;
    if (auto line = path.lock())
        line->setTextColorIfChanged(entry.comment().empty() ? config->pathColor : config->descriptionColor);
}

void TableViewCellMainWindow::updateActiveIndicator(const TableViewItem& entry) {
    const auto indicator = activeIndicator.lock();
    if (!indicator) return;
    if (!entry.isLaunched()) {
        setHiddenIfChanged(indicator, true);
        return;
    }
    auto dot = platform::Image::imageNamed("status_AppActive");
    if (dot && currentSelectionStyle != CellSelection::notSelected) {
        // Made once per cell: the same picture must not count as a change.
        if (!tintedIndicator_)
            tintedIndicator_ = tinted(dot, Color::named("System", "alternateSelectedControlTextColor", Color::white()));
        dot = tintedIndicator_;
    }
    showImage(activeIndicator, dot);
    setHiddenIfChanged(indicator, false);
}

void TableViewCellMainWindow::updateHotkeyButton(const TableViewItem& entry) {
    const auto button = hotkey.lock();
    if (!button) return;
    auto show = [&](const std::string& title, std::optional<Color> color, bool bordered) {
        if (button->title() != title) button->setTitle(title);
        if (button->textColor() != color) {
            button->setTextColor(color);
            button->setNeedsDisplay(true);
        }
        if (button->isBordered() != bordered) button->setBordered(bordered);
        setHiddenIfChanged(button, false);
    };
    if (currentSelectionStyle == CellSelection::selectedAndFocused) {
        // On the emphasised selection, in the colour that reads on it.
        show(returnKeyGlyph, Color::named("System", "alternateSelectedControlTextColor", Color::white()), false);
    } else if (commandKeyActive && !shiftKeyActive && !optionKeyActive && !controlKeyActive && itemIndex >= 0 &&
               itemIndex <= 8) {
        show(std::to_string(itemIndex + 1), labelColor(), false);
    } else if (!entry.hotkey()) {
        setHiddenIfChanged(button, true);
    } else {
        show(entry.hotkey()->displayString(), std::nullopt, AppDelegate::shared()->config->hotkeyBorder);
    }
}

void TableViewCellMainWindow::updateDisplayname(const TableViewItem& entry) {
    const auto name = displayname.lock();
    if (!name) return;
    if (currentDisplaynameAttributedString) name->setAttributedText(currentDisplaynameAttributedString);
    else name->setTextIfChanged(entry.name());
}

void TableViewCellMainWindow::updateSecondLine(const TableViewItem& entry) {
    const auto line = path.lock();
    if (!line) return;
    const auto config = AppDelegate::shared()->config;
    bool shown = true;
    if (entry.itemType() == ListviewItemType::tag) {
        const bool launchAll = config->selectingTagsInMainWindowLaunchAll != optionKeyActive;
        const LocalizedString& text = launchAll ? L10n::tagGroupLaunchTableViewItem : L10n::tagGroupViewTableViewItem;
        line->setTextIfChanged(replacingPlaceholders(text.value(), {{"%tagName", entry.path()}}));
    } else if (!entry.comment().empty()) {
        if (currentCommentAttributedString) line->setAttributedText(currentCommentAttributedString);
        else line->setTextIfChanged(entry.comment());
    } else if (config->showPathInMainView) {
        line->setTextIfChanged(entry.path());
    } else {
        shown = false;
    }
    setHiddenIfChanged(line, !shown);
    if (shown != secondLineShown_) {
        secondLineShown_ = shown;
        setNeedsLayout(true);
        layout();
    }
}

void TableViewCellMainWindow::pushSelectionStyleToRow() {
    const auto row = std::dynamic_pointer_cast<TableViewRowMainWindow>(superview());
    if (!row) return;
    using RowSelection = TableViewRowMainWindow::RowSelection;
    switch (currentSelectionStyle) {
        case CellSelection::selectedAndFocused: row->setCurrentSelectionStyle(RowSelection::selectedAndFocused); break;
        case CellSelection::selectedWithoutFocus: row->setCurrentSelectionStyle(RowSelection::selectedWithoutFocus); break;
        case CellSelection::notSelected: row->setCurrentSelectionStyle(RowSelection::notSelected); break;
    }
}

// --- selection

void TableViewCellMainWindow::setBackgroundStyle(platform::BackgroundStyle style) {
    const auto row = std::dynamic_pointer_cast<TableViewRowMainWindow>(superview());
    if (!row) {
        platform::TableCellView::setBackgroundStyle(style);
        updateSelectionStyle();
        return;
    }
    // The row's selection decides, whatever the row asked for.
    platform::TableCellView::setBackgroundStyle(row->isSelected() ? platform::BackgroundStyle::emphasized
                                                                  : platform::BackgroundStyle::normal);
    const FirstResponderKind kind = currentFirstResponderKind();
    if (kind == FirstResponderKind::entryTable || kind == FirstResponderKind::searchField)
        row->platform::TableRowView::setEmphasized(kind == FirstResponderKind::searchField ? true : row->isSelected());
    row->layoutBackgroundView();
    updateSelectionStyle();
}

void TableViewCellMainWindow::updateSelectionStyle() {
    CellSelection style = currentSelectionStyle;
    if (backgroundStyle() != platform::BackgroundStyle::emphasized) {
        style = CellSelection::notSelected;
    } else if (const auto row = std::dynamic_pointer_cast<TableViewRowMainWindow>(superview())) {
        const bool searchFieldFocused = currentFirstResponderKind() == FirstResponderKind::searchField;
        style = !searchFieldFocused && !row->platform::TableRowView::isEmphasized() ? CellSelection::selectedWithoutFocus
                                                                                    : CellSelection::selectedAndFocused;
    }
    if (style == currentSelectionStyle) return;
    currentSelectionStyle = style;
    refreshContent();
    setNeedsDisplay(true);
}

// --- layout

void TableViewCellMainWindow::setFrame(const Rect& frame) {
    const bool resized = frame.size != this->frame().size;
    platform::TableCellView::setFrame(frame);
    if (resized) layout();
}

void TableViewCellMainWindow::layout() {
    platform::TableCellView::layout();
    const Rect b = bounds();
    const bool small = isSmall();
    const double iconSide = small ? 32 : 48;
    // Room at the left for the row's colour bar.
    const Rect icon(26, std::round((b.height() - iconSide) / 2), iconSide, iconSide);
    for (const auto& outlet : {image, imageOverlay})
        if (auto view = outlet.lock()) view->setFrame(icon);
    const double overlaySide = std::round(iconSide * 0.55);
    if (auto overlay = imageOverlay.lock())
        overlay->setFrame(Rect(icon.midX() - overlaySide / 2, icon.midY() - overlaySide / 2, overlaySide, overlaySide));
    const double badgeSide = small ? 14 : 18;
    if (auto badge = imageBadge.lock())
        badge->setFrame(Rect(icon.maxX() - badgeSide + 2, icon.maxY() - badgeSide + 2, badgeSide, badgeSide));
    if (auto dot = activeIndicator.lock()) dot->setFrame(Rect(icon.maxX() - 7, icon.maxY() - 7, 9, 9));

    const double buttonWidth = 76, buttonHeight = 22;
    const double right = b.width() - 20;
    if (auto button = hotkey.lock())
        button->setFrame(Rect(right - buttonWidth, std::round((b.height() - buttonHeight) / 2), buttonWidth, buttonHeight));
    const double textX = icon.maxX() + 12;
    const double textWidth = std::max(0.0, right - buttonWidth - 8 - textX);
    const double nameHeight = small ? 18 : 20, lineHeight = small ? 15 : 17;
    const auto line = path.lock();
    const bool twoLines = line && !line->isHidden();
    const double blockHeight = twoLines ? nameHeight + lineHeight : nameHeight;
    const double top = std::round((b.height() - blockHeight) / 2);
    if (auto name = displayname.lock()) name->setFrame(Rect(textX, top, textWidth, nameHeight));
    if (line) line->setFrame(Rect(textX, top + nameHeight, textWidth, lineHeight));
    setNeedsLayout(false);
}

std::vector<platform::DraggingImageComponent> TableViewCellMainWindow::draggingImageComponents() {
    const auto row = std::dynamic_pointer_cast<platform::TableRowView>(superview());
    if (!row) return platform::TableCellView::draggingImageComponents();
    auto picture = snapshotImage(*row);
    const platform::Size size = picture ? picture->size() : platform::Size{};
    return {platform::DraggingImageComponent{platform::draggingimagecomponentkey::icon, std::move(picture),
                                             Rect(0, 0, size.width, size.height)}};
}

}  // namespace frelt
