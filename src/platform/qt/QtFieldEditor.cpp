#include "platform/qt/QtFieldEditor.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

#include <algorithm>

#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtInput.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Transparent editors: the kit draws the field's bezel and background.
void makeTransparent(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    w->setPalette(palette);
    w->setAutoFillBackground(false);
    w->setAttribute(Qt::WA_MacShowFocusRect, false);
}

// The first byte offset at a character start at or before `i`.
std::size_t characterStart(const std::string& s, std::size_t i) {
    while (i > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    return i;
}

}  // namespace

QtFieldEditor::QtFieldEditor(QWidget* host, std::weak_ptr<Window> window) : host_(host), window_(std::move(window)) {}

QtFieldEditor::~QtFieldEditor() {
    if (auto tv = textView_.lock(); tv && tv->nativeEditor().get() == this) tv->setNativeEditor(nullptr);
    // Their destruction moves the focus; nothing of it is ours to hear.
    for (QWidget* editor : {static_cast<QWidget*>(line_.data()), static_cast<QWidget*>(plain_.data())}) {
        if (!editor) continue;
        editor->removeEventFilter(this);
        editor->disconnect(this);
        delete editor;
    }
}

QWidget* QtFieldEditor::editorWidget() const {
    if (line_ && line_->isVisible()) return line_;
    if (plain_ && plain_->isVisible()) return plain_;
    return nullptr;
}

bool QtFieldEditor::isShowing() const { return !textView_.expired(); }

void QtFieldEditor::firstResponderChanged(const std::shared_ptr<Responder>& responder) {
    auto textView = std::dynamic_pointer_cast<TextView>(responder);
    if (textView && !textView->isSelectable()) textView.reset();
    if (textView == textView_.lock()) return;
    detach();
    if (textView) attach(textView);
}

void QtFieldEditor::attach(const std::shared_ptr<TextView>& textView) {
    if (!host_) return;
    textView_ = textView;
    QWidget* editor = nullptr;
    if (textView->isFieldEditor()) {
        if (!line_) {
            line_ = new QLineEdit(host_);
            line_->setFrame(false);
            makeTransparent(line_);
            line_->installEventFilter(this);
            connect(line_, &QLineEdit::textEdited, this, [this](const QString& text) { pullText(text); });
            connect(line_, &QLineEdit::selectionChanged, this, [this] { pullSelection(); });
            connect(line_, &QLineEdit::cursorPositionChanged, this, [this] { pullSelection(); });
        }
        editor = line_;
    } else {
        if (!plain_) {
            plain_ = new QPlainTextEdit(host_);
            plain_->setFrameStyle(0);
            makeTransparent(plain_);
            plain_->viewport()->setAutoFillBackground(false);
            plain_->installEventFilter(this);
            connect(plain_, &QPlainTextEdit::textChanged, this, [this] {
                if (!syncing_) pullText(plain_->toPlainText());
            });
            connect(plain_, &QPlainTextEdit::cursorPositionChanged, this, [this] { pullSelection(); });
        }
        editor = plain_;
    }
    editor->setFont(qFont(textView->font().value_or(defaultTextFont())));
    QPalette palette = editor->palette();
    const auto window = window_.lock();
    const AppearanceName appearance = window ? window->effectiveAppearance() : appearance::aqua;
    palette.setColor(QPalette::Text,
                     qColor(textView->textColor().value_or(Color::named("System", "textColor", Color::black())), appearance));
    editor->setPalette(palette);
    textView->setNativeEditor(shared_from_this());
    push();
    reposition(offsetX_, offsetY_);
    editor->show();
    takeFocus();
    textView->setNeedsDisplay(true);
}

void QtFieldEditor::detach() {
    auto textView = textView_.lock();
    textView_.reset();
    if (textView && textView->nativeEditor().get() == this) {
        textView->setNativeEditor(nullptr);
        textView->unmarkText();
        textView->setNeedsDisplay(true);
    }
    const bool hadFocus = (line_ && line_->hasFocus()) || (plain_ && plain_->hasFocus());
    if (line_) line_->hide();
    if (plain_) plain_->hide();
    if (hadFocus && host_) host_->setFocus(Qt::OtherFocusReason);
}

void QtFieldEditor::reposition(double offsetX, double offsetY) {
    offsetX_ = offsetX;
    offsetY_ = offsetY;
    auto textView = textView_.lock();
    QWidget* editor = textView ? (textView->isFieldEditor() ? static_cast<QWidget*>(line_) : plain_) : nullptr;
    if (!editor) return;
    if (textView->isHiddenOrHasHiddenAncestor() || !textView->window()) {
        editor->hide();
        return;
    }
    const Rect b = textView->visibleRect();
    const Point origin = textView->convertPointToWindow(b.origin);
    const QRect geometry = QRectF(origin.x + offsetX, origin.y + offsetY, b.width(), b.height()).toAlignedRect();
    if (editor->geometry() != geometry) editor->setGeometry(geometry);
    if (!editor->isVisible()) editor->show();
}

void QtFieldEditor::takeFocus() {
    QWidget* editor = editorWidget();
    if (!editor || !host_) return;
    auto window = window_.lock();
    if (window && window->isKeyWindow()) editor->setFocus(Qt::OtherFocusReason);
}

QString QtFieldEditor::widgetText() const {
    if (line_ && line_->isVisible()) return line_->text();
    if (plain_ && plain_->isVisible()) return plain_->toPlainText();
    return {};
}

void QtFieldEditor::push() {
    auto textView = textView_.lock();
    if (!textView) return;
    syncing_ = true;
    const std::string& s = textView->string();
    const QString text = toQString(s);
    const TextRange range = textView->selectedRange();
    const int start = indexOfByteOffset(s, range.location);
    const int end = indexOfByteOffset(s, range.location + range.length);
    if (textView->isFieldEditor() && line_) {
        if (line_->text() != text) line_->setText(text);
        line_->setReadOnly(!textView->isEditable());
        if (end > start) line_->setSelection(start, end - start);
        else line_->setCursorPosition(start);
    } else if (plain_) {
        if (plain_->toPlainText() != text) plain_->setPlainText(text);
        plain_->setReadOnly(!textView->isEditable());
        QTextCursor cursor = plain_->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        plain_->setTextCursor(cursor);
    }
    syncing_ = false;
    pushStyle();
}

void QtFieldEditor::pushStyle() {
    auto textView = textView_.lock();
    if (!textView || !textView->isFieldEditor() || !line_) return;
    const auto* styled = std::any_cast<AttributedString>(&textView->attributedString());
    if (styled && styled->string() != textView->string()) styled = nullptr;
    const auto window = window_.lock();
    const AppearanceName appearance = window ? window->effectiveAppearance() : appearance::aqua;
    // A line edit shows runs only as an input method's formats: formats
    // with no text being composed lie over its own text. Their places count
    // from the cursor. None clears what an earlier text had.
    QList<QInputMethodEvent::Attribute> attributes;
    QFont font = qFont(textView->font().value_or(defaultTextFont()));
    if (styled) {
        const auto indexes = indexesOfByteOffsets(styled->string());
        const int cursor = line_->cursorPosition();
        // The runs' font, when they share one, is the editor's.
        if (!styled->runs().empty() && styled->runs().front().attributes.font) {
            const auto& first = *styled->runs().front().attributes.font;
            const bool shared = std::all_of(styled->runs().begin(), styled->runs().end(),
                                            [&](const AttributeRun& run) { return run.attributes.font == first; });
            if (shared) font = qFont(first);
        }
        for (const auto& run : styled->runs()) {
            const TextAttributes& a = run.attributes;
            QTextCharFormat format;
            if (a.foregroundColor) format.setForeground(qColor(*a.foregroundColor, appearance));
            if (a.backgroundColor) format.setBackground(qColor(*a.backgroundColor, appearance));
            if (a.underlineStyle && *a.underlineStyle != 0) {
                format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
                if (a.underlineColor) format.setUnderlineColor(qColor(*a.underlineColor, appearance));
            }
            if (a.strikethroughStyle && *a.strikethroughStyle != 0) format.setFontStrikeOut(true);
            if (!format.isValid() || format.properties().isEmpty()) continue;
            const int start = indexes[run.range.location];
            const int end = indexes[run.range.end()];
            attributes.append(QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, start - cursor, end - start,
                                                           QVariant::fromValue(QTextFormat(format))));
        }
    }
    if (line_->font() != font) line_->setFont(font);
    if (attributes.isEmpty() && !styled_) return;
    styled_ = !attributes.isEmpty();
    // A read-only line edit takes no input method events.
    const bool readOnly = line_->isReadOnly();
    if (readOnly) line_->setReadOnly(false);
    syncing_ = true;
    passThrough_ = true;
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(line_, &event);
    passThrough_ = false;
    syncing_ = false;
    if (readOnly) line_->setReadOnly(true);
}

void QtFieldEditor::pullText(const QString& qtext) {
    auto textView = textView_.lock();
    if (!textView || syncing_) return;
    const std::string old = textView->string();
    const std::string now = fromQString(qtext);
    if (old == now) return;
    // One replacement: what lies between the common start and the common end.
    std::size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix]) ++prefix;
    prefix = characterStart(old, prefix);
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && (static_cast<unsigned char>(old[old.size() - suffix]) & 0xC0) == 0x80) --suffix;
    syncing_ = true;
    const bool done = textView->replaceCharacters({prefix, old.size() - prefix - suffix},
                                                  now.substr(prefix, now.size() - prefix - suffix));
    syncing_ = false;
    // Refused (not editable, or the delegate would not begin): show the
    // kit's text again. Accepted: the kit may have changed it in its
    // callbacks; show what it holds, with the editor's caret.
    if (textView_.lock() != textView) return;
    if (!done || textView->string() != now) {
        push();
        return;
    }
    pullSelection();
    // The owner may have coloured the new text.
    pushStyle();
}

void QtFieldEditor::pullSelection() {
    auto textView = textView_.lock();
    if (!textView || syncing_) return;
    const std::string& s = textView->string();
    int start = 0, end = 0;
    if (textView->isFieldEditor() && line_) {
        if (line_->hasSelectedText()) {
            start = line_->selectionStart();
            end = start + int(line_->selectedText().size());
        } else {
            start = end = line_->cursorPosition();
        }
    } else if (plain_) {
        const QTextCursor c = plain_->textCursor();
        start = c.selectionStart();
        end = c.selectionEnd();
    }
    const std::size_t from = byteOffsetOfIndex(s, start);
    const std::size_t to = byteOffsetOfIndex(s, end);
    syncing_ = true;
    textView->setSelectedRange({from, to - from});
    syncing_ = false;
}

void QtFieldEditor::textViewDidChange() {
    if (!syncing_) push();
}

bool QtFieldEditor::performKey(const Event&) {
    QWidget* editor = editorWidget();
    if (!currentKey_ || !editor) return false;
    passThrough_ = true;
    QKeyEvent copy(currentKey_->type(), currentKey_->key(), currentKey_->modifiers(), currentKey_->nativeScanCode(),
                   currentKey_->nativeVirtualKey(), currentKey_->nativeModifiers(), currentKey_->text(),
                   currentKey_->isAutoRepeat(), currentKey_->count());
    // To the editor alone: Qt's delivery would hand a key the editor ignores
    // on to its parent, the window's widget, which gives it to the kit again,
    // whose text view hands it back here, for ever. Refused, it returns to
    // the kit's responder chain instead, which takes it up to the window.
    static_cast<QObject*>(editor)->event(&copy);
    passThrough_ = false;
    return copy.isAccepted();
}

bool QtFieldEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != line_ && watched != plain_) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (passThrough_) return false;
            auto window = window_.lock();
            if (!window) return false;
            auto* key = static_cast<QKeyEvent*>(event);
            QKeyEvent* outer = std::exchange(currentKey_, key);
            Application::shared()->sendEvent(keyEvent(*key, window));
            currentKey_ = outer;
            return true;
        }
        case QEvent::ShortcutOverride:
            // Every key is the kit's first; no shortcut of Qt's takes it.
            event->accept();
            return true;
        case QEvent::InputMethod: {
            if (passThrough_) return false;
            // The editor first (its committed text reaches the kit as an
            // edit, which ends any marked text), then what is still composed.
            passThrough_ = true;
            QCoreApplication::sendEvent(watched, event);
            passThrough_ = false;
            if (auto textView = textView_.lock())
                textView->setMarkedText(fromQString(static_cast<QInputMethodEvent*>(event)->preeditString()));
            return true;
        }
        default: return false;
    }
}

}  // namespace platform::qt
