#pragma once

#include <QAbstractTableModel>
#include <cstdint>

#include "TimingDiagram.h"

// The timing diagram's text alternative as a table: a row per step in view (its
// number the row's header), a column per signal. As the view moves, the rows that
// leave it are removed and those that come in inserted, so assistive technology
// hears of a step as one row, not as a new table.
class DiagramTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DiagramTableModel(const TTimingDiagram& diagram, QObject* parent = nullptr);

    // Brings the rows to the steps now in view.
    void Follow();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const TTimingDiagram& Diagram_;
    std::uint64_t First_ = 1, Last_ = 0;  // the steps the rows show
};
