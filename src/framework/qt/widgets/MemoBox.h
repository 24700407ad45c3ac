#pragma once

#include <QBasicTimer>
#include <QFrame>
#include <QHash>
#include <QString>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "EditHistory.h"

class QMenu;

// An editable multi-line text box with word wrap and no scroll bars, built for a
// text that keeps growing at its end: lines are broken lazily, only as far down
// as anything needs, so adding text costs the same however long the text is.
class MemoBox : public QFrame {
    Q_OBJECT

public:
    explicit MemoBox(QWidget* parent = nullptr);

    QString toPlainText() const { return Text_; }
    qsizetype textLength() const { return Text_.size(); }

    // Replaces the whole text; the caret goes to the start and the first line shows.
    void setPlainText(const QString& text);
    void clear() { setPlainText(QString()); }

    // Sets the text to what it is now followed by `tail`, leaving the box just as
    // setPlainText of the whole would, at a cost that does not grow with the text.
    void extendPlainText(QStringView tail);

    // Counts the changes made by the user, so an owner that extends the text can
    // tell whether it is still exactly what it put there.
    quint64 userEditCount() const { return UserEdits_; }

    // Replaces a range of the text as the user's own edit would.
    void editText(qsizetype from, qsizetype to, const QString& text);

    // The context menu's entries, as QPlainTextEdit's and in Qt's own words.
    QMenu* createStandardContextMenu();

    int firstVisibleLine() const { return TopLine_; }
    qsizetype cursorPosition() const { return Cursor_; }
    qsizetype anchorPosition() const { return Anchor_; }
    QString selectedText() const;
    // The selection as [start, end); empty when start == end.
    std::pair<qsizetype, qsizetype> selection() const { return std::minmax(Cursor_, Anchor_); }
    // Selects from `anchor` to `cursor`, where the caret goes; scrolls it into view.
    void select(qsizetype anchor, qsizetype cursor);

    // The shown line holding `position`, as [start, end) of its visible text.
    std::pair<qsizetype, qsizetype> lineAround(qsizetype position) const;
    // Where the character at `position` is drawn, in the box's coordinates.
    QRect characterRect(qsizetype position) const;
    // The position nearest to a point in the box's coordinates.
    qsizetype positionAt(QPoint point) const;

    QSize sizeHint() const override;

    // The font the text is drawn and measured in: the widget's, without kerning.
    const QFont& textFont() const { return TextFont_; }

public slots:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();

signals:
    void textEdited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Line breaking, done lazily: LineStarts_ holds the starts of the lines found
    // so far; WrapComplete_ says whether they reach the end of the text.
    qreal Advance(QChar c) const;
    qsizetype NextLineStart(qsizetype start) const;  // -1 if the line runs to the end
    bool WrapOneMoreLine() const;
    int KnownLines(int wanted) const;  // lines known after wrapping up to `wanted`
    int LineOf(qsizetype position) const;
    qsizetype LineStart(int line) const { return LineStarts_[static_cast<std::size_t>(line)]; }
    qsizetype LineEnd(int line) const;  // end of the line's visible text
    void ForgetLinesFrom(qsizetype position);
    void ForgetAllLines();
    void UseFont();

    QRect TextArea() const;
    int LineHeight() const;
    int VisibleLines() const;
    qreal XOf(int line, qsizetype position) const;

    // Editing by the user.
    bool HasSelection() const { return Cursor_ != Anchor_; }
    void MoveCursor(qsizetype position, bool select, bool keepGoalX = false);
    void MoveVertically(int lines, bool select);
    void ReplaceSelection(const QString& text, TEditHistory::TKind kind);
    void ApplyChange(const TEditHistory::TChange& change, qsizetype caret);
    void DeleteRange(qsizetype from, qsizetype to, TEditHistory::TKind kind);
    std::pair<qsizetype, qsizetype> WordAround(qsizetype position) const;
    std::pair<qsizetype, qsizetype> ParagraphAround(qsizetype position) const;
    void SelectionToPrimary();
    bool HandleShortcut(QKeyEvent* event);
    void ScrollToCursor();
    void RestartBlink();
    void NotifyTextChanged(qsizetype from, const QString& removed, QStringView inserted);
    void NotifyCursorMoved();

    QString Text_;
    QFont TextFont_;
    mutable std::vector<qsizetype> LineStarts_{0};
    mutable bool WrapComplete_ = false;
    mutable std::array<qreal, 128> AsciiAdvance_{};
    mutable QHash<char16_t, qreal> OtherAdvance_;

    qsizetype Cursor_ = 0;
    qsizetype Anchor_ = 0;
    qreal GoalX_ = -1;
    int TopLine_ = 0;
    quint64 UserEdits_ = 0;
    std::pair<qsizetype, qsizetype> NotifiedSelection_;  // as assistive technology was told
    qsizetype NotifiedCursor_ = 0;
    bool CaretShown_ = false;
    QBasicTimer BlinkTimer_;
    TEditHistory History_;
    QBasicTimer TripleClickTimer_;
    QPoint TripleClickPoint_;
};
