#pragma once

// The Past Charts list: the charts found, a row each.

#include <QAbstractTableModel>

#include <vector>

#include "store.h"

namespace dipsheet::app {

// The charts found, a row each: date, serial number, customer, description, the tank in a few
// words, the full capacity.
class HistoryModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<store::HistoryEntry> entries) {
        beginResetModel();
        m_entries = std::move(entries);
        endResetModel();
    }
    const std::vector<store::HistoryEntry>& entries() const { return m_entries; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 6;
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<store::HistoryEntry> m_entries;
};

}  // namespace dipsheet::app
