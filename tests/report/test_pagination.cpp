#include "report/pagination.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using namespace dipsheet::report;

namespace {

// A page of 1000 units with 750 left for the rows: 30 rows of 25 a column. A curve of 250
// leaves 20 on the first page, and a note of 50 under it 18.
PageSpace space(int perLine, double curve = 0.0, double note = 0.0) {
    PageSpace page;
    page.pageHeight = 1000.0;
    page.headingHeight = 180.0;
    page.columnsHeight = 40.0;
    page.footerHeight = 30.0;
    page.curveHeight = curve;
    page.noteHeight = note;
    page.rowHeight = 25.0;
    page.perLine = perLine;
    return page;
}

struct Case {
    std::string name;
    PageSpace space;
    std::size_t items;
    int rowsPerColumnFirst;
    int rowsPerColumn;
    int pages;
};

TEST(Pagination, EveryRowLandsOnceInOrderAndPagesFillBeforeTheNextStarts) {
    const std::vector<Case> cases = {
        {"no rows", space(3), 0, 30, 30, 1},
        {"one row", space(3), 1, 30, 30, 1},
        {"list: a page exactly full", space(3), 90, 30, 30, 1},
        {"list: one row more than a page", space(3), 91, 30, 30, 2},
        {"list: the curve shortens the first page", space(3, 250.0), 61, 20, 30, 2},
        {"list: first and second page exactly full", space(3, 250.0), 150, 20, 30, 2},
        {"list: one row more than two pages", space(3, 250.0), 151, 20, 30, 3},
        {"list: a single pair", space(1, 250.0), 51, 20, 30, 3},
        {"list: many pages", space(4, 250.0), 10000, 20, 30, 84},
        {"eighths: one line", space(1, 250.0), 1, 20, 30, 1},
        {"eighths: the first page exactly full", space(1, 250.0), 20, 20, 30, 1},
        {"eighths: one line more", space(1, 250.0), 21, 20, 30, 2},
        {"eighths: the note under the curve", space(1, 250.0, 50.0), 19, 18, 30, 2},
        {"eighths: many pages", space(1, 250.0), 1000, 20, 30, 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pagination p = paginate(c.space, c.items);
        EXPECT_EQ(p.rowsPerColumnFirst, c.rowsPerColumnFirst);
        EXPECT_EQ(p.rowsPerColumn, c.rowsPerColumn);
        ASSERT_EQ(p.pages, c.pages);
        ASSERT_TRUE(holdsARow(p));

        int next = 0;  // the row the next page must start with
        for (int page = 0; page < p.pages; ++page) {
            const PageRows rows = rowsOnPage(p, page, c.items);
            const int perColumn = page == 0 ? c.rowsPerColumnFirst : c.rowsPerColumn;
            EXPECT_EQ(rows.first, next) << "page " << page;
            EXPECT_EQ(rows.rowsPerColumn, perColumn) << "page " << page;
            // Down each column, then across: no more columns than the line has room for.
            EXPECT_LE(rows.count, perColumn * c.space.perLine) << "page " << page;
            if (page + 1 < p.pages) {
                EXPECT_EQ(rows.count, perColumn * c.space.perLine) << "page " << page;
            } else if (c.items > 0) {
                EXPECT_GT(rows.count, 0) << "the last page is empty";
            }
            next = rows.first + rows.count;
        }
        EXPECT_EQ(next, static_cast<int>(c.items));
        EXPECT_EQ(rowsOnPage(p, p.pages, c.items).count, 0);
    }
}

TEST(Pagination, OnlyWholeRowsFitAndAPageWithoutOneIsTold) {
    struct Room {
        std::string name;
        PageSpace space;
        int rowsPerColumnFirst;
        int rowsPerColumn;
        bool holdsARow;
    };
    PageSpace partial = space(3);
    partial.pageHeight -= 1.0;  // 29 rows and most of a 30th
    PageSpace heading = space(3);
    heading.headingHeight = 2000.0;  // taller than the page
    PageSpace oneLine = space(2, 725.0);
    PageSpace curveFills = space(2, 740.0);
    PageSpace noteFills = space(1, 700.0, 50.0);
    const std::vector<Room> rooms = {
        {"a part of a row is left blank", partial, 29, 29, true},
        {"the heading fills the page", heading, 0, 0, false},
        {"the curve leaves one row", oneLine, 1, 30, true},
        {"the curve fills the first page", curveFills, 0, 30, false},
        {"the curve and the note fill the first page", noteFills, 0, 30, false},
    };
    for (const Room& r : rooms) {
        SCOPED_TRACE(r.name);
        const Pagination p = paginate(r.space, 100);
        EXPECT_EQ(p.rowsPerColumnFirst, r.rowsPerColumnFirst);
        EXPECT_EQ(p.rowsPerColumn, r.rowsPerColumn);
        EXPECT_EQ(p.rowsOnFirstPage, r.rowsPerColumnFirst * r.space.perLine);
        EXPECT_EQ(p.rowsPerPage, r.rowsPerColumn * r.space.perLine);
        EXPECT_EQ(holdsARow(p), r.holdsARow);
        if (!r.holdsARow) {
            EXPECT_EQ(p.pages, 1);
        }
    }
}

}  // namespace
