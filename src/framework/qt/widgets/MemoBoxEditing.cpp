// MemoBox as the user edits it: the caret and the selection, keys, the mouse,
// the clipboards, undo and redo, and the context menu, each as Qt's own plain
// text box has it.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "MemoBox.h"

namespace {

using TKind = TEditHistory::TKind;

bool IsLineFeed(QChar c) {
    return c == u'\n';
}

// The shortcut of a context menu entry, shown after a tab as Qt shows it.
QString ShortcutText(QKeySequence::StandardKey key) {
    if (!QGuiApplication::styleHints()->showShortcutsInContextMenus()) return {};
    return u'\t' + QKeySequence(key).toString(QKeySequence::NativeText);
}

// Qt's own entries, in Qt's own words as its translations for the user's
// language have them.
QString Translated(const char* text) {
    return QCoreApplication::translate("QWidgetTextControl", text);
}

}  // namespace

void MemoBox::editText(qsizetype from, qsizetype to, const QString& text) {
    Anchor_ = std::clamp<qsizetype>(from, 0, Text_.size());
    Cursor_ = std::clamp<qsizetype>(to, Anchor_, Text_.size());
    ReplaceSelection(text, TKind::Other);
}

void MemoBox::select(qsizetype anchor, qsizetype cursor) {
    Anchor_ = std::clamp<qsizetype>(anchor, 0, Text_.size());
    MoveCursor(cursor, true);
}

// --- The caret and the selection -----------------------------------------------------

void MemoBox::MoveCursor(qsizetype position, bool select, bool keepGoalX) {
    Cursor_ = std::clamp<qsizetype>(position, 0, Text_.size());
    if (!select) Anchor_ = Cursor_;
    if (!keepGoalX) GoalX_ = -1;
    ScrollToCursor();
    RestartBlink();
    NotifyCursorMoved();
    update();
}

void MemoBox::MoveVertically(int lines, bool select) {
    const int line = LineOf(Cursor_);
    if (GoalX_ < 0) GoalX_ = XOf(line, Cursor_);
    const int target = line + lines;
    if (target < 0) return MoveCursor(0, select, true);
    if (KnownLines(target + 1) <= target) return MoveCursor(Text_.size(), select, true);
    qsizetype position = LineStart(target);
    const qsizetype end = LineEnd(target);
    for (qreal x = 0; position < end; ++position) {
        const qreal advance = Advance(Text_[position]);
        if (x + advance / 2 > GoalX_) break;
        x += advance;
    }
    MoveCursor(position, select, true);
}

void MemoBox::ScrollToCursor() {
    const int line = LineOf(Cursor_);
    if (line < TopLine_) {
        TopLine_ = line;
    } else if (line >= TopLine_ + VisibleLines()) {
        TopLine_ = line - VisibleLines() + 1;
    }
}

// The word around `position` as Qt's own text cursor takes it, found in the
// stretch of text around it: up to 256 characters either way, within its line.
std::pair<qsizetype, qsizetype> MemoBox::WordAround(qsizetype position) const {
    constexpr qsizetype Reach = 256;
    qsizetype from = std::max<qsizetype>(0, position - Reach);
    qsizetype to = std::min(Text_.size(), position + Reach);
    if (from > 0 && Text_[from].isLowSurrogate()) ++from;
    if (to < Text_.size() && Text_[to].isLowSurrogate()) --to;
    const qsizetype lineFeedBefore = Text_.lastIndexOf(u'\n', std::max<qsizetype>(0, position - 1));
    if (lineFeedBefore >= from && position > 0) from = lineFeedBefore + 1;
    const qsizetype lineFeedAfter = Text_.indexOf(u'\n', position);
    if (lineFeedAfter >= 0 && lineFeedAfter < to) to = lineFeedAfter;
    QTextDocument stretch(Text_.mid(from, to - from));
    QTextCursor cursor(&stretch);
    cursor.setPosition(static_cast<int>(position - from));
    cursor.select(QTextCursor::WordUnderCursor);
    return {from + cursor.selectionStart(), from + cursor.selectionEnd()};
}

// The line, from one line feed to the next, with the line feed that ends it.
std::pair<qsizetype, qsizetype> MemoBox::ParagraphAround(qsizetype position) const {
    const qsizetype start = position == 0 ? 0 : Text_.lastIndexOf(u'\n', position - 1) + 1;
    const qsizetype lineFeed = Text_.indexOf(u'\n', position);
    return {start, lineFeed < 0 ? Text_.size() : lineFeed + 1};
}

// --- Changing the text ---------------------------------------------------------------

void MemoBox::ReplaceSelection(const QString& text, TEditHistory::TKind kind) {
    const auto [from, to] = selection();
    if (from == to && text.isEmpty()) return;
    const TEditHistory::TChange change{from, Text_.mid(from, to - from), text};
    History_.Record(change, kind);
    ApplyChange(change, from + text.size());
}

void MemoBox::ApplyChange(const TEditHistory::TChange& change, qsizetype caret) {
    ForgetLinesFrom(change.Position);
    Text_.replace(change.Position, change.Removed.size(), change.Inserted);
    ++UserEdits_;
    NotifyTextChanged(change.Position, change.Removed, change.Inserted);
    MoveCursor(caret, false);
    emit textEdited();
}

void MemoBox::DeleteRange(qsizetype from, qsizetype to, TEditHistory::TKind kind) {
    from = std::max<qsizetype>(0, from);
    to = std::min(to, Text_.size());
    if (from >= to) return;
    Cursor_ = from;
    Anchor_ = to;
    ReplaceSelection(QString(), kind);
}

void MemoBox::undo() {
    if (const auto step = History_.Undo()) ApplyChange(step->Change, step->Caret);
}

void MemoBox::redo() {
    if (const auto step = History_.Redo()) ApplyChange(step->Change, step->Caret);
}

void MemoBox::cut() {
    if (!HasSelection()) return;
    copy();
    ReplaceSelection(QString(), TKind::Other);
}

void MemoBox::copy() {
    if (HasSelection()) QApplication::clipboard()->setText(selectedText());
}

void MemoBox::paste() {
    ReplaceSelection(QApplication::clipboard()->text(), TKind::Pasting);
}

void MemoBox::selectAll() {
    Anchor_ = 0;
    MoveCursor(Text_.size(), true);
}

// The X11 way of copying: what the user selects with the mouse or the keys
// (not through the menu) can be pasted elsewhere with the middle button.
void MemoBox::SelectionToPrimary() {
    QClipboard* clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// --- Keys ------------------------------------------------------------------------

bool MemoBox::HandleShortcut(QKeyEvent* event) {
    const auto is = [event](QKeySequence::StandardKey key) { return event->matches(key); };
    const int line = LineOf(Cursor_);
    if (is(QKeySequence::Undo)) {
        undo();
    } else if (is(QKeySequence::Redo)) {
        redo();
    } else if (is(QKeySequence::SelectAll)) {
        selectAll();
    } else if (is(QKeySequence::Copy)) {
        copy();
    } else if (is(QKeySequence::Cut)) {
        cut();
    } else if (is(QKeySequence::Paste)) {
        paste();
    } else if (is(QKeySequence::MoveToNextChar) || is(QKeySequence::SelectNextChar)) {
        MoveCursor(Cursor_ + 1, is(QKeySequence::SelectNextChar));
    } else if (is(QKeySequence::MoveToPreviousChar) || is(QKeySequence::SelectPreviousChar)) {
        MoveCursor(Cursor_ - 1, is(QKeySequence::SelectPreviousChar));
    } else if (is(QKeySequence::MoveToStartOfLine) || is(QKeySequence::SelectStartOfLine)) {
        MoveCursor(LineStart(line), is(QKeySequence::SelectStartOfLine));
    } else if (is(QKeySequence::MoveToEndOfLine) || is(QKeySequence::SelectEndOfLine)) {
        const qsizetype end = LineEnd(line);
        const bool wrapped = end < Text_.size() && !IsLineFeed(Text_[end]);
        MoveCursor(wrapped ? end - 1 : end, is(QKeySequence::SelectEndOfLine));
    } else if (is(QKeySequence::MoveToNextLine) || is(QKeySequence::SelectNextLine)) {
        MoveVertically(1, is(QKeySequence::SelectNextLine));
    } else if (is(QKeySequence::MoveToPreviousLine) || is(QKeySequence::SelectPreviousLine)) {
        MoveVertically(-1, is(QKeySequence::SelectPreviousLine));
    } else if (is(QKeySequence::MoveToStartOfDocument) || is(QKeySequence::SelectStartOfDocument)) {
        MoveCursor(0, is(QKeySequence::SelectStartOfDocument));
    } else if (is(QKeySequence::MoveToEndOfDocument) || is(QKeySequence::SelectEndOfDocument)) {
        MoveCursor(Text_.size(), is(QKeySequence::SelectEndOfDocument));
    } else if (is(QKeySequence::Delete)) {
        HasSelection() ? ReplaceSelection(QString(), TKind::Other)
                       : DeleteRange(Cursor_, Cursor_ + 1, TKind::Deleting);
    } else if (event->key() == Qt::Key_Backspace) {
        HasSelection() ? ReplaceSelection(QString(), TKind::Other)
                       : DeleteRange(Cursor_ - 1, Cursor_, TKind::Backspacing);
    } else if (is(QKeySequence::InsertParagraphSeparator) ||
               is(QKeySequence::InsertLineSeparator)) {
        ReplaceSelection(QStringLiteral("\n"), TKind::Typing);
    } else {
        return false;
    }
    return true;
}

void MemoBox::keyPressEvent(QKeyEvent* event) {
    const bool hadSelection = HasSelection();
    if (HandleShortcut(event)) {
        if (HasSelection() && (!hadSelection || event->modifiers() & Qt::ShiftModifier))
            SelectionToPrimary();
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() || c == u'\t';
    });
    if (printable && !(event->modifiers() & Qt::ControlModifier)) {
        ReplaceSelection(text, TKind::Typing);
    } else {
        QFrame::keyPressEvent(event);
    }
}

void MemoBox::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) ReplaceSelection(event->commitString(), TKind::Typing);
    event->accept();
}

QVariant MemoBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImCursorRectangle: {
            const int line = LineOf(Cursor_);
            const QRect area = TextArea();
            const int x = area.left() + static_cast<int>(XOf(line, Cursor_));
            return QRect(x, area.top() + (line - TopLine_) * LineHeight(), 1, LineHeight());
        }
        case Qt::ImCursorPosition:
            return static_cast<int>(Cursor_);
        default:
            return QFrame::inputMethodQuery(query);
    }
}

// --- The mouse ---------------------------------------------------------------------

// A third click soon after a double click, where it was, selects the line.
void MemoBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
    const QPoint point = event->position().toPoint();
    if (TripleClickTimer_.isActive() &&
        (point - TripleClickPoint_).manhattanLength() < QApplication::startDragDistance()) {
        TripleClickTimer_.stop();
        const auto [start, end] = ParagraphAround(positionAt(point));
        Anchor_ = start;
        MoveCursor(end, true);
        return SelectionToPrimary();
    }
    MoveCursor(positionAt(point), event->modifiers() & Qt::ShiftModifier);
}

void MemoBox::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        MoveCursor(positionAt(event->position().toPoint()), true);
}

// A selection made with the mouse goes to the primary selection; the middle
// button pastes the primary selection where it is released.
void MemoBox::mouseReleaseEvent(QMouseEvent* event) {
    QClipboard* clipboard = QApplication::clipboard();
    if (event->button() == Qt::LeftButton) {
        SelectionToPrimary();
    } else if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        MoveCursor(positionAt(event->position().toPoint()), false);
        ReplaceSelection(clipboard->text(QClipboard::Selection), TKind::Pasting);
    } else {
        QFrame::mouseReleaseEvent(event);
    }
}

void MemoBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QFrame::mouseDoubleClickEvent(event);
    const auto [start, end] = WordAround(positionAt(event->position().toPoint()));
    Anchor_ = start;
    MoveCursor(end, true);
    SelectionToPrimary();
    TripleClickPoint_ = event->position().toPoint();
    TripleClickTimer_.start(QApplication::doubleClickInterval(), this);
}

void MemoBox::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    const int wanted = std::max(0, TopLine_ - steps);
    TopLine_ = std::min(wanted, KnownLines(wanted + 1) - 1);
    update();
    event->accept();
}

// --- The context menu ----------------------------------------------------------------

QMenu* MemoBox::createStandardContextMenu() {
    auto* menu = new QMenu(this);
    const auto add = [this, menu](const char* name, const char* text, QKeySequence::StandardKey key,
                                  bool enabled, void (MemoBox::*slot)()) {
        QAction* action = menu->addAction(Translated(text) + ShortcutText(key), this, slot);
        action->setObjectName(QString::fromLatin1(name));
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(name)));
        action->setEnabled(enabled);
    };
    const bool canPaste =
        QApplication::clipboard()->mimeData() && QApplication::clipboard()->mimeData()->hasText();
    add("edit-undo", "&Undo", QKeySequence::Undo, History_.CanUndo(), &MemoBox::undo);
    add("edit-redo", "&Redo", QKeySequence::Redo, History_.CanRedo(), &MemoBox::redo);
    menu->addSeparator();
    add("edit-cut", "Cu&t", QKeySequence::Cut, HasSelection(), &MemoBox::cut);
    add("edit-copy", "&Copy", QKeySequence::Copy, HasSelection(), &MemoBox::copy);
    add("edit-paste", "&Paste", QKeySequence::Paste, canPaste, &MemoBox::paste);
    QAction* erase = menu->addAction(Translated("Delete"), this,
                                     [this] { ReplaceSelection(QString(), TKind::Other); });
    erase->setObjectName(QStringLiteral("edit-delete"));
    erase->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete")));
    erase->setEnabled(HasSelection());
    menu->addSeparator();
    add("select-all", "Select All", QKeySequence::SelectAll, !Text_.isEmpty(), &MemoBox::selectAll);
    return menu;
}

void MemoBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
