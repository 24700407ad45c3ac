#include "MemoBox.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
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

// As QPlainTextEdit's: the edits before it can no longer be undone.
void MemoBox::setPlainText(const QString& text) {
    History_.Clear();
    const QString previous = std::exchange(Text_, text);
    ForgetAllLines();
    NotifyTextChanged(0, previous, Text_);
    MoveCursor(0, false);
    TopLine_ = 0;
}

void MemoBox::extendPlainText(QStringView tail) {
    History_.Clear();
    const qsizetype end = Text_.size();
    ForgetLinesFrom(end);
    Text_.append(tail);
    NotifyTextChanged(end, QString(), tail);
    // Lines below those on screen are not even laid out.
    MoveCursor(0, false);
    TopLine_ = 0;
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
    if (event->timerId() == TripleClickTimer_.timerId()) return TripleClickTimer_.stop();
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

// A selection event only when what is selected changes, as a standard text box
// sends it; a caret that moves with nothing selected is a caret event.
void MemoBox::NotifyCursorMoved() {
    const auto [from, to] = selection();
    const auto selected = from != to ? std::pair(from, to) : std::pair<qsizetype, qsizetype>();
    const bool selectionChanged = selected != NotifiedSelection_;
    const bool cursorMoved = Cursor_ != NotifiedCursor_;
    NotifiedSelection_ = selected;
    NotifiedCursor_ = Cursor_;
    if (!QAccessible::isActive()) return;
    if (selectionChanged) {
        QAccessibleTextSelectionEvent event(this, static_cast<int>(from), static_cast<int>(to));
        event.setCursorPosition(static_cast<int>(Cursor_));
        QAccessible::updateAccessibility(&event);
    } else if (cursorMoved) {
        QAccessibleTextCursorEvent event(this, static_cast<int>(Cursor_));
        QAccessible::updateAccessibility(&event);
    }
}
