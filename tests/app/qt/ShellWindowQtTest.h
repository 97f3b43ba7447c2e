#pragma once
// A fixture for tests of one of the program's windows on the Qt backend
// (offscreen): the shell's resources in place, the workspace recording what
// is opened, and the window of `Kind` closed after each test. Also what the
// window system shows of a widget, against the widget painted whole, for
// tests that what is painted piecemeal leaves nothing behind.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "support/qt/QtTestSupport.h"

template <frelt::FreltWindowEnum Kind>
class ShellWindowQtTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        frelt::registerInterfaceResources();
    }
    void TearDown() override {
        if (frelt::FreltWindow::registeredWindowController(Kind)) frelt::FreltWindow::closeWindow(Kind);
        QtKitTest::TearDown();
    }

    // What the window system has of the window.
    static QImage onScreen(QWidget* widget) {
        return QGuiApplication::primaryScreen()->grabWindow(widget->winId()).toImage().convertToFormat(
            QImage::Format_RGB32);
    }
    // The window painted whole, as a fresh expose paints it.
    static QImage repaintedWhole(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};
