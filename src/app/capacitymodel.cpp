#include "capacitymodel.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <utility>
#include <variant>

#include "chart/numbers.h"
#include "chart/site.h"
#include "report/render.h"

namespace dipsheet::app {

QString CapacityModel::numberText(float value) {
    // The shortest text that reads back to the stored single, as the CSV has it; in plain
    // decimals where a person reads them so (100000, not 1e+05), with an exponent beyond.
    const float size = std::fabs(value);
    if (value != 0.0f && (size < 1e-5f || size >= 1e7f || !std::isfinite(value)))
        return QString::fromStdString(chart::singleText(value));
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, ec == std::errc() ? end - buffer : 0);
}

void CapacityModel::setTable(store::Table table) {
    beginResetModel();
    m_table = std::move(table);
    placeSiteColumns();
    endResetModel();
}

void CapacityModel::showSiteColumns(bool shown, double full) {
    beginResetModel();
    m_siteWanted = shown;
    m_full = full;
    placeSiteColumns();
    endResetModel();
}

void CapacityModel::setVolumeFirst(bool volumeFirst) {
    beginResetModel();
    m_volumeFirst = volumeFirst;
    endResetModel();
}

std::size_t CapacityModel::fieldOf(int column) const {
    // Field Capacity takes the place of field Depth, and field Depth the place after it.
    if (m_volumeFirst && m_depth >= 0 && m_volume > m_depth && column >= m_depth &&
        column <= m_volume) {
        if (column == m_depth)
            return static_cast<std::size_t>(m_volume);
        return static_cast<std::size_t>(column - 1);
    }
    return static_cast<std::size_t>(column);
}

void CapacityModel::placeSiteColumns() {
    m_volume = -1;
    m_depth = -1;
    for (std::size_t i = 0; i < m_table.columns.size(); ++i) {
        if (m_table.columns[i] == "Capacity")
            m_volume = static_cast<int>(i);
        if (m_table.columns[i] == "Depth")
            m_depth = static_cast<int>(i);
    }
    m_siteFrom = m_siteWanted && m_volume >= 0 ? static_cast<int>(m_table.columns.size()) : -1;
}

int CapacityModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.rows.size());
}

int CapacityModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_table.columns.size()) + (m_siteFrom >= 0 ? 2 : 0);
}

QVariant CapacityModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const auto& row = m_table.rows[static_cast<std::size_t>(index.row())];
    if (m_siteFrom >= 0 && index.column() >= m_siteFrom) {
        const double* volume = std::get_if<double>(&row[static_cast<std::size_t>(m_volume)]);
        if (!volume)
            return QString();
        const chart::SiteColumns site =
            chart::siteColumns({0, static_cast<float>(*volume)}, m_full);
        // The percent as the printout's column has it ("93.0").
        return index.column() == m_siteFrom ? numberText(site.ullage)
                                            : report::volumeText(site.percent, 1);
    }
    const store::Value& value = row[fieldOf(index.column())];
    if (const double* number = std::get_if<double>(&value))
        return numberText(static_cast<float>(*number));
    if (const std::string* text = std::get_if<std::string>(&value))
        return QString::fromStdString(*text);
    return QString();
}

QVariant CapacityModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) {
        if (m_siteFrom >= 0 && section >= m_siteFrom)
            return section == m_siteFrom ? QStringLiteral("Ullage") : QStringLiteral("% Full");
        const std::size_t column = fieldOf(section);
        return column < m_table.columns.size() ? QString::fromStdString(m_table.columns[column])
                                               : QString();
    }
    if (role == Qt::DisplayRole)
        return QString();  // record selectors carry no number
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CapacityModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace dipsheet::app
