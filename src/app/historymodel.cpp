#include "historymodel.h"

#include "report/render.h"

namespace dipsheet::app {

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const store::HistoryEntry& e = m_entries[static_cast<std::size_t>(index.row())];
    // A heading may hold line breaks: the list shows it on one line.
    const auto line = [](const std::string& text) {
        return QString::fromStdString(text).simplified();
    };
    switch (index.column()) {
        case 0:
            return QString::fromStdString(e.made.substr(0, 16));  // to the minute
        case 1:
            return line(e.job.serialNo);
        case 2:
            return line(e.job.customer);
        case 3:
            return line(e.job.tankDesc);
        case 4:
            return e.tank ? QString::fromStdString(e.tank->brief())
                          : QStringLiteral("cannot be read");
        case 6:
            return line(e.desk);
        default:
            return report::volumeText(static_cast<float>(e.full), 2) + QLatin1Char(' ') +
                   QString::fromStdString(e.unit);
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titles[] = {"Date", "Serial Number", "Customer", "Description",
                                         "Tank", "Full",          "Desk"};
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 &&
        section < columnCount())
        return QString::fromLatin1(titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

}  // namespace dipsheet::app
