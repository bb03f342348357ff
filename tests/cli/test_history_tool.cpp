// dipsheet-chart's history commands: --reprint prints the rows kept with a chart whatever the
// engine now gives, and says when it charts an older one again; --reprint --store adds no
// history row; --history writes stored text so that it cannot steer the terminal.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "chart.h"
#include "chart_tool.h"
#include "site.h"
#include "store.h"
#include "scratch.h"

namespace fs = std::filesystem;
namespace chart = dipsheet::chart;
namespace store = dipsheet::store;
using namespace cli_testing;

namespace {

// A scratch folder with a fresh job database.
class HistoryTool : public InScratchFolder {
protected:
    void SetUp() override {
        InScratchFolder::SetUp();
        makeDatabase();
    }
};

chart::Tank cylinder(const char* diameter) {
    chart::Tank tank;
    tank.increment = std::string("6");
    tank.diameter = std::string(diameter);
    tank.length = std::string("96");
    return tank;
}

}  // namespace

// Each chart is reprinted from what its history row keeps: rows that differ from what the
// engine now charts are printed as kept; a chart made before charts kept their rows is charted
// again, and standard error says so in one line. --reprint --store puts the same rows and the
// kept full capacity on show and adds no history row. Rows that cannot be read are refused.
TEST_F(HistoryTool, ReprintPrintsTheKeptRowsOrSaysItChartsAgain) {
    const chart::Tank tank = cylinder("48");
    const chart::ChartRows charted = tank.chart().rows;
    const std::vector<chart::CapacityRow> fresh(charted.begin() + 1, charted.end());
    std::vector<chart::CapacityRow> kept = fresh;
    for (auto& row : kept)
        row.volume = std::nextafter(row.volume * 1.01f, 1e9f);  // figures no engine gives
    {
        store::Database db;
        db.replaceChart(kept, {tank.describe(), 999.0, tank});
        db.replaceChart(kept, {tank.describe(), 999.0, tank});
    }
    exec("UPDATE ChartHistory SET Rows = NULL WHERE Id = 2");  // as an older version kept it
    exec("UPDATE ChartHistory SET Printout = 'in ullage percent' WHERE Id = 1");
    const struct {
        const char* id;
        const std::vector<chart::CapacityRow>& rows;
        const char* note;
        bool siteColumns;  // as its printout had them
    } cases[] = {{"1", kept, "", true},
                 {"2", fresh,
                  "Chart 2 was made before charts kept their rows: charted again from its "
                  "set-up.\n",
                  false}};
    for (const auto& c : cases) {
        const Result printed = run({"--reprint", c.id});
        ASSERT_EQ(printed.status, 0) << printed.err;
        EXPECT_EQ(printed.out, c.siteColumns ? chart::chartCsvWithUllage(c.rows, 999.0)
                                             : chart::chartCsv(c.rows))
            << "chart " << c.id;
        EXPECT_EQ(printed.err.substr(0, printed.err.find("chart ")), c.note);
        ASSERT_EQ(run({"--reprint", c.id, "--store"}).status, 0);
        EXPECT_EQ(store::Database().readCapacity(), c.rows) << "chart " << c.id;
        EXPECT_EQ(store::Database().readHistory().size(), 2u);
    }
    EXPECT_EQ(store::Database().readChartSetup()->full, tank.chart().full);
    ASSERT_EQ(run({"--reprint", "1", "--store"}).status, 0);
    EXPECT_EQ(store::Database().readChartSetup()->full, 999.0);

    // rows cut short, none, and a depth that is no number: refused, and nothing put on show
    const auto shown = store::Database().readCapacity();
    for (const char* blob : {"x'0102030405'", "x''", "x'0000c07f00000040'"}) {
        exec(std::string("UPDATE ChartHistory SET Rows = ") + blob + " WHERE Id = 1");
        for (const bool toStore : {false, true}) {
            const Result unreadable =
                toStore ? run({"--reprint", "1", "--store"}) : run({"--reprint", "1"});
            EXPECT_EQ(unreadable.status, 2) << blob;
            EXPECT_TRUE(unreadable.out.empty()) << blob;
            EXPECT_NE(unreadable.err.find("cannot be read"), std::string::npos) << unreadable.err;
        }
        EXPECT_EQ(store::Database().readCapacity(), shown) << blob;
    }
}

// --history writes each stored text with its control characters escaped (\xHH; the C1 controls
// \u0080 to \u009f and the bidirectional ones as \uHHHH; bytes that are no UTF-8 \xHH), a
// backslash doubled, and a line break kept inside a quoted field, so that the CSV reads back and
// nothing reaches the terminal raw. The date --reprint writes on standard error is stored text
// too.
TEST_F(HistoryTool, HistoryWritesControlCharactersEscaped) {
    const struct {
        std::string stored;
        std::string listed;
    } cases[] = {
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"Acme\r\x1b[2KTrusted", "Acme\\x0d\\x1b[2KTrusted"},
        {"C:\\tanks\\x1b", "C:\\\\tanks\\\\x1b"},
        {"tab\there\x7f", "tab\\x09here\\x7f"},
        {"csi \xc2\x9b"
         "2J, nel \xc2\x85",
         "\"csi \\u009b2J, nel \\u0085\""},
        {"stray \xff\xc3 end \xe2\x82", "stray \\xff\\xc3 end \\xe2\\x82"},
        {"rlo \xe2\x80\xae"
         "exe.pdf lre \xe2\x80\xaa fsi \xe2\x81\xa8 pdi \xe2\x81\xa9 lrm \xe2\x80\x8e",
         "rlo \\u202eexe.pdf lre \\u202a fsi \\u2068 pdi \\u2069 lrm \xe2\x80\x8e"},
        {"M\xc3\xbcller \xce\xa3\xce\xbf\xcf\x86\xce\xb9\xce\xb1 \xe2\x82\xac",
         "M\xc3\xbcller \xce\xa3\xce\xbf\xcf\x86\xce\xb9\xce\xb1 \xe2\x82\xac"},
        {"two\nlines \"quoted\"", "\"two\nlines \"\"quoted\"\"\""},
    };
    for (const auto& c : cases) {
        store::Database db;
        db.writeHeading(c.stored, "d", "s");
        db.replaceChart(std::vector<chart::CapacityRow>{{1.0f, 2.0f}},
                        {cylinder("48").describe(), 1.0, cylinder("48")});
    }
    const Result listed = run({"--history"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    for (const unsigned char byte : listed.out)
        ASSERT_TRUE(byte == '\n' || (byte >= ' ' && byte != 0x7f)) << int(byte);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_NE(listed.out.find(",s," + cases[i].listed + ",d,"), std::string::npos)
            << "chart " << i + 1 << ": " << listed.out;

    exec("UPDATE ChartHistory SET Made = '2019-11-30' || char(27) || '[2J' WHERE Id = 1");
    EXPECT_EQ(run({"--reprint", "1"}).err, "chart 1 made 2019-11-30\\x1b[2J\n");
}

// --history, --search and --reprint without --store only read: the file, read-only, is never
// written whatever its layout (no search index, no kept rows, an index out of step); a search
// there reads the history through.
TEST_F(HistoryTool, ReadingNeverWritesTheFile) {
    for (const char* serial : {"D3-17", "Tank 9"}) {
        store::Database db;
        db.writeHeading("Acme", "Diesel", serial);
        db.replaceChart(std::vector<chart::CapacityRow>{{1.0f, 2.0f}},
                        {cylinder("48").describe(), 5.0, cylinder("48")});
    }
    const std::string made = fileBytes(store::kDatabaseFile);
    const auto has = [](const std::string& text, const char* part) {
        return text.find(part) != std::string::npos;
    };
    for (const char* layout :
         {"", "DELETE FROM ChartHistorySearch WHERE rowid = 2", "DROP TABLE ChartHistorySearch",
          "DROP TABLE ChartHistorySearch; ALTER TABLE ChartHistory DROP Rows"}) {
        chmod(store::kDatabaseFile, 0644);
        std::ofstream(store::kDatabaseFile, std::ios::binary | std::ios::trunc) << made;
        exec(layout);
        chmod(store::kDatabaseFile, 0444);
        const std::string before = fileBytes(store::kDatabaseFile);
        const Result all = run({"--history"}), found = run({"--history", "--search", "d3 ACME"}),
                     shortWord = run({"--history", "--search", "9"}),
                     reprint = run({"--reprint", "2"});
        for (const Result* result : {&all, &found, &shortWord, &reprint})
            EXPECT_EQ(result->status, 0) << layout << ": " << result->err;
        EXPECT_TRUE(has(all.out, "D3-17") && has(all.out, "Tank 9")) << layout;
        EXPECT_TRUE(has(found.out, "D3-17") && !has(found.out, "Tank 9")) << layout;
        EXPECT_TRUE(has(shortWord.out, "Tank 9") && !has(shortWord.out, "D3-17")) << layout;
        EXPECT_TRUE(has(reprint.out, "Depth")) << layout;
        EXPECT_EQ(fileBytes(store::kDatabaseFile), before) << layout;
        EXPECT_FALSE(fs::exists(std::string(store::kDatabaseFile) + "-journal")) << layout;
    }
    chmod(store::kDatabaseFile, 0644);
}
