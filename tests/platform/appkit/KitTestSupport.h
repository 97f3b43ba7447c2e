#pragma once
// Small recording kit objects shared by the kit's tests.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Popover.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"

namespace kittest {

using Calls = std::vector<std::string>;

// A view controller that writes its life-cycle calls as "<name>.<call>".
class RecordingViewController : public platform::ViewController {
public:
    RecordingViewController(std::string name, std::shared_ptr<Calls> calls, platform::Size size = {200, 100})
        : name_(std::move(name)), calls_(std::move(calls)) {
        setPreferredContentSize(size);
    }
    void viewDidLoad() override { calls_->push_back(name_ + ".viewDidLoad"); }
    void viewWillAppear() override { calls_->push_back(name_ + ".viewWillAppear"); }
    void viewDidAppear() override { calls_->push_back(name_ + ".viewDidAppear"); }
    void viewWillDisappear() override { calls_->push_back(name_ + ".viewWillDisappear"); }
    void viewDidDisappear() override { calls_->push_back(name_ + ".viewDidDisappear"); }

private:
    std::string name_;
    std::shared_ptr<Calls> calls_;
};

// A view whose answers to the first-responder questions are set by the test;
// it records its key and mouse events.
class ResponderView : public platform::View {
public:
    ResponderView(std::string name, std::shared_ptr<Calls> calls, platform::Rect frame = platform::Rect(0, 0, 100, 30))
        : View(frame), name_(std::move(name)), calls_(std::move(calls)) {}

    bool accepts = true;
    bool agreesToBecome = true;
    bool agreesToResign = true;

    bool acceptsFirstResponder() override { return accepts; }
    bool becomeFirstResponder() override {
        calls_->push_back(name_ + ".become");
        return agreesToBecome;
    }
    bool resignFirstResponder() override {
        calls_->push_back(name_ + ".resign");
        return agreesToResign;
    }
    void keyDown(const platform::Event& e) override { calls_->push_back(name_ + ".keyDown " + e.characters); }
    void flagsChanged(const platform::Event& e) override {
        calls_->push_back(name_ + ".flagsChanged " + std::to_string(e.modifierFlags));
    }
    void mouseDown(const platform::Event&) override { calls_->push_back(name_ + ".mouseDown"); }
    void mouseEntered(const platform::Event&) override { calls_->push_back(name_ + ".mouseEntered"); }
    void mouseExited(const platform::Event&) override { calls_->push_back(name_ + ".mouseExited"); }
    // Lets a test give the view an action.
    void answer(const platform::Selector& action) {
        registerAction(action, [this, action](const std::shared_ptr<platform::Object>&) {
            calls_->push_back(name_ + " " + action);
        });
    }

private:
    std::string name_;
    std::shared_ptr<Calls> calls_;
};

class RecordingPopoverDelegate : public platform::PopoverDelegate {
public:
    explicit RecordingPopoverDelegate(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    bool shouldClose = true;
    bool shouldDetach = false;

    void popoverWillShow(const platform::Notification&) override { calls_->push_back("popoverWillShow"); }
    void popoverDidShow(const platform::Notification&) override { calls_->push_back("popoverDidShow"); }
    bool popoverShouldDetach(const std::shared_ptr<platform::Popover>&) override {
        calls_->push_back("popoverShouldDetach");
        return shouldDetach;
    }
    void popoverDidDetach(const std::shared_ptr<platform::Popover>&) override { calls_->push_back("popoverDidDetach"); }
    bool popoverShouldClose(const std::shared_ptr<platform::Popover>&) override {
        calls_->push_back("popoverShouldClose");
        return shouldClose;
    }
    void popoverWillClose(const platform::Notification&) override { calls_->push_back("popoverWillClose"); }
    void popoverDidClose(const platform::Notification&) override { calls_->push_back("popoverDidClose"); }

private:
    std::shared_ptr<Calls> calls_;
};

}  // namespace kittest
