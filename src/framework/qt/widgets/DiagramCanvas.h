#pragma once

#include <QByteArray>
#include <QHash>
#include <QStaticText>
#include <QWidget>
#include <string_view>

#include "DiagramPicture.h"
#include "TimingDiagram.h"

// Paints a timing diagram as its core lays it out, and hands it the keys, the
// wheel and the pointer. A plain vertical turn of the wheel is left to the
// window around it, which scrolls.
class DiagramCanvas : public QWidget {
    Q_OBJECT

public:
    DiagramCanvas(TTimingDiagram& diagram, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // The colour each ink is painted in.
    static QColor Colour(TInk ink);

signals:
    // The user moved, zoomed or opened something: what is in view may differ.
    void viewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Changed(bool changed);
    const QStaticText& Prepared(std::string_view utf8);

    TTimingDiagram& Diagram_;
    TDiagramPicture Picture_;
    QHash<QByteArray, QStaticText> Prepared_;
};
