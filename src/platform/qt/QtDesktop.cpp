#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QIcon>
#include <QMimeData>
#include <QPalette>
#include <QPixmapCache>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTextLayout>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "platform/appkit/Application.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/Screen.h"
#include "platform/appkit/StatusItem.h"
#include "platform/appkit/SystemColors.h"
#include "platform/foundation/Memory.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Font.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtKitBackend.h"
#include "platform/qt/QtMime.h"
#include "platform/qt/QtModalPresenter.h"
#include "platform/qt/QtRunLoopBackend.h"
#include "platform/qt/QtText.h"
#include "platform/qt/X11WindowHints.h"

namespace platform::qt {

namespace {

constexpr int windowIconDelayMs = 500;

struct Desktop {
    std::shared_ptr<QtRunLoopBackend> runLoop;
    std::shared_ptr<QtKitBackend> kit;
    std::shared_ptr<QtModalPresenter> presenter;
    bool pushScheduled = false;
    bool pushing = false;
};

enum class ClipboardPull { now, onFirstTurnOfTheLoop };
void attach(ClipboardPull clipboard);

Desktop*& desktop() {
    static Desktop* d = nullptr;
    return d;
}

std::vector<ScreenDescription> screensNow() {
    std::vector<ScreenDescription> out;
    QList<QScreen*> screens = QGuiApplication::screens();
    // The primary screen first: the kit's main screen without a key window.
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.removeAll(primary);
        screens.prepend(primary);
    }
    for (QScreen* s : screens) {
        const QRect g = s->geometry(), a = s->availableGeometry();
        out.push_back({Rect(g.x(), g.y(), g.width(), g.height()), Rect(a.x(), a.y(), a.width(), a.height()),
                       fromQString(s->name()), s->devicePixelRatio()});
    }
    return out;
}

Color::RGBA rgba(const QColor& c) { return {c.redF(), c.greenF(), c.blueF(), c.alphaF()}; }

void applyPalette() {
    const QPalette p = QApplication::palette();
    const bool dark = p.color(QPalette::Window).lightness() < 128;
    const AppearanceName appearance = dark ? appearance::darkAqua : appearance::aqua;
    Application::shared()->setSystemAppearance(appearance);
    auto put = [&](const char* name, QPalette::ColorRole role) {
        systemcolors::set(name, appearance, rgba(p.color(QPalette::Active, role)));
    };
    put("controlAccentColor", QPalette::Highlight);
    put("selectedContentBackgroundColor", QPalette::Highlight);
    put("alternateSelectedControlTextColor", QPalette::HighlightedText);
    put("selectedMenuItemTextColor", QPalette::HighlightedText);
    put("windowBackgroundColor", QPalette::Window);
    put("textBackgroundColor", QPalette::Base);
    put("controlBackgroundColor", QPalette::Base);
    put("textColor", QPalette::Text);
    put("placeholderTextColor", QPalette::PlaceholderText);
    put("linkColor", QPalette::Link);
    QColor selection = p.color(QPalette::Active, QPalette::Highlight);
    selection.setAlphaF(0.35f);
    systemcolors::set("selectedTextBackgroundColor", appearance, rgba(selection));
}

void pushClipboard() {
    auto* d = desktop();
    d->pushScheduled = false;
    auto general = Pasteboard::general();
    d->pushing = true;
    QGuiApplication::clipboard()->setMimeData(mimeDataOf(general->items()).release());
    d->pushing = false;
}

void pullClipboard() {
    auto* d = desktop();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (d->pushing || clipboard->ownsClipboard()) return;
    const QMimeData* mime = clipboard->mimeData();
    Pasteboard::general()->replaceItemsFromDesktop(mime ? itemsOf(*mime) : std::vector<std::shared_ptr<PasteboardItem>>{});
}

void watchScreen(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, [] { Screen::setScreens(screensNow()); });
    QObject::connect(screen, &QScreen::availableGeometryChanged, [] { Screen::setScreens(screensNow()); });
}

// Waits for one paint of its widget (its parent, so it goes with it), then
// reports once the picture has been handed on.
class PaintWatcher : public QObject {
public:
    PaintWatcher(QWidget* widget, std::function<void()> painted) : QObject(widget), painted_(std::move(painted)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The paint event runs after this filter and the picture goes to
            // the window system at the end of the same repaint: report after.
            QTimer::singleShot(0, qApp, std::move(painted_));
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> painted_;
};

// Palette changes arrive as an event of the application.
class PaletteWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) applyPalette();
        return false;
    }
};

}  // namespace

bool desktopInstalled() { return desktop() != nullptr; }

void setApplicationIdentity(const std::string& desktopEntryName, const std::shared_ptr<Image>& fallback) {
    const QString name = QString::fromStdString(desktopEntryName);
    QGuiApplication::setDesktopFileName(name);
    // The icon comes a moment after the start: looking it up in the theme
    // reads the theme's folders, which nothing at the start needs (Qt gives
    // windows already shown the icon as it arrives).
    QTimer::singleShot(windowIconDelayMs, qApp, [name, fallback] {
        QIcon icon = QIcon::fromTheme(name);
        if (icon.isNull() && fallback) icon = iconOfImage(*fallback);
        if (!icon.isNull()) QApplication::setWindowIcon(icon);
    });
}

std::uint32_t x11WindowId(Window& window) {
    QWidget* widget = QtKitBackend::widgetOf(window);
    if (!widget || QGuiApplication::platformName() != QLatin1String("xcb")) return 0;
    return static_cast<std::uint32_t>(widget->winId());
}

void requestActivation(Window& window, std::uint32_t userTime) {
    QWidget* widget = QtKitBackend::widgetOf(window);
    if (!widget || !widget->windowHandle() || !x11::available()) return;
    x11::requestActivation(*widget->windowHandle(), userTime);
}

void returnFreedMemorySoon() {
    static bool pending = false;
    if (pending || !qApp) return;
    pending = true;
    QTimer::singleShot(0, qApp, [] {
        pending = false;
        QPixmapCache::clear();
        memory::returnFreedMemory();
    });
}

void prepareTextDrawing() {
    if (!qApp) return;
    QFont bold = QApplication::font();
    bold.setBold(true);
    for (const QFont& font : {QApplication::font(), bold}) {
        QTextLayout layout(QStringLiteral("Search 0123456789"), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
    }
}

void afterNextPaint(Window& window, std::function<void()> painted) {
    if (QWidget* widget = QtKitBackend::widgetOf(window)) new PaintWatcher(widget, std::move(painted));
}

void installDesktop(int& argc, char** argv) {
    if (desktop()) {
        attachDesktop();
        return;
    }
    if (!QApplication::instance()) {
        // Lives as long as the process: windows and the tray belong to it.
        new QApplication(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    auto* d = new Desktop;
    desktop() = d;
    d->runLoop = std::make_shared<QtRunLoopBackend>();
    d->kit = std::make_shared<QtKitBackend>(d->runLoop);
    d->presenter = std::make_shared<QtModalPresenter>();

    for (QScreen* s : QGuiApplication::screens()) watchScreen(s);
    QObject::connect(qApp, &QGuiApplication::screenAdded, [](QScreen* s) {
        watchScreen(s);
        Screen::setScreens(screensNow());
    });
    QObject::connect(qApp, &QGuiApplication::screenRemoved, [] { Screen::setScreens(screensNow()); });
    QObject::connect(qApp, &QGuiApplication::primaryScreenChanged, [] { Screen::setScreens(screensNow()); });
    qApp->installEventFilter(new PaletteWatcher);
    // Another program took the focus: the kit deactivates (transient
    // popovers close, windows that hide on deactivation go).
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState state) {
        auto app = Application::shared();
        if (state != Qt::ApplicationActive && app->isActive())
            app->focusLost([] { return QGuiApplication::applicationState() != Qt::ApplicationActive; });
    });
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [] { pullClipboard(); });
    attach(ClipboardPull::onFirstTurnOfTheLoop);
}

void attachDesktop() { attach(ClipboardPull::now); }

namespace {

void attach(ClipboardPull clipboard) {
    auto* d = desktop();
    if (!d) return;
    RunLoop::main().setBackend(d->runLoop);
    Application::shared()->setBackend(d->kit);
    ModalPresenter::setCurrent(d->presenter);
    StatusBar::systemStatusBar()->setAvailable(QSystemTrayIcon::isSystemTrayAvailable());
    Screen::setScreens(screensNow());
    applyPalette();
    setBeepHandler([] { QApplication::beep(); });
    Font::setInstalledFontLookup([](std::string_view name) {
        return QFontDatabase::hasFamily(QString::fromUtf8(name.data(), qsizetype(name.size())));
    });
    Pasteboard::general()->setChangeHandler([](Pasteboard&) {
        auto* desk = desktop();
        if (!desk || desk->pushScheduled) return;
        desk->pushScheduled = true;
        QTimer::singleShot(0, qApp, [] { pushClipboard(); });
    });
    // Reading the desktop's clipboard asks its owner and loads Qt's image
    // plugins to name the formats: a start leaves that to the loop's first
    // turn, before any input of the user is handled.
    if (clipboard == ClipboardPull::now)
        pullClipboard();
    else
        QTimer::singleShot(0, qApp, [] { pullClipboard(); });
}

}  // namespace

}  // namespace platform::qt
