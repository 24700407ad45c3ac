#pragma once

#include <QAccessibleWidget>

#include "AccessibleText.h"

class QLabel;

// What assistive technology sees of a label: its name (the accessible name the
// form gives it, or else its text) and, as text to read and review, what it
// shows now, so that a value label tells both what it is and its number.
class TLabelAccessible : public QAccessibleWidget, public TAccessibleText {
public:
    explicit TLabelAccessible(QLabel* label);

    // Makes every label reach assistive technology through this class.
    static void InstallFactory();

    // Tells assistive technology that the label's text changed from `previous`.
    static void NotifyTextChanged(QLabel* label, const QString& previous);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    using TAccessibleText::text;
    // A label labels its buddy.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override;

    // Read only: no selection, the caret at the start.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}

protected:
    QString WholeText() const override;
    std::pair<int, int> LineAround(int offset) const override;

private:
    QLabel* Label() const;
};
