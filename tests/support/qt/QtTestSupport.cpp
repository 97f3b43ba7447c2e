#include "support/qt/QtTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <cstdlib>

#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"

using namespace platform;

namespace {

void makeDesktop() {
    if (qt::desktopInstalled()) {
        qt::attachDesktop();
        return;
    }
    static int argc = 1;
    static char name[] = "frelt-qt-test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    qt::installDesktop(argc, argv);
}

}  // namespace

void QtKitTest::SetUp() {
    FreltTest::SetUp();
    manualclock::uninstall();
    makeDesktop();
}

void QtKitTest::TearDown() {
    for (auto& w : Application::shared()->orderedWindows()) w->orderOut();
    settle();
    FreltTest::TearDown();
    settle();
}

void QtX11KitTest::SetUp() {
    QtKitTest::SetUp();
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (platform " << QGuiApplication::platformName().toStdString()
                     << "); ctest runs these as test_platform_qt_x11 on Xvfb";
}

bool QtKitTest::runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    auto timer = Timer::make(std::chrono::duration_cast<Duration>(timeout), false, [&](Timer&) { timedOut = true; });
    RunLoop::main().addTimer(timer, RunLoopMode::common);
    const std::string mode = RunLoop::main().currentMode().empty() ? RunLoopMode::defaultMode : RunLoop::main().currentMode();
    RunLoop::main().run(mode, [&] { return condition() || timedOut || std::chrono::steady_clock::now() >= deadline; });
    timer->invalidate();
    return condition();
}

void QtKitTest::settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

QWidget* QtKitTest::widgetOf(Window& window) { return qt::QtKitBackend::widgetOf(window); }

namespace {

::testing::AssertionResult compare(const QImage& actual, const QImage& expected, const std::string& name,
                                   PictureTolerance tolerance) {
    const QString out = QDir::currentPath() + "/picture-" + QString::fromStdString(name);
    if (expected.size() != actual.size()) {
        actual.save(out + "-actual.png");
        return ::testing::AssertionFailure() << name << ": size " << actual.width() << "x" << actual.height()
                                             << " instead of " << expected.width() << "x" << expected.height()
                                             << "; the picture is at " << (out + "-actual.png").toStdString();
    }
    QImage diff(actual.size(), QImage::Format_ARGB32);
    diff.fill(Qt::white);
    long differing = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                                    std::abs(qBlue(a) - qBlue(e)), std::abs(qAlpha(a) - qAlpha(e))});
            if (d > tolerance.channel) {
                ++differing;
                diff.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    }
    const long total = long(actual.width()) * actual.height();
    if (double(differing) <= tolerance.pixels * double(total)) return ::testing::AssertionSuccess();
    actual.save(out + "-actual.png");
    diff.save(out + "-diff.png");
    return ::testing::AssertionFailure() << name << ": " << differing << " of " << total
                                         << " pixels differ; see " << (out + "-actual.png").toStdString() << " and "
                                         << (out + "-diff.png").toStdString();
}

}  // namespace

::testing::AssertionResult matchesPicture(const QImage& actualImage, const std::string& folder, const std::string& name,
                                          PictureTolerance tolerance) {
    const QString reference =
        QStringLiteral(FRELT_SOURCE_DIR "/") + QString::fromStdString(folder + "/" + name) + ".png";
    const QImage actual = actualImage.convertToFormat(QImage::Format_ARGB32);
    if (const char* update = std::getenv("FRELT_UPDATE_PICTURES"); update && std::string(update) == "1") {
        if (!QDir().mkpath(QFileInfo(reference).path()) || !actual.save(reference))
            return ::testing::AssertionFailure() << "could not write " << reference.toStdString();
        return ::testing::AssertionSuccess() << "updated " << reference.toStdString();
    }
    const QImage expected(reference);
    if (expected.isNull())
        return ::testing::AssertionFailure() << "no reference picture " << reference.toStdString()
                                             << "; make it with FRELT_UPDATE_PICTURES=1 and look at it";
    return compare(actual, expected.convertToFormat(QImage::Format_ARGB32), name, tolerance);
}

::testing::AssertionResult matchesImage(const QImage& actual, const QImage& expected, const std::string& name,
                                        PictureTolerance tolerance) {
    return compare(actual.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32), name,
                   tolerance);
}
