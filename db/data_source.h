#pragma once

#include <QAbstractTableModel>

namespace db {

class RecordSet;

// DataSource1: the list grid's read-only view of a record set. Rows are records, columns are
// fields, the horizontal header gives the field names. The model resets whenever the set
// opens or closes; a closed set shows as no rows and no columns.
class DataSource : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DataSource(RecordSet& set, QObject* parent = nullptr);

    RecordSet& recordSet() const { return set_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void reset();

    RecordSet& set_;
    // Taken at each reset, so that the model's shape changes only between its reset signals.
    int rows_ = 0;
    int columns_ = 0;
};

} // namespace db
