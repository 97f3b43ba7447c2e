#include "support/qt/QtUserInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/qt/QtKitBackend.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtModalPresenter.h"
#include "platform/qt/QtNativeWindow.h"

namespace userinput {

namespace {

// The QWindow showing a kit window, and a content point in its coordinates.
struct Target {
    QWindow* window = nullptr;
    QPoint point;
};

Target target(platform::Window& window, Point at = {}) {
    auto* widget = dynamic_cast<platform::qt::WindowWidget*>(platform::qt::QtKitBackend::widgetOf(window));
    if (!widget || !widget->windowHandle() || !widget->isVisible())
        throw std::logic_error("input for a window that the Qt backend does not show");
    const platform::EdgeInsets e = widget->insets();
    return {widget->windowHandle(), QPoint(int(std::lround(at.x + e.left)), int(std::lround(at.y + e.top)))};
}

void mouse(QTest::MouseAction action, platform::Window& window, Point at, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers) {
    const Target t = target(window, at);
    QTest::mouseEvent(action, t.window, button, modifiers, t.point);
}

const char shiftedDigits[] = ")!@#$%^&*(";

}  // namespace

Point centreOf(const platform::View& view) {
    const platform::Rect b = view.bounds();
    return view.convertPointToWindow(Point{b.midX(), b.midY()});
}

void press(platform::Window& window, Point at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    mouse(QTest::MousePress, window, at, button, modifiers);
}

void release(platform::Window& window, Point at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    mouse(QTest::MouseRelease, window, at, button, modifiers);
}

void moveTo(platform::Window& window, Point at, Qt::KeyboardModifiers modifiers) {
    mouse(QTest::MouseMove, window, at, Qt::NoButton, modifiers);
}

void click(platform::Window& window, Point at, Qt::KeyboardModifiers modifiers) {
    mouse(QTest::MouseClick, window, at, Qt::LeftButton, modifiers);
}

void click(const platform::View& view, Qt::KeyboardModifiers modifiers) {
    auto window = view.window();
    if (!window) throw std::logic_error("a click on a view outside any window");
    click(*window, centreOf(view), modifiers);
}

void doubleClick(platform::Window& window, Point at) {
    mouse(QTest::MouseDClick, window, at, Qt::LeftButton, Qt::NoModifier);
}

void rightClick(platform::Window& window, Point at) {
    mouse(QTest::MouseClick, window, at, Qt::RightButton, Qt::NoModifier);
}

void drag(platform::Window& window, Point from, Point to, int steps) {
    press(window, from);
    for (int i = 1; i <= steps; ++i) {
        const double f = double(i) / steps;
        moveTo(window, Point{from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    }
    release(window, to);
}

QString textOf(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (ctrl) return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        const char c = char('a' + (key - Qt::Key_A));
        return QString(QChar::fromLatin1(shift ? char(c - 'a' + 'A') : c));
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        const int digit = key - Qt::Key_0;
        return QString(QChar::fromLatin1(shift && !ctrl ? shiftedDigits[digit] : char('0' + digit)));
    }
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return QStringLiteral("\r");
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return QStringLiteral("\t");
        case Qt::Key_Escape: return QStringLiteral("\x1b");
        case Qt::Key_Backspace: return QStringLiteral("\b");
        case Qt::Key_Delete: return QStringLiteral("\x7f");
        case Qt::Key_Space: return QStringLiteral(" ");
        default: break;
    }
    // Printable ASCII keys are their own character in Qt's key codes.
    if (key > Qt::Key_Space && key <= Qt::Key_AsciiTilde && !ctrl) return QString(QChar(char16_t(key)));
    return {};
}

void key(platform::Window& window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    userinput::key(window, key, modifiers, textOf(key, modifiers));
}

void key(platform::Window& window, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    // Shift+Tab arrives as Backtab, as from every X server.
    if (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier)) key = Qt::Key_Backtab;
    QPointer<QWindow> w = target(window).window;
    QTest::sendKeyEvent(QTest::Press, w, key, text, modifiers);
    // The press may have closed the window; its keys come up elsewhere then.
    if (w) QTest::sendKeyEvent(QTest::Release, w, key, text, modifiers);
}

bool dropFiles(platform::Window& window, Point at, const std::vector<std::string>& paths) {
    const Target t = target(window, at);
    QMimeData mime;
    QList<QUrl> urls;
    for (const auto& path : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    mime.setUrls(urls);
    // A file manager offers copy, move and link; the destination chooses.
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(t.point, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(t.window, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(t.point, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(t.window, &move);
    if (!move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(t.window, &leave);
        return false;
    }
    QDropEvent drop(t.point, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(t.window, &drop);
    return drop.isAccepted();
}

void type(platform::Window& window, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        Qt::Key k;
        if (u >= 'a' && u <= 'z') {
            k = Qt::Key(Qt::Key_A + (u - 'a'));
        } else if (u >= 'A' && u <= 'Z') {
            k = Qt::Key(Qt::Key_A + (u - 'A'));
            modifiers = Qt::ShiftModifier;
        } else if (u >= 0x20 && u < 0x7f) {
            // Digits and punctuation: Qt's key is the character; a shifted
            // one comes with Shift held.
            k = Qt::Key(u);
            if (QByteArrayView("~!@#$%^&*()_+{}|:\"<>?").contains(char(u))) modifiers = Qt::ShiftModifier;
        } else {
            throw std::invalid_argument("type() types printable ASCII only");
        }
        key(window, k, modifiers, QString(c));
    }
}

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

class WatchingAnswer : public ModalAnswer {
public:
    // `act` answers true once it has answered.
    explicit WatchingAnswer(std::function<bool()> act) {
        timer_ = platform::Timer::make(std::chrono::milliseconds(20), true, [this, act](platform::Timer& timer) {
            if (done_ || !act()) return;
            done_ = true;
            timer.invalidate();
        });
        platform::RunLoop::main().addTimer(timer_, platform::RunLoopMode::common);
    }
    ~WatchingAnswer() override { timer_->invalidate(); }
    bool done() const override { return done_; }

private:
    std::shared_ptr<platform::Timer> timer_;
    bool done_ = false;
};

QAction* actionTitled(QMenu& menu, const QString& title) {
    for (QAction* action : menu.actions())
        if (plain(action->text()) == title) return action;
    return nullptr;
}

}  // namespace

std::shared_ptr<ModalAnswer> chooseInMenu(const QString& title) {
    const QStringList path = title.split(QLatin1Char('/'));
    auto step = std::make_shared<int>(0);
    return std::make_shared<WatchingAnswer>([path, step, title]() -> bool {
        QMenu* menu = platform::qt::QtModalPresenter::shownMenu();
        if (!menu || !menu->isVisible()) return false;
        // Down the submenus opened so far.
        for (int i = 0; i < *step; ++i) {
            QAction* opened = actionTitled(*menu, path[i]);
            if (!opened || !opened->menu() || !opened->menu()->isVisible()) return false;
            menu = opened->menu();
        }
        if (title.isEmpty()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return true;
        }
        QAction* action = actionTitled(*menu, path[*step]);
        if (!action) {
            QStringList shown;
            for (QAction* a : menu->actions()) shown << plain(a->text());
            ADD_FAILURE() << "no menu item \"" << path[*step].toStdString() << "\" among: "
                          << shown.join(", ").toStdString();
            QTest::keyClick(menu, Qt::Key_Escape);
            return true;
        }
        const QPoint at = menu->actionGeometry(action).center();
        QTest::mouseMove(menu, at);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
        return ++*step == path.size();
    });
}

std::shared_ptr<ModalAnswer> chooseInMenuAt(int index) {
    return std::make_shared<WatchingAnswer>([index]() -> bool {
        QMenu* menu = platform::qt::QtModalPresenter::shownMenu();
        if (!menu || !menu->isVisible()) return false;
        if (index < 0 || index >= menu->actions().size()) {
            ADD_FAILURE() << "no menu item at " << index << " of " << menu->actions().size();
            QTest::keyClick(menu, Qt::Key_Escape);
            return true;
        }
        const QPoint at = menu->actionGeometry(menu->actions()[index]).center();
        QTest::mouseMove(menu, at);
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, at);
        return true;
    });
}

std::shared_ptr<ModalAnswer> answerFileDialog(const QString& path) {
    return std::make_shared<WatchingAnswer>([path]() -> bool {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
        if (!dialog) return false;
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (path.isEmpty() || !name) {
            if (!path.isEmpty()) ADD_FAILURE() << "the file dialog has no name field";
            QTest::keyClick(dialog, Qt::Key_Escape);
            return true;
        }
        // The path arrives as one piece of typed text (as an input method or
        // a paste gives it): typed key by key, the dialog's completion would
        // take it apart on the way.
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::sendKeyEvent(QTest::Press, name, Qt::Key_unknown, path, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, name, Qt::Key_unknown, path, Qt::NoModifier);
        QTest::keyClick(name, Qt::Key_Return);
        // A dialog for files and folders enters a folder on Return; its own
        // button then takes the folder shown.
        if (dialog->isVisible() && QFileInfo(path).isDir())
            if (auto* choose = dialog->findChild<QPushButton*>(QStringLiteral("chooseFolderButton")))
                QTest::mouseClick(choose, Qt::LeftButton);
        return true;
    });
}

std::shared_ptr<ModalAnswer> pressInMessageBox(const QString& text) {
    return std::make_shared<WatchingAnswer>([text]() -> bool {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return false;
        for (QAbstractButton* button : box->buttons())
            if (plain(button->text()) == text) {
                QTest::mouseClick(button, Qt::LeftButton);
                return true;
            }
        ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in the message box";
        box->reject();
        return true;
    });
}

}  // namespace userinput
