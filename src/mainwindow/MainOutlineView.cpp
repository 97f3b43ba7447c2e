#include "mainwindow/MainOutlineView.h"

#include <algorithm>

#include "store/Logging.h"

namespace frelt {

bool MainOutlineView::selectItemWithTagName(const std::string& tagName) {
    log(LogCategory::mainSectionView, LogLevel::Default, "selectItemWith tagName");
    if (std::find(tagRows_.begin(), tagRows_.end(), tagName) == tagRows_.end()) return false;
    selectedTagName_ = tagName;
    selectedSelectionType_.reset();
    return true;
}

void MainOutlineView::selectItemWithSelectionType(int selectionType) {
    log(LogCategory::mainSectionView, LogLevel::Default, "selectItemWith selectionType");
    selectedSelectionType_ = selectionType;
    selectedTagName_.reset();
}

}  // namespace frelt
