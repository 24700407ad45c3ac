#include "DiagramTableModel.h"

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

DiagramTableModel::DiagramTableModel(const TTimingDiagram& diagram, QObject* parent)
    : QAbstractTableModel(parent), Diagram_(diagram) {}

void DiagramTableModel::Follow() {
    const std::uint64_t first = Diagram_.FirstShown(), last = Diagram_.LastShown();
    if (first == 0 || last < First_ || first > Last_) {
        beginResetModel();
        First_ = first ? first : 1;
        Last_ = last;
        endResetModel();
        return;
    }
    const auto row = [this](std::uint64_t step) { return static_cast<int>(step - First_); };
    if (First_ < first) {
        beginRemoveRows({}, 0, row(first) - 1);
        First_ = first;
        endRemoveRows();
    }
    if (Last_ > last) {
        beginRemoveRows({}, row(last) + 1, row(Last_));
        Last_ = last;
        endRemoveRows();
    }
    if (first < First_) {
        beginInsertRows({}, 0, static_cast<int>(First_ - first) - 1);
        First_ = first;
        endInsertRows();
    }
    if (last > Last_) {
        beginInsertRows({}, row(Last_) + 1, row(last));
        Last_ = last;
        endInsertRows();
    }
}

int DiagramTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Last_ + 1 - First_);
}

int DiagramTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(TTimingDiagram::Columns.size()) - 1;
}

QVariant DiagramTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return FromUtf8(Diagram_.Cell(First_ + static_cast<std::uint64_t>(index.row()),
                                  static_cast<std::size_t>(index.column()) + 1));
}

QVariant DiagramTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return QString::number(First_ + static_cast<std::uint64_t>(section));
    return QString::fromUtf8(TTimingDiagram::Columns[static_cast<std::size_t>(section) + 1]);
}
