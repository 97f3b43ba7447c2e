#pragma once
// The settings pane of the URL templates: an editable table of the shared
// URLManager's templates (title and URL), one row per template, with a
// segment that adds an empty template and one that removes the selected
// template. Edits change the shared template objects at once; leaving the
// pane drops incomplete templates and sorts the rest. The pane saves nothing:
// the settings window's save on closing writes the list. Main thread only.

#include <memory>
#include <string>

#include "drawing/controls/CustomTextField.h"
#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/ViewController.h"
#include "sources/urls/URLAttributedStringParser.h"
#include "sources/urls/URLManager.h"

namespace frelt {

// One template row: the title and URL fields edit the very template object
// of the list.
class TableViewCellConfigURLTemplate : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCellConfigURLTemplate";
    static constexpr long maxLength = 3072;

    using platform::TableCellView::TableCellView;

    const URLAttributedStringParser urlAttributedStringParser;
    std::shared_ptr<urlTemplateData> currentTemplateData;
    // The template's texts when the cell was configured.
    std::string currentURL;
    std::string currentTitle;

    std::weak_ptr<CustomTextField> textfieldTitle;
    std::weak_ptr<CustomTextField> textfieldURL;

    void configure(const std::shared_ptr<urlTemplateData>& templateData);
};

class ConfigViewControllerURLTemplates : public platform::ViewController,
                                         public platform::TableViewDataSource,
                                         public platform::TableViewDelegate {
public:
    static constexpr const char* sceneIdentifier = "ConfigViewControllerURLTemplates";
    static constexpr const char* helpFile = "help_URLTemplates.md";

    ConfigViewControllerURLTemplates();

    std::weak_ptr<platform::TableView> tableviewURLTemplates;
    std::shared_ptr<CustomMarkdownTextView> markdownTextview;
    std::weak_ptr<platform::SegmentedControl> actionButtons;

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // Segment 0 adds a template, segment 1 removes the selected one.
    void actionButtonsClick(const std::shared_ptr<platform::Object>& sender);
    void addTemplate();
    void removeSelectedTemplate();

    long numberOfRowsInTableView(platform::TableView& tableView) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
};

}  // namespace frelt
