#pragma once

#include <QBasicTimer>
#include <QFrame>
#include <QHash>
#include <QString>
#include <array>
#include <vector>

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

    // Adds text at the end; the caret and the visible lines stay where they are.
    void appendText(QStringView text);

    // Counts the changes made by the user, so an owner that appends can tell
    // whether the text is still exactly what it put there.
    quint64 userEditCount() const { return UserEdits_; }

    int firstVisibleLine() const { return TopLine_; }
    qsizetype cursorPosition() const { return Cursor_; }
    QString selectedText() const;

    QSize sizeHint() const override;

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

    QRect TextArea() const;
    int LineHeight() const;
    int VisibleLines() const;
    qreal XOf(int line, qsizetype position) const;
    qsizetype PositionAt(QPoint point) const;

    // Editing by the user.
    bool HasSelection() const { return Cursor_ != Anchor_; }
    void MoveCursor(qsizetype position, bool select, bool keepGoalX = false);
    void MoveVertically(int lines, bool select);
    void ReplaceSelection(const QString& text);
    void DeleteRange(qsizetype from, qsizetype to);
    bool HandleShortcut(QKeyEvent* event);
    void ScrollToCursor();
    void RestartBlink();

    QString Text_;
    mutable std::vector<qsizetype> LineStarts_{0};
    mutable bool WrapComplete_ = false;
    mutable std::array<qreal, 128> AsciiAdvance_{};
    mutable QHash<char16_t, qreal> OtherAdvance_;

    qsizetype Cursor_ = 0;
    qsizetype Anchor_ = 0;
    qreal GoalX_ = -1;
    int TopLine_ = 0;
    quint64 UserEdits_ = 0;
    bool CaretShown_ = false;
    QBasicTimer BlinkTimer_;
};
