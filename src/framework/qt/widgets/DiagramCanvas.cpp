#include "DiagramCanvas.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <vector>

DiagramCanvas::DiagramCanvas(TTimingDiagram& diagram, QWidget* parent)
    : QWidget(parent), Diagram_(diagram) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(TTimingDiagram::FontHeight);
    setFont(font);
    Diagram_.SetDigitWidth(QFontMetricsF(font).horizontalAdvance(u'0'));
    setAccessibleName(QStringLiteral(
        "Временная диаграмма: стрелки влево и вправо двигают курсор, плюс и минус меняют "
        "масштаб, Enter раскрывает линию задержки"));
}

QSize DiagramCanvas::sizeHint() const {
    return {976, Diagram_.Height()};
}

QColor DiagramCanvas::Colour(TInk ink) {
    return QColor(QRgb(InkColour(ink)));
}

void DiagramCanvas::paintEvent(QPaintEvent*) {
    Diagram_.Draw(Picture_);
    if (height() != Picture_.Height) setFixedHeight(Picture_.Height);
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    for (const TDiagramBox& box : Picture_.Boxes)
        painter.fillRect(QRectF(box.Left, box.Top, box.Width, box.Height), Colour(box.Ink));
    std::vector<QPointF> points;
    for (const TDiagramPath& path : Picture_.Paths) {
        points.clear();
        for (std::uint32_t i = path.First; i < path.First + path.Count; ++i)
            points.emplace_back(Picture_.Points[i].X, Picture_.Points[i].Y);
        painter.setPen(QPen(Colour(path.Ink), path.Width));
        if (path.Closed) {
            painter.drawPolygon(points.data(), static_cast<int>(points.size()));
        } else {
            painter.drawPolyline(points.data(), static_cast<int>(points.size()));
        }
    }
    const qreal toTop = QFontMetricsF(font()).height() / 2;
    for (const TDiagramText& text : Picture_.Texts) {
        const QStaticText& shown = Prepared(Picture_.TextOf(text));
        const qreal x = text.Centered ? text.X - shown.size().width() / 2 : text.X;
        painter.setPen(Colour(text.Ink));
        painter.drawStaticText(QPointF(x, text.Y - toTop), shown);
    }
}

// The same few texts (names, numbers) come back at every step: each is laid out
// once, and drawn from its layout after.
const QStaticText& DiagramCanvas::Prepared(std::string_view utf8) {
    const QByteArray key(utf8.data(), static_cast<qsizetype>(utf8.size()));
    auto found = Prepared_.find(key);
    if (found == Prepared_.end()) {
        if (Prepared_.size() > 4096) Prepared_.clear();
        QStaticText text(QString::fromUtf8(key));
        text.setTextFormat(Qt::PlainText);
        text.setPerformanceHint(QStaticText::AggressiveCaching);
        text.prepare(QTransform(), font());
        found = Prepared_.insert(key, text);
    }
    return *found;
}

void DiagramCanvas::resizeEvent(QResizeEvent* event) {
    Diagram_.SetWidth(width());
    QWidget::resizeEvent(event);
    emit viewChanged();
}

void DiagramCanvas::Changed(bool changed) {
    if (!changed) return;
    update();
    emit viewChanged();
}

void DiagramCanvas::keyPressEvent(QKeyEvent* event) {
    using TKey = TTimingDiagram::TKey;
    static const std::pair<int, TKey> keys[] = {
        {Qt::Key_Left, TKey::Left},         {Qt::Key_Right, TKey::Right},
        {Qt::Key_Home, TKey::Home},         {Qt::Key_End, TKey::End},
        {Qt::Key_PageUp, TKey::PageUp},     {Qt::Key_PageDown, TKey::PageDown},
        {Qt::Key_Plus, TKey::ZoomIn},       {Qt::Key_Equal, TKey::ZoomIn},
        {Qt::Key_Minus, TKey::ZoomOut},     {Qt::Key_Return, TKey::Toggle},
        {Qt::Key_Enter, TKey::Toggle},      {Qt::Key_Space, TKey::Toggle}};
    for (const auto& [key, meaning] : keys) {
        if (event->key() != key) continue;
        Changed(Diagram_.Key(meaning));
        return;
    }
    QWidget::keyPressEvent(event);
}

// A notch of the wheel is 120 units; up is positive for Qt, down for the diagram.
void DiagramCanvas::wheelEvent(QWheelEvent* event) {
    const QPoint turned = event->angleDelta();
    if (!Diagram_.Wheel(-turned.x() / 120.0, -turned.y() / 120.0,
                        event->modifiers() & Qt::ShiftModifier,
                        event->modifiers() & Qt::ControlModifier))
        return event->ignore();
    Changed(true);
}

void DiagramCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    Changed(Diagram_.PointerDown(event->position().x(), event->position().y()));
}

void DiagramCanvas::mouseMoveEvent(QMouseEvent* event) {
    Changed(Diagram_.PointerMove(event->position().x()));
}

void DiagramCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    Changed(Diagram_.PointerUp(event->position().x(), event->position().y()));
}
