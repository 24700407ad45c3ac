#pragma once

#include <QAccessibleWidget>

#include "AccessibleText.h"

class MemoBox;

// What assistive technology sees of a MemoBox: an editable multi-line text with
// its caret and selection, as it sees any standard text box.
class TMemoBoxAccessible : public QAccessibleWidget,
                           public TAccessibleText,
                           public QAccessibleEditableTextInterface {
public:
    explicit TMemoBoxAccessible(MemoBox* memo);

    // Makes every MemoBox reach assistive technology through this class.
    static void InstallFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    using TAccessibleText::text;
    void setText(QAccessible::Text kind, const QString& text) override;

    // QAccessibleTextInterface: one selection at most, offsets in UTF-16 units.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;

    // QAccessibleEditableTextInterface: changes count as the user's own edits.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

protected:
    QString WholeText() const override;
    std::pair<int, int> LineAround(int offset) const override;

private:
    MemoBox* Memo() const;
};
