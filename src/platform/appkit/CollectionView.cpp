#include "platform/appkit/CollectionView.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/Storyboard.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

std::vector<Rect> CollectionViewFlowLayout::frames(std::size_t count, double width, double* contentHeight) const {
    std::vector<Rect> out;
    out.reserve(count);
    const double usable = width - sectionInset.left - sectionInset.right;
    // At least one item per row, however narrow the view.
    const auto perRow = static_cast<std::size_t>(std::max(
        1.0, std::floor((usable + minimumInteritemSpacing) / (itemSize.width + minimumInteritemSpacing))));
    for (std::size_t i = 0; i < count; ++i) {
        const double x = sectionInset.left + static_cast<double>(i % perRow) * (itemSize.width + minimumInteritemSpacing);
        const double y = sectionInset.top + static_cast<double>(i / perRow) * (itemSize.height + minimumLineSpacing);
        out.emplace_back(x, y, itemSize.width, itemSize.height);
    }
    if (contentHeight) {
        const std::size_t rows = count == 0 ? 0 : (count + perRow - 1) / perRow;
        *contentHeight = sectionInset.top + sectionInset.bottom +
                         (rows == 0 ? 0 : static_cast<double>(rows) * itemSize.height +
                                              static_cast<double>(rows - 1) * minimumLineSpacing);
    }
    return out;
}

CollectionView::CollectionView(Rect frame) : View(frame), layout_(std::make_shared<CollectionViewFlowLayout>()) {}

void CollectionView::setCollectionViewLayout(std::shared_ptr<CollectionViewFlowLayout> layout) {
    layout_ = layout ? std::move(layout) : std::make_shared<CollectionViewFlowLayout>();
    if (loaded_) reloadData();
}

void CollectionView::registerItemForIdentifier(const std::string& identifier, ItemBuilder builder) {
    builders_[identifier] = std::move(builder);
}

std::shared_ptr<CollectionViewItem> CollectionView::makeItemWithIdentifier(const std::string& identifier,
                                                                           const IndexPath&) {
    if (auto it = builders_.find(identifier); it != builders_.end() && it->second) return it->second();
    if (auto nib = Nib::nibNamed(identifier)) return std::dynamic_pointer_cast<CollectionViewItem>(nib->instantiate());
    return nullptr;
}

void CollectionView::reloadData() {
    assertMainThread("CollectionView::reloadData");
    auto self = std::static_pointer_cast<CollectionView>(shared_from_this());
    for (auto& [path, item] : items_) {
        if (item->isViewLoaded()) item->view()->removeFromSuperview();
    }
    items_.clear();
    counts_.clear();
    selection_.clear();
    loaded_ = true;
    auto source = dataSource();
    if (!source) return;
    const long sections = std::max(0L, source->numberOfSectionsInCollectionView(*this));
    for (long s = 0; s < sections; ++s) counts_.push_back(std::max(0L, source->numberOfItemsInSection(*this, s)));

    // The sections follow each other in one flow.
    std::size_t total = 0;
    for (long c : counts_) total += static_cast<std::size_t>(c);
    double height = 0;
    const auto frames = layout_->frames(total, bounds().width(), &height);
    std::size_t index = 0;
    for (long s = 0; s < sections; ++s) {
        for (long i = 0; i < counts_[static_cast<std::size_t>(s)]; ++i, ++index) {
            auto item = source->itemForRepresentedObjectAtIndexPath(*this, {s, i});
            if (!item) continue;
            item->setCollectionView(self);
            auto view = item->view();
            view->setFrame(frames[index]);
            addSubview(view);
            items_[{s, i}] = item;
        }
    }
    // A document view grows to hold its rows.
    if (height > frame().height()) setFrameSize({frame().width(), height});
}

long CollectionView::numberOfItemsInSection(long section) const {
    if (section < 0 || section >= numberOfSections()) return 0;
    return counts_[static_cast<std::size_t>(section)];
}

std::shared_ptr<CollectionViewItem> CollectionView::itemAtIndexPath(const IndexPath& indexPath) const {
    auto it = items_.find(indexPath);
    return it == items_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<CollectionViewItem>> CollectionView::visibleItems() const {
    std::vector<std::shared_ptr<CollectionViewItem>> out;
    for (const auto& [path, item] : items_) out.push_back(item);
    return out;
}

std::optional<IndexPath> CollectionView::indexPathForItemAtPoint(Point p) const {
    for (const auto& [path, item] : items_)
        if (item->isViewLoaded() && item->view()->frame().contains(p)) return path;
    return std::nullopt;
}

void CollectionView::setSelection(std::set<IndexPath> selection) {
    for (auto& [path, item] : items_) item->setSelected(selection.count(path) != 0);
    selection_ = std::move(selection);
    setNeedsDisplay(true);
}

void CollectionView::selectItemsAtIndexPaths(const std::set<IndexPath>& indexPaths) {
    std::set<IndexPath> selection = allowsMultipleSelection_ ? selection_ : std::set<IndexPath>{};
    for (const auto& p : indexPaths) {
        if (!items_.count(p)) continue;
        selection.insert(p);
        if (!allowsMultipleSelection_) break;
    }
    setSelection(std::move(selection));
}

void CollectionView::deselectAll() { setSelection({}); }

void CollectionView::viewDidMoveToWindow() {
    View::viewDidMoveToWindow();
    if (window() && !loaded_ && dataSource()) reloadData();
}

std::shared_ptr<View> CollectionView::hitTest(Point p) {
    auto hit = View::hitTest(p);
    if (hit && hit.get() != this && hit->isDescendantOf(*this)) return std::static_pointer_cast<View>(shared_from_this());
    return hit;
}

void CollectionView::mouseDown(const Event& event) {
    if (!selectable_) return;
    const auto hit = indexPathForItemAtPoint(convertPointFromWindow(event.locationInWindow));
    if (!hit) {
        if (allowsEmptySelection_ && !selection_.empty()) setSelection({});
        return;
    }
    std::set<IndexPath> selection = allowsMultipleSelection_ ? selection_ : std::set<IndexPath>{};
    if (selection.count(*hit) && allowsMultipleSelection_) {
        if (selection.size() > 1 || allowsEmptySelection_) selection.erase(*hit);
    } else {
        selection.insert(*hit);
    }
    if (selection == selection_) return;
    setSelection(selection);
    if (auto d = delegate()) d->didSelectItemsAtIndexPaths(*this, {*hit});
}

}  // namespace platform
