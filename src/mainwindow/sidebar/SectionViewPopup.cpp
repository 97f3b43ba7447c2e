#include "mainwindow/sidebar/SectionViewPopup.h"

#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "drawing/controls/ColorSlider.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/TextField.h"
#include "platform/dispatch/Dispatch.h"
#include "settings/RecorderStyle.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

namespace frelt {

SectionViewPopupViewController::SectionViewPopupViewController() {
    registerAction("btnLaunchAllClick:", [this](const std::shared_ptr<platform::Object>&) { launchAll(); });
    registerAction("btnDeleteTagClick:", [this](const std::shared_ptr<platform::Object>&) { deleteTag(); });
    registerAction("btnChangeIconClick:", [this](const std::shared_ptr<platform::Object>&) { toggleIconRow(); });
    registerAction("btnDefaultIconClick:", [this](const std::shared_ptr<platform::Object>&) { resetToDefault(); });
}

iconTag::Ptr SectionViewPopupViewController::findIconTag() const {
    if (!currentSourcelistItem) return nullptr;
    return TagManager::shared()->tagWithName(currentSourcelistItem->tag());
}

void SectionViewPopupViewController::viewWillAppear() {
    TagAppearancePopupViewController::viewWillAppear();
    isVisible = true;
    const auto tag = findIconTag();
    if (!tag) return;
    if (auto panel = backgroundPanel.lock()) setUpPopupBackgroundPanel(*panel);
    if (auto slider = colorSlider.lock()) slider->prepareForColorChoice(shared_from_this());
    HotKeyManager::shared()->setHotkeysPaused(true);
    needsRebuild = false;
    needsRedraw = false;
    resizePopover(false);
    if (auto label = lblTagName.lock()) label->setStringValue(currentSourcelistItem->name());
    if (auto image = imageTagSymbol.lock()) image->setImage(currentSourcelistItem->icon());
    auto self = std::static_pointer_cast<SectionViewPopupViewController>(shared_from_this());
    if (auto recorder = hotkey.lock()) {
        recorder->setKeyCombo(tag->hotkey());
        applyDefaultStyle(*recorder, self);
    }
    if (auto recorder = hotkeyLaunchAll.lock()) {
        recorder->setKeyCombo(tag->hotkeyLaunchAll());
        applyDefaultStyle(*recorder, self);
    }
    tintColor = tag->color();
    applyTintColor();
}

void SectionViewPopupViewController::viewDidDisappear() {
    TagAppearancePopupViewController::viewDidDisappear();
    HotKeyManager::shared()->setHotkeysPaused(false);
    isVisible = false;
}

void SectionViewPopupViewController::launchAll() {
    if (!currentSourcelistItem) return;
    const std::string tag = currentSourcelistItem->tag();
    platform::dispatch::Queue::main()->async([tag] { DataStorage::shared()->launchAllEntriesOfTag(tag); });
    if (auto shown = popover.lock()) shown->close();
}

void SectionViewPopupViewController::deleteTag() {
    if (!currentSourcelistItem || currentSourcelistItem->tag().empty()) return;
    const std::string tag = currentSourcelistItem->tag();
    if (!TagManager::confirmRemoveTag(tag)) return;
    if (!TagManager::shared()->deleteTag(tag)) return;
    needsRebuild = true;
    DataStorage::shared()->rebuildData(RebuildDataReason::sectionViewPopup);
    if (auto shown = popover.lock()) shown->close();
}

void SectionViewPopupViewController::toggleIconRow() {
    const auto stack = stackView.lock();
    if (!stack) return;
    const auto rows = stack->arrangedSubviews();
    if (rows.size() < 3) return;
    resizePopover(rows[2]->isHidden());
}

void SectionViewPopupViewController::redrawSidebarSelection() {
    needsRedraw = true;
    const auto controller = FreltManager::shared()->viewControllerMain();
    if (!controller || !needsRedraw) return;
    if (auto sidebar = controller->sectionView.lock()) sidebar->redrawSelected();
}

void SectionViewPopupViewController::resizePopover(bool show) {
    const auto shown = popover.lock();
    const auto stack = stackView.lock();
    if (!shown || !stack) return;
    const auto rows = stack->arrangedSubviews();
    if (rows.size() < 3) return;
    const auto& iconRow = rows[2];
    const double rowHeight = iconRow->frame().height();
    const platform::Size size = shown->contentSize();
    if (shown->isShown()) shown->setAnimates(true);
    if (show) {
        if (size.height != fullHeight) {
            shown->setContentSize({size.width, fullHeight});
            iconRow->setHidden(false);
        }
    } else if (size.height != fullHeight - rowHeight) {
        iconRow->setHidden(true);
        shown->setContentSize({size.width, fullHeight - rowHeight});
    }
    stack->setNeedsLayout(true);
    stack->layoutSubtreeIfNeeded();
    shown->setAnimates(false);
}

bool SectionViewPopupViewController::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    return !keyCombo || !HotKeyCenter::shared()->isRegistered(*keyCombo);
}

void SectionViewPopupViewController::recordViewDidChangeKeyCombo(RecordView& recordView,
                                                                  const KeyCombo::Ptr& keyCombo) {
    const auto tag = findIconTag();
    if (!tag) return;
    if (&recordView == hotkey.lock().get()) tag->setHotkey(keyCombo);
    else if (&recordView == hotkeyLaunchAll.lock().get()) tag->setHotkeyLaunchAll(keyCombo);
}

// --- the manager

SectionViewPopupManager::SectionViewPopupManager() : sectionViewPopover(std::make_shared<platform::Popover>()) {}

std::shared_ptr<SectionViewPopupViewController> SectionViewPopupManager::sectionViewPopupViewController() {
    return instantiateSceneOnce(controller_, SectionViewPopupViewController::storyboardName,
                                SectionViewPopupViewController::sceneIdentifier);
}

void SectionViewPopupManager::setupPopover() {
    const auto controller = sectionViewPopupViewController();
    if (!controller) return;
    controller->becomeContentOf(sectionViewPopover);
}

void SectionViewPopupManager::showSectionPopup(const std::shared_ptr<platform::View>& view,
                                               const SourceListItem::Ptr& item, long index) {
    const auto controller = sectionViewPopupViewController();
    if (!controller || !view) return;
    controller->currentSourcelistItem = item;
    controller->index = index;
    sectionViewPopover->showRelativeToRect(view->bounds(), view, platform::RectEdge::minX);
}

}  // namespace frelt
