#include "platform/appkit/Screen.h"

#include "platform/appkit/Application.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
struct ScreenList {
    std::vector<std::shared_ptr<Screen>> screens;
};

std::shared_ptr<ScreenList> screenList() {
    return singleInstance<ScreenList>([] {
        auto list = std::make_shared<ScreenList>();
        ScreenDescription d;
        d.frame = Rect(0, 0, 1920, 1080);
        d.visibleFrame = Rect(0, 25, 1920, 1055);
        d.localizedName = "Headless";
        list->screens.push_back(std::make_shared<Screen>(d));
        return list;
    });
}
}  // namespace

std::vector<std::shared_ptr<Screen>> Screen::screens() { return screenList()->screens; }

std::shared_ptr<Screen> Screen::mainScreen() {
    if (auto key = Application::shared()->keyWindow()) {
        if (auto s = screenForRect(key->frame())) return s;
    }
    auto all = screens();
    return all.empty() ? nullptr : all.front();
}

std::shared_ptr<Screen> Screen::screenWithMouse() {
    const Point mouse = Event::mouseLocation();
    for (auto& s : screens())
        if (s->frame().contains(mouse)) return s;
    return nullptr;
}

std::shared_ptr<Screen> Screen::screenForRect(const Rect& rect) {
    std::shared_ptr<Screen> best;
    double bestArea = 0;
    for (auto& s : screens()) {
        const Rect i = s->frame().intersection(rect);
        const double area = i.width() * i.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    return best;
}

void Screen::setScreens(const std::vector<ScreenDescription>& descriptions) {
    auto list = screenList();
    list->screens.clear();
    for (auto& d : descriptions) list->screens.push_back(std::make_shared<Screen>(d));
    NotificationCenter::defaultCenter().post(applicationnotification::didChangeScreenParameters);
}

}  // namespace platform
