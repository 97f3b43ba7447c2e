#pragma once
// Input as a person gives it, for the tests of windows shown by the Qt
// backend (offscreen platform or Xvfb).
//
// Every press, release, move and key goes in through Qt's window-system
// entry (the one the platform plugin feeds from the X server), at the
// window's QWindow: Qt picks the receiving widget itself (the window widget,
// or the field editor's line edit when the point or the keyboard focus is
// there), synthesises double clicks, grabs the mouse between press and
// release and offers keys as shortcuts first. So the kit's hit testing,
// first-responder changes, the field editor, key monitors and the controls'
// tracking all run as they do for a user. Nothing here calls a kit handler.
//
// Points are the kit window's content coordinates (y down, the origin at the
// content's top-left corner), the coordinates `View::convertPointToWindow`
// gives; `centreOf` finds a view's middle.
//
// Keys: `key` presses and releases one key with modifiers (the modifier keys
// go down before it and up after it, each as its own event, as on a
// keyboard). The text of the key is what an X server with a US layout gives:
// letters in lower or (with Shift) upper case, control characters with Ctrl,
// "\r" for Return, none for F-keys and arrows. `type` types text key by key.
// Qt's Ctrl is the kit's command, Alt its option, Meta (Super) its control.
//
// Mouse: `click` (one press and release), `doubleClick`, `rightClick`,
// `press`/`moveTo`/`release` for a drag done by hand, and `drag` for a
// press, a few moves and a release. Clicks far apart in time never count as
// a double click.

#include <QString>
#include <Qt>

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform {
class View;
class Window;
}  // namespace platform

namespace userinput {

using platform::Point;

// The middle of `view` in its window's content coordinates.
Point centreOf(const platform::View& view);

void press(platform::Window& window, Point at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void release(platform::Window& window, Point at, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A move; with a button held (after `press`) it drags.
void moveTo(platform::Window& window, Point at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void click(platform::Window& window, Point at, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void click(const platform::View& view, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void doubleClick(platform::Window& window, Point at);
void rightClick(platform::Window& window, Point at);
// Press at `from`, `steps` moves along the line, release at `to`.
void drag(platform::Window& window, Point from, Point to, int steps = 5);

// One key pressed and released with `modifiers`; `text` overrides the text
// the key would type.
void key(platform::Window& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void key(platform::Window& window, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text);
// Types printable ASCII text (letters, digits, space, punctuation) key by key.
void type(platform::Window& window, const QString& text);

// Files dragged in from another program (the file manager) and dropped at
// `at`: a drag entering there, a move and the drop, each a Qt drag event
// with the files as a text/uri-list, at the window's QWindow (Qt finds the
// widget that takes drops). True when the drop was taken.
bool dropFiles(platform::Window& window, Point at, const std::vector<std::string>& paths);

// The text a US layout gives `key` with `modifiers` (see above).
QString textOf(Qt::Key key, Qt::KeyboardModifiers modifiers);

// Modals the Qt backend shows (a menu popped up by a pop-up button, a
// search field's magnifier or a right click; a message box) block the input
// that opened them in a nested run. So the answer is armed first: a watcher
// on the run loop waits until the modal is on screen and then answers it
// with input (a click on the menu item or the button), once. The handle
// says whether it acted; dropping it disarms the watcher.
class ModalAnswer {
public:
    virtual ~ModalAnswer() = default;
    virtual bool done() const = 0;
};
// The menu item titled `title` (a "/" path chooses in a submenu:
// "Tags/Work"), clicked once the menu shows. Empty: Escape closes it.
std::shared_ptr<ModalAnswer> chooseInMenu(const QString& title);
// The item at `index` (items without titles: a menu of pictures).
std::shared_ptr<ModalAnswer> chooseInMenuAt(int index);
// The button labelled `text` of the modal message box, clicked once it shows.
std::shared_ptr<ModalAnswer> pressInMessageBox(const QString& text);
// In the file dialog (open or save panel): `path` typed into its name field,
// then Return (and, for a folder in a dialog for files and folders, its
// "Choose Folder" button); an empty path presses Escape.
std::shared_ptr<ModalAnswer> answerFileDialog(const QString& path);

}  // namespace userinput
