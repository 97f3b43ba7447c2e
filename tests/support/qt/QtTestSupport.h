#pragma once
// The fixture of the tests that link the Qt backend: the program's fixture
// (temporary home, reset single instances, captured logs) with the desktop
// installed on Qt and the real clock (Qt's event loop does the waiting).
// Pictures are drawn with the Fusion style, its standard palette and DejaVu
// Sans, so they look the same on every machine with the project's packages.

#include <QImage>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "support/FreltTest.h"

namespace platform {
class Window;
}

class QWidget;

class QtKitTest : public FreltTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the kit's run loop (Qt's events included) until `condition`
    // holds; false when `timeout` passed first.
    static bool runUntil(const std::function<bool()>& condition,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Lets Qt deliver what is pending (paints, deferred deletions).
    static void settle();
    // The widget showing a kit window.
    static QWidget* widgetOf(platform::Window& window);
};

// The tests that need Qt on an X server (the xcb platform): elsewhere they
// say why they skip. ctest runs them as test_platform_qt_x11 on Xvfb.
class QtX11KitTest : public QtKitTest {
protected:
    void SetUp() override;
};

// How far two pictures may differ: a pixel differs when a channel differs
// by more than `channel`; up to the fraction `pixels` of them may differ.
// The default suits whole windows; pictures of shapes can ask for less.
struct PictureTolerance {
    int channel = 24;
    double pixels = 0.005;
};

// Picture comparison against <folder>/<name>.png, the folder given from the
// root of the source tree ("tests/platform/qt/pictures"). With
// FRELT_UPDATE_PICTURES=1 in the environment the picture is written there
// instead (look at it before checking it in). A mismatch writes the actual
// picture and a difference map into the working folder and says where.
::testing::AssertionResult matchesPicture(const QImage& actual, const std::string& folder, const std::string& name,
                                          PictureTolerance tolerance = {});
// The same comparison between two pictures drawn by the test; `name` names
// the files a mismatch writes.
::testing::AssertionResult matchesImage(const QImage& actual, const QImage& expected, const std::string& name,
                                        PictureTolerance tolerance = {});
