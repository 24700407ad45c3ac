#include "MemoBoxAccessible.h"

#include "MemoBox.h"

namespace {

QAccessibleInterface* MemoBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("MemoBox") && object && object->isWidgetType())
        return new TMemoBoxAccessible(static_cast<MemoBox*>(object));
    return nullptr;
}

int ToInt(qsizetype value) {
    return static_cast<int>(value);
}

}  // namespace

TMemoBoxAccessible::TMemoBoxAccessible(MemoBox* memo)
    : QAccessibleWidget(memo, QAccessible::EditableText) {}

void TMemoBoxAccessible::InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(MemoBoxFactory);
        return true;
    }();
    (void)installed;
}

MemoBox* TMemoBoxAccessible::Memo() const {
    return static_cast<MemoBox*>(widget());
}

void* TMemoBoxAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TMemoBoxAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TMemoBoxAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return Memo()->toPlainText();
    return QAccessibleWidget::text(kind);
}

void TMemoBoxAccessible::setText(QAccessible::Text kind, const QString& text) {
    if (kind != QAccessible::Value) return QAccessibleWidget::setText(kind, text);
    Memo()->editText(0, Memo()->textLength(), text);
}

// --- Caret and selection ---------------------------------------------------------

void TMemoBoxAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    const auto [from, to] = Memo()->selection();
    const bool exists = selectionIndex == 0 && from != to;
    *startOffset = exists ? ToInt(from) : 0;
    *endOffset = exists ? ToInt(to) : 0;
}

int TMemoBoxAccessible::selectionCount() const {
    const auto [from, to] = Memo()->selection();
    return from != to ? 1 : 0;
}

void TMemoBoxAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void TMemoBoxAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) Memo()->select(Memo()->cursorPosition(), Memo()->cursorPosition());
}

void TMemoBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) Memo()->select(startOffset, endOffset);
}

int TMemoBoxAccessible::cursorPosition() const {
    return ToInt(Memo()->cursorPosition());
}

void TMemoBoxAccessible::setCursorPosition(int position) {
    Memo()->select(position, position);
}

// --- Reading the text ------------------------------------------------------------

QString TMemoBoxAccessible::WholeText() const {
    return Memo()->toPlainText();
}

std::pair<int, int> TMemoBoxAccessible::LineAround(int offset) const {
    const auto [start, end] = Memo()->lineAround(offset);
    return {ToInt(start), ToInt(end)};
}

QRect TMemoBoxAccessible::characterRect(int offset) const {
    const QRect local = Memo()->characterRect(offset);
    return QRect(Memo()->mapToGlobal(local.topLeft()), local.size());
}

int TMemoBoxAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Memo()->mapFromGlobal(point);
    if (!Memo()->rect().contains(local)) return -1;
    return ToInt(Memo()->positionAt(local));
}

// Brings the range into view as a standard text box does: by moving the caret
// to its end and then to its start, selecting nothing.
void TMemoBoxAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Memo()->select(endIndex, endIndex);
    Memo()->select(startIndex, startIndex);
}

// --- Editing -------------------------------------------------------------------

void TMemoBoxAccessible::deleteText(int startOffset, int endOffset) {
    Memo()->editText(startOffset, endOffset, QString());
}

void TMemoBoxAccessible::insertText(int offset, const QString& text) {
    Memo()->editText(offset, offset, text);
}

void TMemoBoxAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    Memo()->editText(startOffset, endOffset, text);
}
