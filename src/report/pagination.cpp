#include "pagination.h"

#include <algorithm>
#include <cstdint>

namespace dipsheet::report {

Pagination paginate(const PageSpace& space, std::size_t items) {
    Pagination pagination;
    const double rows =
        space.pageHeight - space.headingHeight - space.columnsHeight - space.footerHeight;
    pagination.rowsPerColumn = std::max(0, static_cast<int>(rows / space.rowHeight));
    pagination.rowsPerColumnFirst = std::max(
        0, static_cast<int>((rows - space.curveHeight - space.noteHeight) / space.rowHeight));
    pagination.rowsOnFirstPage = pagination.rowsPerColumnFirst * space.perLine;
    pagination.rowsPerPage = pagination.rowsPerColumn * space.perLine;
    if (holdsARow(pagination)) {
        const auto count = static_cast<std::int64_t>(items);
        const std::int64_t rest = std::max<std::int64_t>(0, count - pagination.rowsOnFirstPage);
        pagination.pages =
            1 + static_cast<int>((rest + pagination.rowsPerPage - 1) / pagination.rowsPerPage);
    }
    return pagination;
}

bool holdsARow(const Pagination& pagination) {
    return pagination.rowsOnFirstPage > 0 && pagination.rowsPerPage > 0;
}

int groupsFilled(const PageRows& rows) {
    if (rows.count <= 0 || rows.rowsPerColumn <= 0)
        return 0;
    return (rows.count + rows.rowsPerColumn - 1) / rows.rowsPerColumn;
}

PageRows rowsOnPage(const Pagination& pagination, int page, std::size_t items) {
    PageRows rows;
    int capacity = pagination.rowsOnFirstPage;
    rows.rowsPerColumn = pagination.rowsPerColumnFirst;
    if (page > 0) {
        rows.first = pagination.rowsOnFirstPage + (page - 1) * pagination.rowsPerPage;
        rows.rowsPerColumn = pagination.rowsPerColumn;
        capacity = pagination.rowsPerPage;
    }
    rows.count = std::max(0, std::min(capacity, static_cast<int>(items) - rows.first));
    return rows;
}

}  // namespace dipsheet::report
