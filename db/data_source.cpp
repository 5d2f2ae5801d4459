#include "db/data_source.h"

#include "db/record_set.h"

namespace db {

DataSource::DataSource(RecordSet& set, QObject* parent) : QAbstractTableModel(parent), set_(set) {
    connect(&set, &RecordSet::opened, this, &DataSource::reset);
    connect(&set, &RecordSet::closed, this, &DataSource::reset);
    rows_ = set.active() ? set.recordCount() : 0;
    columns_ = set.fieldCount();
}

void DataSource::reset() {
    beginResetModel();
    rows_ = set_.active() ? set_.recordCount() : 0;
    columns_ = set_.fieldCount();
    endResetModel();
}

int DataSource::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSource::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant DataSource::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return set_.valueText(index.row(), index.column());
}

QVariant DataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return section < columns_ ? QVariant(set_.fieldName(section)) : QVariant();
    }
    return section < rows_ ? QVariant(section + 1) : QVariant();
}

Qt::ItemFlags DataSource::flags(const QModelIndex& index) const {
    // The engine never writes the file, so nothing in the grid is editable.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace db
