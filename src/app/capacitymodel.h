#pragma once

// Table Capacity as stored, shown read-only: one column per field in the table's order, each
// headed by its field name; a number as the single it holds, exactly (see numberText), a text
// as it is, NULL empty.
// With the site's columns shown, "Ullage" and "% Full" follow, from field Capacity and the
// full tank: the ullage as exactly as a volume, the percent to one decimal as on paper. A
// chart by volume shows field Capacity before field Depth, as it is read: the depth at each
// volume.

#include <QAbstractTableModel>

#include "store/store.h"

namespace dipsheet::app {

class CapacityModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(store::Table table);
    // Shows or hides the two site columns; `full` is the full tank of the chart on show. A
    // table without field Capacity has none.
    void showSiteColumns(bool shown, double full);
    bool siteColumnsShown() const { return m_siteFrom >= 0; }
    // A stored number as the grid and its copy show it: the shortest text that reads back to
    // the same single ("3.2999992", "1.0000001"), as the chart tool's CSV writes it, so that
    // what is read off the screen is what the file holds. Any depth shown beside the grid is
    // written by it too.
    static QString numberText(float value);
    // Shows field Capacity first (a chart by volume) or the fields in the table's order.
    void setVolumeFirst(bool volumeFirst);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void placeSiteColumns();
    // The table's field shown in `column` (a column before the site columns).
    std::size_t fieldOf(int column) const;

    store::Table m_table;
    bool m_siteWanted = false;
    double m_full = 0;
    int m_siteFrom = -1;  // the first site column, or -1
    int m_volume = -1;    // field Capacity
    int m_depth = -1;     // field Depth
    bool m_volumeFirst = false;
};

}  // namespace dipsheet::app
