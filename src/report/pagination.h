#pragma once

// Which rows of a chart go on which page. A computation on the heights measured on the device
// (render.cpp measures them), so that it needs no paint device of its own.

#include <cstddef>

namespace dipsheet::report {

// How the rows of a report fall on its pages on a given device. In the eighths layout a "row"
// here is a line of the table, one whole inch, and a page has a single column of them.
struct Pagination {
    int rowsPerColumnFirst = 0;  // on the first page, below the curve
    int rowsPerColumn = 0;       // on every other page
    int rowsOnFirstPage = 0;
    int rowsPerPage = 0;
    int pages = 1;
};

// The heights a page is shared out by, in device pixels.
struct PageSpace {
    double pageHeight = 0.0;     // the printable height of a page
    double headingHeight = 0.0;  // the page heading with the space below it, on every page
    double columnsHeight = 0.0;  // the column labels over the rows, on every page
    double footerHeight = 0.0;   // "Page N of M" with the space above it, on every page
    double curveHeight = 0.0;    // the curve with the space below it, first page only; 0: none
    double noteHeight = 0.0;     // why eighths print as a list, first page only; 0: no note
    double rowHeight = 1.0;      // a line of the table
    int perLine = 1;             // rows on a line: one per column pair, or 1 in the eighths table
};

// How `items` rows (or lines of the eighths table) fall on pages of `space`. A column holds
// the whole lines that fit below the heading, the column labels and, on the first page, the
// curve and the note. A page too small for one line gets no rows a column, never fewer, and
// the count of pages stays 1: holdsARow tells.
Pagination paginate(const PageSpace& space, std::size_t items);

// Whether the first page and every page after it hold at least one row.
bool holdsARow(const Pagination& pagination);

// The rows of one page: `count` of them from index `first` on, read down each column of
// `rowsPerColumn` then across.
struct PageRows {
    int first = 0;
    int count = 0;
    int rowsPerColumn = 0;
};

// The columns of a page that hold a row: its rows read down each column then across.
int groupsFilled(const PageRows& rows);

// The rows on page `page` (0 is the first) when `items` rows are paginated as `pagination`.
PageRows rowsOnPage(const Pagination& pagination, int page, std::size_t items);

}  // namespace dipsheet::report
