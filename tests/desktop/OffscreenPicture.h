#pragma once
// What the picture tools share: the desktop backend set up offscreen with
// the program's icons, images and scenes, and a picture of a kit window as
// the backend draws it.

#include <QImage>
#include <QWidget>

#include <cstdlib>
#include <string>

#include "app/InterfaceResources.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "platform/linux/GioWorkspace.h"
#include "platform/qt/IconTheme.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"
#include "sources/icons/IconImages.h"

namespace offscreenpicture {

inline void setUp(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::qt::installDesktop(argc, argv);
    platform::installDesktopWorkspace();
    platform::qt::installIcons();
    frelt::installNamedImages();
    frelt::registerInterfaceResources();
}

inline void pump() {
    for (int i = 0; i < 5; ++i) platform::RunLoop::main().runUntilIdle();
}

// Writes the window as PNG once pending work has run; false without a
// window or when the file cannot be written.
inline bool picture(platform::Window* window, const std::string& path) {
    pump();
    QWidget* widget = window ? platform::qt::QtKitBackend::widgetOf(*window) : nullptr;
    if (!widget) return false;
    QImage frame(widget->size() * widget->devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(widget->devicePixelRatioF());
    frame.fill(Qt::transparent);
    widget->render(&frame);
    return frame.save(QString::fromStdString(path), "PNG");
}

}  // namespace offscreenpicture
