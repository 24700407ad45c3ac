#pragma once

#include <QAccessible>
#include <QString>
#include <utility>

// What assistive technology reads of a text, by characters, words, sentences,
// lines and paragraphs: the reading half of QAccessibleTextInterface, for a
// text that knows its whole text and where its lines break.
class TAccessibleText : public QAccessibleTextInterface {
public:
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    // Plain text: no attributes, and the whole text is one run.
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

protected:
    virtual QString WholeText() const = 0;
    // The shown line holding `offset`, as [start, end) of its visible text.
    virtual std::pair<int, int> LineAround(int offset) const = 0;

private:
    // The [start, end) of the unit of `boundary` that holds `offset`.
    std::pair<int, int> UnitAround(int offset, QAccessible::TextBoundaryType boundary) const;
    QString Range(std::pair<int, int> range, int* startOffset, int* endOffset) const;
};
