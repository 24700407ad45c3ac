#pragma once

#include <QTimer>
#include <QWidget>

#include "TimingDiagram.h"

class DiagramCanvas;
class DiagramTableModel;
class QCheckBox;
class QLabel;
class QScrollBar;
class QTableView;

// The timing diagram's own window, beside the main one: the drawing with its bar
// and scroll bar, and under it the same values as a table, which screen readers
// read. It follows every step the session records. Closed, it is only hidden,
// losing nothing; it opens again where it was.
class TDiagramWindow : public QWidget {
public:
    TDiagramWindow();
    ~TDiagramWindow() override;

    // Shows the window, the first time where it was last (or under `beside`);
    // without `activate`, it does not take the keyboard from the active window.
    void Open(const QWidget* beside, bool activate);

    TTimingDiagram& Diagram() { return Diagram_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // A step was recorded: drawn at once, and the rest soon after.
    void Follow();
    // What is in view changed: the scroll bar, the span and the table follow it.
    void ViewChanged();
    void RememberPlace();

    TTimingDiagram Diagram_;
    DiagramCanvas* Canvas_;
    QScrollBar* ScrollBar_;
    QLabel* Span_;
    QCheckBox* Lines_;
    DiagramTableModel* Model_;
    QTableView* Table_;
    QTimer AroundDue_;  // the next catching up of all but the drawing with a step
    bool Placed_ = false;
};
