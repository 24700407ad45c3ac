#include "DiagramWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "DiagramCanvas.h"
#include "DiagramTableModel.h"
#include "SessionRecord.h"

namespace {

// Draws a cell's text alone, right-aligned, from a layout made once for each text:
// the rows all change at every step, and the style's full item drawing, text
// laid out anew in each cell, took most of a step.
class TCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) painter->fillRect(option.rect, option.palette.highlight());
        const QString text = index.data().toString();
        auto found = Prepared_.find(text);
        if (found == Prepared_.end()) {
            if (Prepared_.size() > 4096) Prepared_.clear();
            QStaticText prepared(text);
            prepared.setTextFormat(Qt::PlainText);
            prepared.prepare(QTransform(), option.font);
            found = Prepared_.insert(text, prepared);
        }
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        const QSizeF size = found->size();
        painter->drawStaticText(QPointF(option.rect.right() - 4 - size.width(),
                                        option.rect.center().y() - size.height() / 2),
                                *found);
    }

private:
    mutable QHash<QString, QStaticText> Prepared_;
};

const QString PlaceKey = QStringLiteral("diagram/geometry");

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TDiagramWindow::TDiagramWindow()
    : Diagram_(SessionRecord),
      Canvas_(new DiagramCanvas(Diagram_)),
      ScrollBar_(new QScrollBar(Qt::Horizontal)),
      Span_(new QLabel),
      Lines_(new QCheckBox(QStringLiteral("Разность и сумма окна линиями"))),
      Model_(new DiagramTableModel(Diagram_, this)),
      Table_(new QTableView) {
    setWindowTitle(QStringLiteral("Временная диаграмма"));
    // Closing the main window ends the program, whether this one is open or not.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* zoomIn = new QPushButton(QStringLiteral("+"));
    zoomIn->setAccessibleName(QStringLiteral("Крупнее"));
    auto* zoomOut = new QPushButton(QStringLiteral("−"));
    zoomOut->setAccessibleName(QStringLiteral("Мельче"));
    auto* latest = new QPushButton(QStringLiteral("К последнему шагу"));
    for (QPushButton* button : {zoomIn, zoomOut, latest}) button->setAutoDefault(false);
    auto* bar = new QHBoxLayout;
    bar->addWidget(zoomIn);
    bar->addWidget(zoomOut);
    bar->addWidget(latest);
    bar->addWidget(Lines_);
    bar->addStretch();
    bar->addWidget(Span_);

    // The drawing scrolls up and down in its area when its rows are more than fit.
    auto* area = new QScrollArea;
    area->setWidget(Canvas_);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setFrameShape(QFrame::NoFrame);
    auto* drawing = new QWidget;
    auto* drawingLayout = new QVBoxLayout(drawing);
    drawingLayout->setContentsMargins(0, 0, 0, 0);
    drawingLayout->setSpacing(0);
    drawingLayout->addWidget(area);
    drawingLayout->addWidget(ScrollBar_);

    Table_->setModel(Model_);
    Table_->setItemDelegate(new TCellDelegate(Table_));
    Table_->setAccessibleName(QStringLiteral("Значения сигналов по шагам, показанным на диаграмме"));
    Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sizes fixed, rather than fitted to the contents: a step then lays out one
    // row, not every row and header again.
    QHeaderView* steps = Table_->verticalHeader();
    steps->setSectionResizeMode(QHeaderView::Fixed);
    steps->setDefaultSectionSize(fontMetrics().height() + 4);
    steps->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    QHeaderView* columns = Table_->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setDefaultSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("Y1 уменьшаемое")) + 12);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(drawing);
    splitter->addWidget(Table_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter);

    const auto changed = [this] {
        Canvas_->update();
        ViewChanged();
    };
    connect(zoomIn, &QPushButton::clicked, this, [this, changed] {
        Diagram_.ZoomIn();
        changed();
    });
    connect(zoomOut, &QPushButton::clicked, this, [this, changed] {
        Diagram_.ZoomOut();
        changed();
    });
    connect(latest, &QPushButton::clicked, this, [this, changed] {
        Diagram_.FollowLatest();
        changed();
    });
    connect(Lines_, &QCheckBox::toggled, this, [this, changed](bool lines) {
        Diagram_.SetLines(lines);
        changed();
    });
    connect(ScrollBar_, &QScrollBar::valueChanged, this, [this, changed](int first) {
        Diagram_.ScrollTo(static_cast<std::uint64_t>(first));
        changed();
    });
    connect(Canvas_, &DiagramCanvas::viewChanged, this, &TDiagramWindow::ViewChanged);
    // What is around the drawing follows the steps at most ten times a second:
    // each time every row of the table changes, and the bar and the scroll bar
    // are drawn anew, which together take longer than the drawing itself.
    AroundDue_.setSingleShot(true);
    AroundDue_.setInterval(100);
    connect(&AroundDue_, &QTimer::timeout, this, &TDiagramWindow::ViewChanged);
    SessionRecord.OnRecorded([this] { Follow(); });
    resize(1000, 520);
    splitter->setSizes({Diagram_.Height() + ScrollBar_->sizeHint().height() + 4, 300});
}

TDiagramWindow::~TDiagramWindow() {
    SessionRecord.OnRecorded(nullptr);
    if (isVisible()) RememberPlace();
}

void TDiagramWindow::Open(const QWidget* beside, bool activate) {
    if (!Placed_) {
        Placed_ = true;
        if (!restoreGeometry(QSettings().value(PlaceKey).toByteArray()) && beside)
            move(beside->frameGeometry().bottomLeft() + QPoint(0, 8));
    }
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    Diagram_.Update();
    Canvas_->update();
    ViewChanged();
    show();
    if (activate) {
        raise();
        activateWindow();
        Canvas_->setFocus();
    }
}

void TDiagramWindow::closeEvent(QCloseEvent* event) {
    RememberPlace();
    QWidget::closeEvent(event);
}

void TDiagramWindow::RememberPlace() {
    QSettings().setValue(PlaceKey, saveGeometry());
}

void TDiagramWindow::Follow() {
    if (!isVisible() || !Diagram_.Update()) return;
    Canvas_->update();
    if (!AroundDue_.isActive()) AroundDue_.start();
}

void TDiagramWindow::ViewChanged() {
    const QSignalBlocker quiet(ScrollBar_);
    const auto shown = static_cast<int>(Diagram_.ShownSteps());
    const auto recorded = static_cast<int>(Diagram_.Recorded());
    ScrollBar_->setRange(1, std::max(1, recorded - shown + 1));
    ScrollBar_->setPageStep(shown);
    ScrollBar_->setValue(static_cast<int>(std::max<std::uint64_t>(Diagram_.FirstShown(), 1)));
    Span_->setText(FromUtf8(Diagram_.SpanText()));
    // The cursor's values, for a screen reader to tell when the cursor moves.
    if (const QString cursor = FromUtf8(Diagram_.CursorText()); cursor != Canvas_->accessibleDescription())
        Canvas_->setAccessibleDescription(cursor);
    Model_->Follow();
}
