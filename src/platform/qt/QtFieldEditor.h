#pragma once
// The desktop's own editor in place of the kit's text view while the text
// view is its window's first responder: a QLineEdit for a field editor, a
// QPlainTextEdit for other text views. Input methods, selecting with the
// mouse and the clipboard work as in any Qt program.
//
// The kit's text view keeps the text and the selection. Every key goes to
// the kit first (local monitors, key equivalents, the delegate's commands);
// what the text view has no command for comes back through performKey and
// is handed to the Qt editor. Changes made in the Qt editor (typed with an
// input method, pasted, selected with the mouse) reach the text view through
// replaceCharacters and setSelectedRange, so the editing callbacks run as
// for keys.

#include <QObject>
#include <QPointer>

#include <memory>

#include "platform/appkit/TextView.h"
#include "platform/foundation/Subscription.h"

class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace platform::qt {

class QtFieldEditor : public QObject, public NativeTextEditor, public std::enable_shared_from_this<QtFieldEditor> {
    Q_OBJECT
public:
    // `host` is the window's widget, the editor's parent.
    QtFieldEditor(QWidget* host, std::weak_ptr<Window> window);
    ~QtFieldEditor() override;

    // Follows the window's first responder.
    void firstResponderChanged(const std::shared_ptr<Responder>& responder);
    // Places the editor over its text view (after layout or scrolling);
    // the offsets are the content's place in the host widget.
    void reposition(double offsetX, double offsetY);
    // The window became key: the editor takes the keyboard.
    void takeFocus();
    bool isShowing() const;
    QWidget* editorWidget() const;

    void textViewDidChange() override;
    bool performKey(const Event& event) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attach(const std::shared_ptr<TextView>& textView);
    void detach();
    // The text view's text and selection into the Qt editor.
    void push();
    // The text view's styled runs (colours, underlines) onto the line edit.
    void pushStyle();
    // The Qt editor's text into the text view, as one replacement.
    void pullText(const QString& text);
    void pullSelection();
    QString widgetText() const;

    QPointer<QWidget> host_;
    std::weak_ptr<Window> window_;
    std::weak_ptr<TextView> textView_;
    QPointer<QLineEdit> line_;
    QPointer<QPlainTextEdit> plain_;
    bool syncing_ = false;
    bool passThrough_ = false;
    // Whether the line edit shows runs (which a plain text must clear).
    bool styled_ = false;
    QKeyEvent* currentKey_ = nullptr;
    double offsetX_ = 0;
    double offsetY_ = 0;
};

}  // namespace platform::qt
