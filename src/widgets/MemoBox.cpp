#include "MemoBox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "MemoBoxAccessible.h"

namespace {

constexpr int TextMargin = 2;

bool IsLineFeed(QChar c) {
    return c == u'\n';
}

}  // namespace

MemoBox::MemoBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    UseFont();
    TMemoBoxAccessible::InstallFactory();
}

void MemoBox::setPlainText(const QString& text) {
    const QString previous = std::exchange(Text_, text);
    ForgetAllLines();
    NotifyTextChanged(0, previous, Text_);
    MoveCursor(0, false);
    TopLine_ = 0;
}

void MemoBox::extendPlainText(QStringView tail) {
    const qsizetype end = Text_.size();
    ForgetLinesFrom(end);
    Text_.append(tail);
    NotifyTextChanged(end, QString(), tail);
    // Lines below those on screen are not even laid out.
    MoveCursor(0, false);
    TopLine_ = 0;
}

void MemoBox::editText(qsizetype from, qsizetype to, const QString& text) {
    Anchor_ = std::clamp<qsizetype>(from, 0, Text_.size());
    Cursor_ = std::clamp<qsizetype>(to, Anchor_, Text_.size());
    ReplaceSelection(text);
}

void MemoBox::select(qsizetype anchor, qsizetype cursor) {
    Anchor_ = std::clamp<qsizetype>(anchor, 0, Text_.size());
    MoveCursor(cursor, true);
}

QString MemoBox::selectedText() const {
    const auto [from, to] = selection();
    return Text_.mid(from, to - from);
}

QSize MemoBox::sizeHint() const {
    return {200, LineHeight() + 2 * (frameWidth() + TextMargin)};
}

// --- Line breaking -------------------------------------------------------------

qreal MemoBox::Advance(QChar c) const {
    const char16_t code = c.unicode();
    if (code < AsciiAdvance_.size()) {
        qreal& width = AsciiAdvance_[code];
        if (width < 0) width = QFontMetricsF(TextFont_).horizontalAdvance(c);
        return width;
    }
    auto found = OtherAdvance_.constFind(code);
    if (found != OtherAdvance_.cend()) return *found;
    return OtherAdvance_[code] = QFontMetricsF(TextFont_).horizontalAdvance(c);
}

// Words wrap at spaces, which hang at the end of a line; a word wider than the
// line breaks where it must, never inside a surrogate pair.
qsizetype MemoBox::NextLineStart(qsizetype start) const {
    const qreal available = std::max(1, TextArea().width());
    qreal width = 0;
    qsizetype afterLastSpace = -1;
    for (qsizetype i = start; i < Text_.size(); ++i) {
        const QChar c = Text_[i];
        if (IsLineFeed(c)) return i + 1;
        if (c == u' ') {
            afterLastSpace = i + 1;
            width += Advance(c);
            continue;
        }
        const qreal advance = Advance(c);
        if (width + advance > available && i > start && !c.isLowSurrogate()) {
            return afterLastSpace > start ? afterLastSpace : i;
        }
        width += advance;
    }
    return -1;
}

bool MemoBox::WrapOneMoreLine() const {
    if (WrapComplete_) return false;
    const qsizetype next = NextLineStart(LineStarts_.back());
    if (next < 0) {
        WrapComplete_ = true;
        return false;
    }
    LineStarts_.push_back(next);
    return true;
}

int MemoBox::KnownLines(int wanted) const {
    while (static_cast<int>(LineStarts_.size()) < wanted && WrapOneMoreLine()) {
    }
    return static_cast<int>(LineStarts_.size());
}

int MemoBox::LineOf(qsizetype position) const {
    while (LineStarts_.back() <= position && WrapOneMoreLine()) {
    }
    const auto after = std::upper_bound(LineStarts_.begin(), LineStarts_.end(), position);
    return static_cast<int>(after - LineStarts_.begin()) - 1;
}

qsizetype MemoBox::LineEnd(int line) const {
    if (KnownLines(line + 2) <= line + 1) return Text_.size();
    const qsizetype next = LineStart(line + 1);
    return next > 0 && IsLineFeed(Text_[next - 1]) ? next - 1 : next;
}

// A change at `position` can move the break of the line before its own, so the
// lines are found again from there.
void MemoBox::ForgetLinesFrom(qsizetype position) {
    const auto after = std::upper_bound(LineStarts_.begin(), LineStarts_.end(), position);
    const auto line = after - LineStarts_.begin() - 1;
    LineStarts_.resize(static_cast<std::size_t>(std::max<std::ptrdiff_t>(1, line)));
    WrapComplete_ = false;
}

// Without kerning a character's advance is the same wherever it stands, so the
// sum of the advances is exactly the width the painter draws.
void MemoBox::UseFont() {
    TextFont_ = font();
    TextFont_.setKerning(false);
    ForgetAllLines();
}

void MemoBox::ForgetAllLines() {
    LineStarts_.assign(1, 0);
    WrapComplete_ = false;
    AsciiAdvance_.fill(-1);
    OtherAdvance_.clear();
}

// --- Geometry -------------------------------------------------------------------

QRect MemoBox::TextArea() const {
    return contentsRect().adjusted(TextMargin, TextMargin, -TextMargin, -TextMargin);
}

int MemoBox::LineHeight() const {
    return QFontMetrics(TextFont_).lineSpacing();
}

int MemoBox::VisibleLines() const {
    return std::max(1, TextArea().height() / LineHeight());
}

qreal MemoBox::XOf(int line, qsizetype position) const {
    qreal x = 0;
    for (qsizetype i = LineStart(line); i < position; ++i) x += Advance(Text_[i]);
    return x;
}

std::pair<qsizetype, qsizetype> MemoBox::lineAround(qsizetype position) const {
    const int line = LineOf(std::clamp<qsizetype>(position, 0, Text_.size()));
    return {LineStart(line), LineEnd(line)};
}

QRect MemoBox::characterRect(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, Text_.size());
    const int line = LineOf(position);
    const QRect area = TextArea();
    const qreal width = position < Text_.size() ? Advance(Text_[position]) : 1;
    return QRectF(area.left() + XOf(line, position), area.top() + (line - TopLine_) * LineHeight(),
                  width, LineHeight())
        .toAlignedRect();
}

qsizetype MemoBox::positionAt(QPoint point) const {
    const QRect area = TextArea();
    const int row = point.y() < area.top() ? -1 : (point.y() - area.top()) / LineHeight();
    int line = std::max(0, TopLine_ + row);
    line = std::min(line, KnownLines(line + 1) - 1);
    const qsizetype end = LineEnd(line);
    qreal x = area.left();
    for (qsizetype i = LineStart(line); i < end; ++i) {
        const qreal advance = Advance(Text_[i]);
        if (point.x() < x + advance / 2) return i;
        x += advance;
    }
    return end;
}

// --- Painting ---------------------------------------------------------------------

// The frame as the style draws a text box's, and over it the white field inside,
// as a text box's viewport covers it; outside the frame the parent shows through.
// Only whole lines are drawn: no sliver of the line below the last one shows.
void MemoBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(contentsRect(), palette().base());
    const QRect area = TextArea();
    painter.setClipRect(area);
    const int lineHeight = LineHeight();
    const int ascent = QFontMetrics(TextFont_).ascent();
    painter.setFont(TextFont_);
    const auto [selectionFrom, selectionTo] = selection();
    const int caretLine = CaretShown_ ? LineOf(Cursor_) : -1;

    for (int row = 0; row < VisibleLines(); ++row) {
        const int line = TopLine_ + row;
        const int y = area.top() + row * lineHeight;
        if (KnownLines(line + 1) <= line) break;
        const qsizetype start = LineStart(line);
        const qsizetype end = LineEnd(line);
        const qsizetype from = std::clamp(selectionFrom, start, end);
        const qsizetype to = std::clamp(selectionTo, start, end);
        if (from < to) {
            const qreal left = area.left() + XOf(line, from);
            painter.fillRect(QRectF(left, y, XOf(line, to) - XOf(line, from), lineHeight),
                             palette().highlight());
        }
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPointF(area.left(), y + ascent), Text_.mid(start, end - start));
        if (line == caretLine) {
            const qreal x = area.left() + XOf(line, Cursor_);
            painter.fillRect(QRectF(x, y, 1, lineHeight), palette().color(QPalette::Text));
        }
    }
}

void MemoBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    ForgetAllLines();
}

void MemoBox::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) UseFont();
}

// --- Editing ---------------------------------------------------------------------

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

void MemoBox::ReplaceSelection(const QString& text) {
    const auto [from, to] = selection();
    ForgetLinesFrom(from);
    const QString removed = Text_.mid(from, to - from);
    Text_.replace(from, to - from, text);
    ++UserEdits_;
    NotifyTextChanged(from, removed, text);
    MoveCursor(from + text.size(), false);
    emit textEdited();
}

void MemoBox::DeleteRange(qsizetype from, qsizetype to) {
    from = std::max<qsizetype>(0, from);
    to = std::min(to, Text_.size());
    if (from >= to) return;
    Cursor_ = from;
    Anchor_ = to;
    ReplaceSelection(QString());
}

bool MemoBox::HandleShortcut(QKeyEvent* event) {
    const auto is = [event](QKeySequence::StandardKey key) { return event->matches(key); };
    const int line = LineOf(Cursor_);
    if (is(QKeySequence::SelectAll)) {
        Anchor_ = 0;
        MoveCursor(Text_.size(), true);
    } else if (is(QKeySequence::Copy) || is(QKeySequence::Cut)) {
        if (HasSelection()) QApplication::clipboard()->setText(selectedText());
        if (is(QKeySequence::Cut) && HasSelection()) ReplaceSelection(QString());
    } else if (is(QKeySequence::Paste)) {
        ReplaceSelection(QApplication::clipboard()->text());
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
        HasSelection() ? ReplaceSelection(QString()) : DeleteRange(Cursor_, Cursor_ + 1);
    } else if (event->key() == Qt::Key_Backspace) {
        HasSelection() ? ReplaceSelection(QString()) : DeleteRange(Cursor_ - 1, Cursor_);
    } else if (is(QKeySequence::InsertParagraphSeparator) ||
               is(QKeySequence::InsertLineSeparator)) {
        ReplaceSelection(QStringLiteral("\n"));
    } else {
        return false;
    }
    return true;
}

void MemoBox::keyPressEvent(QKeyEvent* event) {
    if (HandleShortcut(event)) return;
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.isPrint() || c == u'\t';
    });
    if (printable && !(event->modifiers() & Qt::ControlModifier)) {
        ReplaceSelection(text);
    } else {
        QFrame::keyPressEvent(event);
    }
}

void MemoBox::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) ReplaceSelection(event->commitString());
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

void MemoBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
    MoveCursor(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void MemoBox::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        MoveCursor(positionAt(event->position().toPoint()), true);
}

void MemoBox::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    const int wanted = std::max(0, TopLine_ - steps);
    TopLine_ = std::min(wanted, KnownLines(wanted + 1) - 1);
    update();
    event->accept();
}

void MemoBox::ScrollToCursor() {
    const int line = LineOf(Cursor_);
    if (line < TopLine_) {
        TopLine_ = line;
    } else if (line >= TopLine_ + VisibleLines()) {
        TopLine_ = line - VisibleLines() + 1;
    }
}

// --- The caret ----------------------------------------------------------------------

void MemoBox::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    RestartBlink();
}

void MemoBox::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    BlinkTimer_.stop();
    CaretShown_ = false;
    update();
}

void MemoBox::RestartBlink() {
    if (!hasFocus()) return;
    CaretShown_ = true;
    const int period = QApplication::cursorFlashTime() / 2;
    if (period > 0) BlinkTimer_.start(period, this);
}

void MemoBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() != BlinkTimer_.timerId()) return QFrame::timerEvent(event);
    CaretShown_ = !CaretShown_;
    update();
}

// --- Assistive technology ---------------------------------------------------------

void MemoBox::NotifyTextChanged(qsizetype from, const QString& removed, QStringView inserted) {
    if (!QAccessible::isActive()) return;
    const int at = static_cast<int>(from);
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(this, at, inserted.toString());
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, at, removed);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(this, at, removed, inserted.toString());
        QAccessible::updateAccessibility(&event);
    }
}

void MemoBox::NotifyCursorMoved() {
    if (!QAccessible::isActive()) return;
    const auto [from, to] = selection();
    QAccessibleTextSelectionEvent selected(this, static_cast<int>(from), static_cast<int>(to));
    selected.setCursorPosition(static_cast<int>(Cursor_));
    QAccessible::updateAccessibility(&selected);
}
