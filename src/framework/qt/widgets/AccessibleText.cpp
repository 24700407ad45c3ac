#include "AccessibleText.h"

#include <QTextBoundaryFinder>
#include <algorithm>

int TAccessibleText::characterCount() const {
    return static_cast<int>(WholeText().size());
}

QString TAccessibleText::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset) return {};
    return WholeText().mid(startOffset, endOffset - startOffset);
}

std::pair<int, int> TAccessibleText::UnitAround(int offset,
                                                QAccessible::TextBoundaryType boundary) const {
    const QString text = WholeText();
    const int size = static_cast<int>(text.size());
    offset = std::clamp(offset, 0, size);
    switch (boundary) {
        case QAccessible::CharBoundary:
            return {offset, std::min(offset + 1, size)};
        case QAccessible::LineBoundary:
            return LineAround(offset);
        case QAccessible::ParagraphBoundary: {
            const auto start = offset == 0 ? 0 : text.lastIndexOf(u'\n', offset - 1) + 1;
            const auto lineFeed = text.indexOf(u'\n', offset);
            return {static_cast<int>(start), lineFeed < 0 ? size : static_cast<int>(lineFeed) + 1};
        }
        case QAccessible::WordBoundary:
        case QAccessible::SentenceBoundary: {
            QTextBoundaryFinder finder(boundary == QAccessible::WordBoundary
                                           ? QTextBoundaryFinder::Word
                                           : QTextBoundaryFinder::Sentence,
                                       text);
            finder.setPosition(offset);
            const auto start = finder.isAtBoundary() ? offset : finder.toPreviousBoundary();
            finder.setPosition(offset);
            const auto end = finder.toNextBoundary();
            return {std::max(static_cast<int>(start), 0), end < 0 ? size : static_cast<int>(end)};
        }
        case QAccessible::NoBoundary:
            break;
    }
    return {0, size};
}

QString TAccessibleText::Range(std::pair<int, int> range, int* startOffset, int* endOffset) const {
    *startOffset = range.first;
    *endOffset = range.second;
    return text(range.first, range.second);
}

QString TAccessibleText::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                      int* startOffset, int* endOffset) const {
    return Range(UnitAround(offset, boundaryType), startOffset, endOffset);
}

QString TAccessibleText::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
    const int start = UnitAround(offset, boundaryType).first;
    if (start == 0) return Range({0, 0}, startOffset, endOffset);
    return Range(UnitAround(start - 1, boundaryType), startOffset, endOffset);
}

QString TAccessibleText::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    const int end = UnitAround(offset, boundaryType).second;
    if (end >= characterCount()) return Range({end, end}, startOffset, endOffset);
    return Range(UnitAround(end, boundaryType), startOffset, endOffset);
}

QString TAccessibleText::attributes(int, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
