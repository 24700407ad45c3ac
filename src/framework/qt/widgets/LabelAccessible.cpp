#include "LabelAccessible.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

QAccessibleInterface* LabelFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QLabel") && object && object->isWidgetType())
        return new TLabelAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

}  // namespace

TLabelAccessible::TLabelAccessible(QLabel* label)
    : QAccessibleWidget(label, QAccessible::StaticText) {}

void TLabelAccessible::InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(LabelFactory);
        return true;
    }();
    (void)installed;
}

void TLabelAccessible::NotifyTextChanged(QLabel* label, const QString& previous) {
    if (!QAccessible::isActive() || previous == label->text()) return;
    QAccessibleTextUpdateEvent event(label, 0, previous, label->text());
    QAccessible::updateAccessibility(&event);
}

QLabel* TLabelAccessible::Label() const {
    return static_cast<QLabel*>(widget());
}

void* TLabelAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TLabelAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name && Label()->accessibleName().isEmpty()) return Label()->text();
    return QAccessibleWidget::text(kind);
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>> TLabelAccessible::relations(
    QAccessible::Relation match) const {
    auto related = QAccessibleWidget::relations(match);
    if (match & QAccessible::Labelled) {
        if (QAccessibleInterface* buddy = QAccessible::queryAccessibleInterface(Label()->buddy()))
            related.append({buddy, QAccessible::Labelled});
    }
    return related;
}

QString TLabelAccessible::WholeText() const {
    return Label()->text();
}

std::pair<int, int> TLabelAccessible::LineAround(int) const {
    return {0, characterCount()};
}

void TLabelAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

// The text is drawn on one line from the label's left edge, as the form's
// labels are aligned.
QRect TLabelAccessible::characterRect(int offset) const {
    const QString text = WholeText();
    if (offset < 0 || offset >= text.size()) return {};
    const QFontMetrics metrics(Label()->font());
    const QRect area = Label()->contentsRect();
    // From where the text before it ends to where the text up to it ends, so the
    // characters' rectangles tile the label whatever the rounding.
    const int x = metrics.horizontalAdvance(text.left(offset));
    const QRect local(area.left() + x, area.top(),
                      metrics.horizontalAdvance(text.left(offset + 1)) - x, metrics.height());
    return QRect(Label()->mapToGlobal(local.topLeft()), local.size());
}

int TLabelAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = Label()->mapFromGlobal(point);
    if (!Label()->rect().contains(local)) return -1;
    const QString text = WholeText();
    const QFontMetrics metrics(Label()->font());
    int x = Label()->contentsRect().left();
    for (int i = 0; i < text.size(); ++i) {
        const int advance = metrics.horizontalAdvance(text.at(i));
        if (local.x() < x + advance) return i;
        x += advance;
    }
    return -1;
}
