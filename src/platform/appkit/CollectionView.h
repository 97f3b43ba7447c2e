#pragma once
// A grid of items. The collection view asks its data source for the number
// of sections and items and for each item (a CollectionViewItem, a view
// controller), which the data source makes with makeItemWithIdentifier: from
// the builder registered for the identifier, else from the nib of that name.
// A flow layout places the items' views in rows.
//
// Callback orders:
// - reloadData (also the first time the view enters a window):
//   numberOfSectionsInCollectionView, then per section
//   numberOfItemsInSection, then each item in order.
// - a click on an item (the collection view takes clicks on its items' views)
//   of a selectable view: the selection changes (one item
//   unless several are allowed; clicking beside the items clears it when
//   an empty selection is allowed), then didSelectItemsAtIndexPaths.
// - selectItemsAtIndexPaths (by code) tells no delegate.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/appkit/ViewController.h"
#include "platform/appkit/View.h"

namespace platform {

class CollectionView;
class ImageView;

struct IndexPath {
    long section = 0;
    long item = 0;
    auto operator<=>(const IndexPath&) const = default;
};

class CollectionViewItem : public ViewController {
public:
    CollectionViewItem() = default;

    std::shared_ptr<ImageView> imageView() const { return imageView_.lock(); }
    void setImageView(const std::shared_ptr<ImageView>& v) { imageView_ = v; }
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected) { selected_ = selected; }
    std::shared_ptr<CollectionView> collectionView() const { return collectionView_.lock(); }

    // Kit internal: set when the item is shown.
    void setCollectionView(const std::shared_ptr<CollectionView>& cv) { collectionView_ = cv; }

private:
    std::weak_ptr<ImageView> imageView_;
    std::weak_ptr<CollectionView> collectionView_;
    bool selected_ = false;
};

class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;
    virtual long numberOfSectionsInCollectionView(CollectionView& collectionView) {
        (void)collectionView;
        return 1;
    }
    virtual long numberOfItemsInSection(CollectionView& collectionView, long section) = 0;
    virtual std::shared_ptr<CollectionViewItem> itemForRepresentedObjectAtIndexPath(CollectionView& collectionView,
                                                                                    const IndexPath& indexPath) = 0;
};

class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;
    virtual void didSelectItemsAtIndexPaths(CollectionView& collectionView, const std::set<IndexPath>& indexPaths) {
        (void)collectionView;
        (void)indexPaths;
    }
};

// Places items in rows, left to right, wrapping at the view's width.
class CollectionViewFlowLayout : public Object {
public:
    double minimumInteritemSpacing = 10;
    double minimumLineSpacing = 10;
    EdgeInsets sectionInset;
    Size itemSize{50, 50};

    // The frames of `count` items in a view `width` wide, and the height the
    // rows need (insets included).
    std::vector<Rect> frames(std::size_t count, double width, double* contentHeight = nullptr) const;
};

class CollectionView : public View {
public:
    using ItemBuilder = std::function<std::shared_ptr<CollectionViewItem>()>;

    explicit CollectionView(Rect frame = {});

    std::shared_ptr<CollectionViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<CollectionViewDataSource>& d) { dataSource_ = d; }
    std::shared_ptr<CollectionViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CollectionViewDelegate>& d) { delegate_ = d; }

    bool isSelectable() const { return selectable_; }
    void setSelectable(bool b) { selectable_ = b; }
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool b) { allowsEmptySelection_ = b; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool b) { allowsMultipleSelection_ = b; }
    std::shared_ptr<CollectionViewFlowLayout> collectionViewLayout() const { return layout_; }
    void setCollectionViewLayout(std::shared_ptr<CollectionViewFlowLayout> layout);

    // Items of an identifier come from this builder (a class or a nib the
    // owner registers) before any nib of that name.
    void registerItemForIdentifier(const std::string& identifier, ItemBuilder builder);
    // A new item for the identifier; none when neither a builder nor a nib
    // of that name exists (or it failed).
    std::shared_ptr<CollectionViewItem> makeItemWithIdentifier(const std::string& identifier,
                                                               const IndexPath& indexPath);

    // Asks the data source again and shows its items; forgets the selection.
    virtual void reloadData();
    bool hasLoadedData() const { return loaded_; }
    long numberOfSections() const { return static_cast<long>(counts_.size()); }
    // 0 for a section that does not exist.
    long numberOfItemsInSection(long section) const;
    // None outside the loaded items (or where the data source gave none).
    std::shared_ptr<CollectionViewItem> itemAtIndexPath(const IndexPath& indexPath) const;
    std::vector<std::shared_ptr<CollectionViewItem>> visibleItems() const;
    // The item under a point of the view's bounds.
    std::optional<IndexPath> indexPathForItemAtPoint(Point p) const;

    const std::set<IndexPath>& selectionIndexPaths() const { return selection_; }
    void selectItemsAtIndexPaths(const std::set<IndexPath>& indexPaths);
    void deselectAll();

    void viewDidMoveToWindow() override;
    // Clicks on the items' views come to the collection view.
    std::shared_ptr<View> hitTest(Point p) override;
    bool acceptsFirstResponder() override { return selectable_; }
    void mouseDown(const Event& event) override;

private:
    void setSelection(std::set<IndexPath> selection);

    std::weak_ptr<CollectionViewDataSource> dataSource_;
    std::weak_ptr<CollectionViewDelegate> delegate_;
    bool selectable_ = false;
    bool allowsEmptySelection_ = true;
    bool allowsMultipleSelection_ = false;
    std::shared_ptr<CollectionViewFlowLayout> layout_;
    std::map<std::string, ItemBuilder> builders_;
    bool loaded_ = false;
    std::vector<long> counts_;
    std::map<IndexPath, std::shared_ptr<CollectionViewItem>> items_;
    std::set<IndexPath> selection_;
};

}  // namespace platform
