#include "platform/qt/QtModalPresenter.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <map>

#include "platform/appkit/Alert.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/SavePanel.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtKitBackend.h"
#include "platform/qt/QtNativeWindow.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

QPointer<QMenu>& currentMenu() {
    static QPointer<QMenu> menu;
    return menu;
}

QWidget* keyWindowWidget() {
    auto key = Application::shared()->keyWindow();
    return key ? QtKitBackend::widgetOf(*key) : nullptr;
}

// --- file panels

// Greys out what the panel's delegate does not enable.
class EnabledByDelegate : public QSortFilterProxyModel {
public:
    EnabledByDelegate(SavePanel& panel, std::shared_ptr<OpenSavePanelDelegate> delegate)
        : panel_(panel), delegate_(std::move(delegate)) {}

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QSortFilterProxyModel::flags(index);
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files || !delegate_) return f;
        const std::string path = fromQString(files->filePath(mapToSource(index)));
        if (!delegate_->panelShouldEnableURL(panel_, URL::fileURL(path)))
            f &= ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return f;
    }

private:
    SavePanel& panel_;
    std::shared_ptr<OpenSavePanelDelegate> delegate_;
};

// Asks the delegate to validate the choice before the dialog closes; a
// refused choice keeps it open and says why.
class PanelDialog : public QFileDialog {
public:
    PanelDialog(SavePanel& panel, QWidget* parent) : QFileDialog(parent), panel_(panel) {}

    void accept() override {
        if (auto delegate = panel_.delegate()) {
            for (const QString& file : selectedFiles()) {
                std::string error;
                if (delegate->panelValidateURL(panel_, URL::fileURL(fromQString(file)), error)) continue;
                auto* message = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                                toQString(error.empty() ? "This location cannot be chosen." : error),
                                                QMessageBox::Ok, this);
                message->setAttribute(Qt::WA_DeleteOnClose);
                message->open();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    SavePanel& panel_;
};

PanelAnswer runPanel(SavePanel& panel, OpenPanel* open) {
    PanelDialog dialog(panel, keyWindowWidget());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    const std::string title = panel.title().empty() ? panel.message() : panel.title();
    if (!title.empty()) dialog.setWindowTitle(toQString(title));
    if (!panel.prompt().empty()) dialog.setLabelText(QFileDialog::Accept, toQString(panel.prompt()));
    if (!panel.nameFieldLabel().empty()) dialog.setLabelText(QFileDialog::FileName, toQString(panel.nameFieldLabel()));
    if (!panel.directoryURL().isEmpty()) dialog.setDirectory(toQString(panel.directoryURL().path()));
    dialog.setOption(QFileDialog::ReadOnly, !panel.canCreateDirectories());
    if (panel.showsHiddenFiles()) dialog.setFilter(dialog.filter() | QDir::Hidden);
    QStringList patterns;
    for (const auto& type : panel.allowedFileTypes())
        if (!type.empty() && type.find('.') == std::string::npos) patterns << QStringLiteral("*.") + toQString(type);
    if (!patterns.isEmpty()) dialog.setNameFilter(QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' '))));
    if (open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (open->canChooseDirectories() && !open->canChooseFiles()) {
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly, true);
        } else {
            dialog.setFileMode(open->allowsMultipleSelection() ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        }
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!panel.nameFieldStringValue().empty()) dialog.selectFile(toQString(panel.nameFieldStringValue()));
    }
    if (auto delegate = panel.delegate()) dialog.setProxyModel(new EnabledByDelegate(panel, delegate));

    // Files and folders both: the dialog opens a file (a folder opened with
    // it is entered), and a button of its own takes the folder highlighted,
    // or the one shown.
    QString chosenFolder;
    if (open && open->canChooseDirectories() && open->canChooseFiles()) {
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* folderButton = buttons->addButton(QStringLiteral("Choose Folder"), QDialogButtonBox::ActionRole);
            folderButton->setObjectName(QStringLiteral("chooseFolderButton"));
            QObject::connect(folderButton, &QPushButton::clicked, &dialog, [&dialog, &chosenFolder] {
                const QStringList selected = dialog.selectedFiles();
                const QFileInfo highlighted(selected.isEmpty() ? QString() : selected.front());
                chosenFolder = highlighted.isDir() ? highlighted.absoluteFilePath() : dialog.directory().absolutePath();
                static_cast<QDialog&>(dialog).done(QDialog::Accepted);
            });
        }
    }

    auto app = Application::shared();
    bool accepted = false;
    QObject::connect(&dialog, &QDialog::finished, [&](int result) {
        accepted = result == QDialog::Accepted;
        app->stopModal();
    });
    app->runModalSession([&] { dialog.open(); });
    PanelAnswer answer;
    if (!accepted) return answer;
    answer.response = modalresponse::ok;
    if (!chosenFolder.isEmpty()) {
        answer.urls.push_back(URL::fileURL(fromQString(chosenFolder), true));
        return answer;
    }
    for (const QString& file : dialog.selectedFiles()) answer.urls.push_back(URL::fileURL(fromQString(file)));
    return answer;
}

// --- menus

struct MenuChoice {
    std::shared_ptr<MenuItem> chosen;
    bool closed = false;
};

void fillMenu(QMenu& qmenu, Menu& menu, MenuChoice& choice, std::map<const MenuItem*, QAction*>& actions) {
    for (const auto& item : menu.items()) {
        if (item->isHidden()) continue;
        if (item->isSeparatorItem()) {
            qmenu.addSeparator();
            continue;
        }
        QString title = toQString(item->title());
        title.replace(QLatin1Char('&'), QLatin1String("&&"));
        if (auto submenu = item->submenu()) {
            QMenu* sub = qmenu.addMenu(title);
            fillMenu(*sub, *submenu, choice, actions);
            sub->setEnabled(item->isEnabled());
            actions[item.get()] = sub->menuAction();
            continue;
        }
        QAction* action = qmenu.addAction(title);
        action->setEnabled(item->isEnabled());
        if (item->state() != ControlStateValue::off) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (auto image = item->image()) action->setIcon(iconOfImage(*image));
        else if (!item->imageName().empty())
            if (auto named = Image::imageNamed(item->imageName())) action->setIcon(iconOfImage(*named));
        if (!item->toolTip().empty()) action->setToolTip(toQString(item->toolTip()));
        std::weak_ptr<MenuItem> weak = item;
        QObject::connect(action, &QAction::triggered, [&choice, weak] { choice.chosen = weak.lock(); });
        actions[item.get()] = action;
    }
}

}  // namespace

AlertAnswer QtModalPresenter::runAlert(Alert& alert) {
    QMessageBox box(keyWindowWidget());
    box.setWindowModality(Qt::ApplicationModal);
    switch (alert.alertStyle()) {
        case AlertStyle::informational: box.setIcon(QMessageBox::Information); break;
        case AlertStyle::warning: box.setIcon(QMessageBox::Warning); break;
        case AlertStyle::critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (auto icon = alert.icon()) box.setIconPixmap(pixmapOfImage(*icon, QSizeF(64, 64), box.devicePixelRatioF()));
    box.setText(toQString(alert.messageText()));
    box.setInformativeText(toQString(alert.informativeText()));
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < alert.buttons().size(); ++i) {
        const auto& b = alert.buttons()[i];
        const bool escape = b->keyEquivalent() == "\x1b";
        const auto role = i == 0 ? QMessageBox::AcceptRole : escape ? QMessageBox::RejectRole : QMessageBox::ActionRole;
        QPushButton* q = box.addButton(toQString(b->title()), role);
        buttons.push_back(q);
        if (escape) box.setEscapeButton(q);
    }
    if (!buttons.empty()) box.setDefaultButton(buttons.front());
    if (buttons.size() == 1) box.setEscapeButton(buttons.front());
    QCheckBox* suppression = nullptr;
    if (alert.showsSuppressionButton()) {
        auto button = alert.suppressionButton();
        suppression = new QCheckBox(toQString(button->title()));
        suppression->setChecked(button->state() == ControlStateValue::on);
        box.setCheckBox(suppression);
    }

    auto app = Application::shared();
    std::optional<std::size_t> clicked;
    QObject::connect(&box, &QMessageBox::buttonClicked, [&](QAbstractButton* b) {
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i] == b) clicked = i;
    });
    QObject::connect(&box, &QDialog::finished, [&] { app->stopModal(); });
    app->runModalSession([&] { box.open(); });
    AlertAnswer answer;
    answer.response = clicked ? Alert::responseForButton(*clicked) : modalresponse::cancel;
    if (suppression) answer.suppressionChecked = suppression->isChecked();
    return answer;
}

PanelAnswer QtModalPresenter::runOpenPanel(OpenPanel& panel) { return runPanel(panel, &panel); }
PanelAnswer QtModalPresenter::runSavePanel(SavePanel& panel) { return runPanel(panel, nullptr); }

QMenu* QtModalPresenter::shownMenu() { return currentMenu(); }

std::shared_ptr<MenuItem> QtModalPresenter::popUpMenu(Menu& menu, const std::shared_ptr<MenuItem>& positioningItem,
                                                      Point location, const std::shared_ptr<View>& view) {
    // Shared with the deferred close, which a run ended early would outlive.
    auto choice = std::make_shared<MenuChoice>();
    std::map<const MenuItem*, QAction*> actions;
    QMenu qmenu(keyWindowWidget());
    if (menu.minimumWidth() > 0) qmenu.setMinimumWidth(int(menu.minimumWidth()));
    fillMenu(qmenu, menu, *choice, actions);
    // Where: a point in the view's window, or on the screen.
    Point global = location;
    if (view) {
        if (auto window = view->window()) {
            const Point inWindow = view->convertPointToWindow(location);
            global = window->frame().origin + inWindow;
        }
    }
    QAction* at = nullptr;
    if (positioningItem)
        if (auto it = actions.find(positioningItem.get()); it != actions.end()) at = it->second;
    // The choice is made when the action triggers, just after the menu hid:
    // the run ends on the next turn, when both have been heard.
    QObject::connect(&qmenu, &QMenu::aboutToHide, [choice] {
        QTimer::singleShot(0, [choice] { choice->closed = true; });
    });
    QPointer<QMenu> outer = currentMenu();
    currentMenu() = &qmenu;
    qmenu.popup(QPoint(int(std::lround(global.x)), int(std::lround(global.y))), at);
    RunLoop::main().run(RunLoopMode::eventTracking, [choice] { return choice->closed; });
    currentMenu() = outer;
    return choice->chosen;
}

}  // namespace platform::qt
