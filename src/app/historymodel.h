#pragma once

// The Past Charts list: the charts found, a row each.

#include <QAbstractTableModel>

#include <vector>

#include "store.h"

namespace dipsheet::app {

// The charts found, a row each: date, serial number, customer, description, the tank in a few
// words, the full capacity; and the desk that made it, for an office's shared history.
class HistoryModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<store::HistoryEntry> entries, bool withDesks = false) {
        beginResetModel();
        m_entries = std::move(entries);
        m_withDesks = withDesks;
        endResetModel();
    }
    const std::vector<store::HistoryEntry>& entries() const { return m_entries; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_withDesks ? 7 : 6;
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<store::HistoryEntry> m_entries;
    bool m_withDesks = false;
};

}  // namespace dipsheet::app
