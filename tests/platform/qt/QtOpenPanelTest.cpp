// The open panel on Qt where files and folders may both be chosen: the file
// dialog opens a file, and its "Choose Folder" button takes the folder
// highlighted, or the one shown. Driven through the dialog's own widgets.

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "support/qt/QtTestSupport.h"
#include "platform/appkit/ModalPresenter.h"
#include "platform/appkit/OpenPanel.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

class QtOpenPanelTest : public QtKitTest {
protected:
    // Runs an open panel for files and folders showing `folder`; `act` works
    // the dialog once it shows and its file list has read the folder (which
    // it does on a thread of its own: a file selected before that is not
    // found). A dialog still open after ten seconds is cancelled, so a fault
    // fails the test instead of hanging it.
    PanelAnswer choose(const std::string& folder, const std::function<void(QFileDialog&)>& act) {
        auto panel = OpenPanel::make();
        panel->setCanChooseFiles(true);
        panel->setCanChooseDirectories(true);
        panel->setDirectoryURL(URL::fileURL(root().string(), true));
        QTimer poll;
        poll.setInterval(20);
        QElapsedTimer clock;
        clock.start();
        bool acted = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                if (!dialog || !dialog->isVisible()) continue;
                if (clock.elapsed() > 10000) {
                    poll.stop();
                    ADD_FAILURE() << (acted ? "the dialog stayed open" : "the folder's files never showed");
                    dialog->reject();
                    return;
                }
                if (acted) return;
                const QString shown = QString::fromStdString(folder);
                if (dialog->directory().absolutePath() != shown) dialog->setDirectory(shown);
                auto* files = dialog->findChild<QFileSystemModel*>();
                if (!files || files->rowCount(files->index(shown)) == 0) return;
                acted = true;
                act(*dialog);
                return;
            }
        });
        poll.start();
        return panel->runModal() == modalresponse::ok ? PanelAnswer{modalresponse::ok, panel->URLs()} : PanelAnswer{};
    }
    static void chooseFolder(QFileDialog& dialog) {
        auto* button = dialog.findChild<QPushButton*>(QStringLiteral("chooseFolderButton"));
        ASSERT_TRUE(button) << "no way to choose a folder";
        EXPECT_EQ(button->text(), QStringLiteral("Choose Folder"));
        button->click();
    }
};

TEST_F(QtOpenPanelTest, AFileOrAFolderCanBeChosen) {
    fs::create_directories(root() / "docs/inner");
    std::ofstream(root() / "docs/note.txt") << "x";
    const auto docs = (root() / "docs").string();

    struct Case {
        const char* name;
        std::function<void(QFileDialog&)> act;
        URL expected;
    };
    const Case cases[] = {
        {"the folder shown", [&](QFileDialog& d) { chooseFolder(d); }, URL::fileURL(docs, true)},
        {"the folder highlighted",
         [&](QFileDialog& d) {
             d.selectFile(QStringLiteral("inner"));
             chooseFolder(d);
         },
         URL::fileURL(docs + "/inner", true)},
        {"a file, opened as before",
         [&](QFileDialog& d) {
             d.selectFile(QStringLiteral("note.txt"));
             static_cast<QDialog&>(d).accept();
         },
         URL::fileURL(docs + "/note.txt")},
    };
    for (const auto& c : cases) {
        const auto answer = choose(docs, c.act);
        ASSERT_EQ(answer.response, modalresponse::ok) << c.name;
        ASSERT_EQ(answer.urls.size(), 1u) << c.name;
        EXPECT_EQ(answer.urls.front().path(), c.expected.path()) << c.name;
    }
}

}  // namespace
