// The history of the charts made: table ChartHistory, one row per chart stored with its tank
// and its rows, and ChartHistorySearch, an FTS5 table of trigrams over each row's serial number,
// customer and description (rowid = the history row's Id), which finds any part of them at once.
// The index is derived from the history: found missing, damaged or out of step, it is made again
// from it.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "store/schema.h"
#include "store/statement.h"
#include "store/store.h"

namespace dipsheet::store {

using detail::execute;
using detail::Statement;

static_assert(kSearchRefused == SQLITE_TOOBIG);

namespace {

constexpr const char* kColumns =
    "h.Id, h.Made, h.Client, h.Customer, h.TankDesc, h.SerialNo, h.Setup, h.Tank, h.Full, h.Unit";

bool hasHistory(sqlite3* db) {
    Statement statement(db,
                        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                        "name = 'ChartHistory'",
                        "reading the file's tables");
    return statement.step();
}

// Whether ChartHistory has field Rows: a history made before charts kept their rows has not.
bool keepsRows(sqlite3* db) {
    Statement statement(db, "SELECT 1 FROM pragma_table_info('ChartHistory') WHERE name = 'Rows'",
                        "reading the fields of table ChartHistory");
    return statement.step();
}

// The rows of a chart as field Rows keeps them: each row its depth then its volume, each an
// IEEE 754 single of 4 bytes, least significant byte first whatever the machine's own order.
// 8 bytes a row: 262 KB for the largest chart, a few KB for an ordinary one.
static_assert(std::numeric_limits<float>::is_iec559);
constexpr std::size_t kRowBytes = 8;

void putSingle(std::string& bytes, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((bits >> shift) & 0xFFu));
}

float getSingle(const char* bytes) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return std::bit_cast<float>(bits);
}

std::string rowBytes(std::span<const chart::CapacityRow> rows) {
    std::string bytes;
    bytes.reserve(rows.size() * kRowBytes);
    for (const chart::CapacityRow& row : rows) {
        putSingle(bytes, row.depth);
        putSingle(bytes, row.volume);
    }
    return bytes;
}

HistoryEntry entryOf(const Statement& row) {
    HistoryEntry entry;
    entry.id = row.integer(0);
    entry.made = row.text(1);
    entry.job = {row.text(2), row.text(3), row.text(4), row.text(5)};
    entry.setup = row.text(6);
    entry.tank = chart::Tank::fromText(row.text(7));
    entry.full = row.number(8);
    entry.unit = row.text(9);
    return entry;
}

// Case folding for the short words of a search, which the trigram index cannot find: every
// capital letter of the scripts an office writes in (Latin with its accents, Greek, Cyrillic,
// Armenian, Georgian and a few more) to its small letter, code point for code point as the
// index folds the longer words, so a word finds the same charts whatever its length.
// A run of code points folds by adding `delta`, or, in a run of alternating capitals and small
// letters, only the capitals (the even code points, or the odd ones) do.
struct FoldRun {
    char32_t first, last;
    std::int32_t delta;
    enum Which : std::uint8_t { All, Even, Odd } which;
};

constexpr FoldRun kFoldRuns[] = {
    {0x41, 0x5A, 32, FoldRun::All},         {0xB5, 0xB5, 775, FoldRun::All},
    {0xC0, 0xD6, 32, FoldRun::All},         {0xD8, 0xDE, 32, FoldRun::All},
    {0x100, 0x12F, 1, FoldRun::Even},       {0x132, 0x137, 1, FoldRun::Even},
    {0x139, 0x148, 1, FoldRun::Odd},        {0x14A, 0x177, 1, FoldRun::Even},
    {0x178, 0x178, -121, FoldRun::All},     {0x179, 0x17E, 1, FoldRun::Odd},
    {0x17F, 0x17F, -268, FoldRun::All},     {0x181, 0x181, 210, FoldRun::All},
    {0x182, 0x185, 1, FoldRun::Even},       {0x186, 0x186, 206, FoldRun::All},
    {0x187, 0x187, 1, FoldRun::All},        {0x189, 0x18A, 205, FoldRun::All},
    {0x18B, 0x18B, 1, FoldRun::All},        {0x18E, 0x18E, 79, FoldRun::All},
    {0x18F, 0x18F, 202, FoldRun::All},      {0x190, 0x190, 203, FoldRun::All},
    {0x191, 0x191, 1, FoldRun::All},        {0x193, 0x193, 205, FoldRun::All},
    {0x194, 0x194, 207, FoldRun::All},      {0x196, 0x196, 211, FoldRun::All},
    {0x197, 0x197, 209, FoldRun::All},      {0x198, 0x198, 1, FoldRun::All},
    {0x19C, 0x19C, 211, FoldRun::All},      {0x19D, 0x19D, 213, FoldRun::All},
    {0x19F, 0x19F, 214, FoldRun::All},      {0x1A0, 0x1A5, 1, FoldRun::Even},
    {0x1A6, 0x1A6, 218, FoldRun::All},      {0x1A7, 0x1A7, 1, FoldRun::All},
    {0x1A9, 0x1A9, 218, FoldRun::All},      {0x1AC, 0x1AC, 1, FoldRun::All},
    {0x1AE, 0x1AE, 218, FoldRun::All},      {0x1AF, 0x1AF, 1, FoldRun::All},
    {0x1B1, 0x1B2, 217, FoldRun::All},      {0x1B3, 0x1B3, 1, FoldRun::All},
    {0x1B5, 0x1B5, 1, FoldRun::All},        {0x1B7, 0x1B7, 219, FoldRun::All},
    {0x1B8, 0x1B8, 1, FoldRun::All},        {0x1BC, 0x1BC, 1, FoldRun::All},
    {0x1C4, 0x1C4, 2, FoldRun::All},        {0x1C5, 0x1C5, 1, FoldRun::All},
    {0x1C7, 0x1C7, 2, FoldRun::All},        {0x1C8, 0x1C8, 1, FoldRun::All},
    {0x1CA, 0x1CA, 2, FoldRun::All},        {0x1CB, 0x1DC, 1, FoldRun::Odd},
    {0x1DE, 0x1EF, 1, FoldRun::Even},       {0x1F1, 0x1F1, 2, FoldRun::All},
    {0x1F2, 0x1F2, 1, FoldRun::All},        {0x1F4, 0x1F4, 1, FoldRun::All},
    {0x1F6, 0x1F6, -97, FoldRun::All},      {0x1F7, 0x1F7, -56, FoldRun::All},
    {0x1F8, 0x21F, 1, FoldRun::Even},       {0x220, 0x220, -130, FoldRun::All},
    {0x222, 0x233, 1, FoldRun::Even},       {0x23A, 0x23A, 10795, FoldRun::All},
    {0x23B, 0x23B, 1, FoldRun::All},        {0x23D, 0x23D, -163, FoldRun::All},
    {0x23E, 0x23E, 10792, FoldRun::All},    {0x241, 0x241, 1, FoldRun::All},
    {0x243, 0x243, -195, FoldRun::All},     {0x244, 0x244, 69, FoldRun::All},
    {0x245, 0x245, 71, FoldRun::All},       {0x246, 0x24F, 1, FoldRun::Even},
    {0x345, 0x345, 116, FoldRun::All},      {0x370, 0x373, 1, FoldRun::Even},
    {0x376, 0x376, 1, FoldRun::All},        {0x386, 0x386, 38, FoldRun::All},
    {0x388, 0x38A, 37, FoldRun::All},       {0x38C, 0x38C, 64, FoldRun::All},
    {0x38E, 0x38F, 63, FoldRun::All},       {0x391, 0x3A1, 32, FoldRun::All},
    {0x3A3, 0x3AB, 32, FoldRun::All},       {0x3C2, 0x3C2, 1, FoldRun::All},
    {0x3CF, 0x3CF, 8, FoldRun::All},        {0x3D0, 0x3D0, -30, FoldRun::All},
    {0x3D1, 0x3D1, -25, FoldRun::All},      {0x3D5, 0x3D5, -15, FoldRun::All},
    {0x3D6, 0x3D6, -22, FoldRun::All},      {0x3D8, 0x3EF, 1, FoldRun::Even},
    {0x3F0, 0x3F0, -54, FoldRun::All},      {0x3F1, 0x3F1, -48, FoldRun::All},
    {0x3F4, 0x3F4, -60, FoldRun::All},      {0x3F5, 0x3F5, -64, FoldRun::All},
    {0x3F7, 0x3F7, 1, FoldRun::All},        {0x3F9, 0x3F9, -7, FoldRun::All},
    {0x3FA, 0x3FA, 1, FoldRun::All},        {0x3FD, 0x3FF, -130, FoldRun::All},
    {0x400, 0x40F, 80, FoldRun::All},       {0x410, 0x42F, 32, FoldRun::All},
    {0x460, 0x481, 1, FoldRun::Even},       {0x48A, 0x4BF, 1, FoldRun::Even},
    {0x4C0, 0x4C0, 15, FoldRun::All},       {0x4C1, 0x4CE, 1, FoldRun::Odd},
    {0x4D0, 0x527, 1, FoldRun::Even},       {0x531, 0x556, 48, FoldRun::All},
    {0x10A0, 0x10C5, 7264, FoldRun::All},   {0x10C7, 0x10C7, 7264, FoldRun::All},
    {0x10CD, 0x10CD, 7264, FoldRun::All},   {0x1E00, 0x1E95, 1, FoldRun::Even},
    {0x1E9B, 0x1E9B, -58, FoldRun::All},    {0x1E9E, 0x1E9E, -7615, FoldRun::All},
    {0x1EA0, 0x1EFF, 1, FoldRun::Even},     {0x1F08, 0x1F0F, -8, FoldRun::All},
    {0x1F18, 0x1F1D, -8, FoldRun::All},     {0x1F28, 0x1F2F, -8, FoldRun::All},
    {0x1F38, 0x1F3F, -8, FoldRun::All},     {0x1F48, 0x1F4D, -8, FoldRun::All},
    {0x1F59, 0x1F5F, -8, FoldRun::Odd},     {0x1F68, 0x1F6F, -8, FoldRun::All},
    {0x1F88, 0x1F8F, -8, FoldRun::All},     {0x1F98, 0x1F9F, -8, FoldRun::All},
    {0x1FA8, 0x1FAF, -8, FoldRun::All},     {0x1FB8, 0x1FB9, -8, FoldRun::All},
    {0x1FBA, 0x1FBB, -74, FoldRun::All},    {0x1FBC, 0x1FBC, -9, FoldRun::All},
    {0x1FBE, 0x1FBE, -7173, FoldRun::All},  {0x1FC8, 0x1FCB, -86, FoldRun::All},
    {0x1FCC, 0x1FCC, -9, FoldRun::All},     {0x1FD8, 0x1FD9, -8, FoldRun::All},
    {0x1FDA, 0x1FDB, -100, FoldRun::All},   {0x1FE8, 0x1FE9, -8, FoldRun::All},
    {0x1FEA, 0x1FEB, -112, FoldRun::All},   {0x1FEC, 0x1FEC, -7, FoldRun::All},
    {0x1FF8, 0x1FF9, -128, FoldRun::All},   {0x1FFA, 0x1FFB, -126, FoldRun::All},
    {0x1FFC, 0x1FFC, -9, FoldRun::All},     {0x2126, 0x2126, -7517, FoldRun::All},
    {0x212A, 0x212A, -8383, FoldRun::All},  {0x212B, 0x212B, -8262, FoldRun::All},
    {0x2132, 0x2132, 28, FoldRun::All},     {0x2160, 0x216F, 16, FoldRun::All},
    {0x2183, 0x2183, 1, FoldRun::All},      {0x24B6, 0x24CF, 26, FoldRun::All},
    {0x2C00, 0x2C2E, 48, FoldRun::All},     {0x2C60, 0x2C60, 1, FoldRun::All},
    {0x2C62, 0x2C62, -10743, FoldRun::All}, {0x2C63, 0x2C63, -3814, FoldRun::All},
    {0x2C64, 0x2C64, -10727, FoldRun::All}, {0x2C67, 0x2C6C, 1, FoldRun::Odd},
    {0x2C6D, 0x2C6D, -10780, FoldRun::All}, {0x2C6E, 0x2C6E, -10749, FoldRun::All},
    {0x2C6F, 0x2C6F, -10783, FoldRun::All}, {0x2C70, 0x2C70, -10782, FoldRun::All},
    {0x2C72, 0x2C72, 1, FoldRun::All},      {0x2C75, 0x2C75, 1, FoldRun::All},
    {0x2C7E, 0x2C7F, -10815, FoldRun::All}, {0x2C80, 0x2CE3, 1, FoldRun::Even},
    {0x2CEB, 0x2CEB, 1, FoldRun::All},      {0x2CED, 0x2CED, 1, FoldRun::All},
    {0x2CF2, 0x2CF2, 1, FoldRun::All},      {0xA640, 0xA66D, 1, FoldRun::Even},
    {0xA680, 0xA697, 1, FoldRun::Even},     {0xA722, 0xA72F, 1, FoldRun::Even},
    {0xA732, 0xA76F, 1, FoldRun::Even},     {0xA779, 0xA77C, 1, FoldRun::Odd},
    {0xA77D, 0xA77D, -35332, FoldRun::All}, {0xA77E, 0xA787, 1, FoldRun::Even},
    {0xA78B, 0xA78B, 1, FoldRun::All},      {0xA78D, 0xA78D, -42280, FoldRun::All},
    {0xA790, 0xA793, 1, FoldRun::Even},     {0xA7A0, 0xA7A9, 1, FoldRun::Even},
    {0xA7AA, 0xA7AA, -42308, FoldRun::All}, {0xFF21, 0xFF3A, 32, FoldRun::All},
    {0x10400, 0x10427, 40, FoldRun::All},
};

constexpr bool foldRunsInOrder() {
    for (std::size_t i = 1; i < std::size(kFoldRuns); ++i)
        if (kFoldRuns[i].first <= kFoldRuns[i - 1].last)
            return false;
    return true;
}
static_assert(foldRunsInOrder(), "the fold runs are looked up by binary search");

char32_t foldCodePoint(char32_t c) {
    const auto run = std::lower_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                                      [](const FoldRun& r, char32_t v) { return r.last < v; });
    if (run == std::end(kFoldRuns) || c < run->first ||
        (run->which == FoldRun::Even && c % 2 != 0) || (run->which == FoldRun::Odd && c % 2 == 0))
        return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run->delta);
}

// The code point of the well-formed UTF-8 sequence at the start of `text` and its length in
// bytes; length 0 for a byte that starts none (a stray or overlong byte, a surrogate).
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4
                               : lead >= 0xE0               ? 3
                               : lead >= 0xC2               ? 2
                                                            : 0;
    if (length == 0 || length > text.size())
        return {0, 0};
    char32_t c = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (byte(i) & 0x3Fu);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// `text` with its case folded into `out` (replacing what it held); bytes that are no UTF-8
// stay as they are, so a text of any bytes folds.
void foldCase(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte));
            ++at;
            continue;
        }
        const auto [c, length] = decodeUtf8(text.substr(at));
        if (length == 0) {
            out.push_back(static_cast<char>(byte));
            ++at;
            continue;
        }
        appendUtf8(out, foldCodePoint(c));
        at += length;
    }
}

// SQL function dipsheet_holds(text, word): 1 when `text`, its case folded, holds `word` (folded
// already), else 0; a NULL text holds nothing.
void holds(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* text = sqlite3_value_text(values[0]);
    const auto* word = sqlite3_value_text(values[1]);
    if (text == nullptr || word == nullptr) {
        sqlite3_result_int(context, 0);
        return;
    }
    thread_local std::string folded;
    foldCase({reinterpret_cast<const char*>(text),
              static_cast<std::size_t>(sqlite3_value_bytes(values[0]))},
             folded);
    const std::string_view wanted(reinterpret_cast<const char*>(word),
                                  static_cast<std::size_t>(sqlite3_value_bytes(values[1])));
    sqlite3_result_int(context, folded.find(wanted) != std::string::npos ? 1 : 0);
}

// The characters of a UTF-8 text (its bytes less the continuation bytes).
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// A search holds at most this many words; the rest are ignored. Each word narrows the list, so
// more say nothing the first ones did not, and an engine query has a size it refuses past.
constexpr std::size_t kSearchWords = 16;

// Blanks between the words of a search: spaces and every control character (NUL included),
// since a pasted text may hold any of them and none is part of a stored word.
bool isBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7F;
}

// What a search asks of ChartHistorySearch: an FTS5 query of the words the trigrams can find
// (three characters or more, each a quoted phrase, so no character of it is syntax; the trigram
// index folds their case itself) and each shorter word with its case folded, which
// dipsheet_holds looks for in the words of each chart. Only the first kSearchWords words count.
struct SearchQuery {
    std::string match;
    std::vector<std::string> shortWords;

    explicit SearchQuery(std::string_view search) {
        std::size_t at = 0;
        for (std::size_t words = 0; words < kSearchWords; ++words) {
            while (at < search.size() && isBlank(search[at]))
                ++at;
            if (at == search.size())
                break;
            const std::size_t start = at;
            while (at < search.size() && !isBlank(search[at]))
                ++at;
            const std::string_view word = search.substr(start, at - start);
            if (characters(word) >= 3) {
                match.append(match.empty() ? "\"" : " AND \"");
                for (const char c : word)
                    match.append(c == '"' ? "\"\"" : std::string(1, c));
                match.append("\"");
            } else {
                std::string folded;
                foldCase(word, folded);
                shortWords.push_back(std::move(folded));
            }
        }
    }

    std::string where() const {
        std::string sql;
        if (!match.empty())
            sql = "ChartHistorySearch MATCH ?";
        for (std::size_t i = 0; i < shortWords.size(); ++i)
            sql.append(sql.empty() ? "" : " AND ").append("dipsheet_holds(Words, ?)");
        return sql;
    }
};

// The charts of `query`, newest first, at most `limit` (0: all). A query of no words reads
// ChartHistory alone, without the index.
std::vector<HistoryEntry> findHistory(sqlite3* db, const SearchQuery& query, std::size_t limit) {
    std::string sql = std::string("SELECT ") + kColumns + " FROM ChartHistory h";
    if (!query.where().empty())
        sql += " WHERE h.Id IN (SELECT rowid FROM ChartHistorySearch WHERE " + query.where() + ")";
    sql += " ORDER BY h.Id DESC";
    if (limit > 0)
        sql += " LIMIT " + std::to_string(limit);
    Statement statement(db, sql.c_str(), "searching table ChartHistory");
    int index = 0;
    if (!query.match.empty())
        statement.bindText(++index, query.match);
    for (const std::string& word : query.shortWords)
        statement.bindText(++index, word);
    std::vector<HistoryEntry> entries;
    while (statement.step())
        entries.push_back(entryOf(statement));
    return entries;
}

// The tables in which FTS5 keeps ChartHistorySearch, dropped with it.
constexpr const char* kDropSearchTables[] = {"DROP TABLE IF EXISTS ChartHistorySearch_data",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_idx",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_content",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_docsize",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_config"};

// Takes ChartHistorySearch out of the schema when FTS5 cannot open it to drop it (its settings
// or the record of its structure damaged): a virtual table owns no pages, so its schema entry
// goes alone and its tables are dropped after it. The schema is writable only meanwhile.
void forgetSearchIndex(sqlite3* db, const std::string& doing) {
    execute(db, "PRAGMA writable_schema = ON", doing);
    try {
        execute(db,
                "DELETE FROM sqlite_master WHERE type = 'table' AND name = 'ChartHistorySearch' "
                "AND rootpage = 0",
                doing);
    } catch (const StoreError&) {
        sqlite3_exec(db, "PRAGMA writable_schema = RESET", nullptr, nullptr, nullptr);
        throw;
    }
    execute(db, "PRAGMA writable_schema = RESET", doing);
}

// ChartHistorySearch made again from ChartHistory, in one transaction (part of the caller's,
// when one is open): whatever was there, missing, damaged or out of step, is dropped.
void rebuildSearchIndex(sqlite3* db) {
    const std::string doing = "rebuilding the search index of table ChartHistory";
    detail::Transaction transaction(db, doing);
    try {
        execute(db, "DROP TABLE IF EXISTS ChartHistorySearch", doing);
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        forgetSearchIndex(db, doing);
    }
    for (const char* sql : kDropSearchTables)
        execute(db, sql, doing);
    execute(db, schema::kCreateSearch, doing);
    execute(db,
            "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || char(10) || "
            "Customer || char(10) || TankDesc FROM ChartHistory",
            doing);
    transaction.commit();
}

// Whether ChartHistorySearch is there, readable and holds the rows of ChartHistory (as many,
// with the same ids); when not, it is rebuilt and the result is true. A check the engine
// cannot run for another reason (a busy or unreadable file) throws. The words of each row are
// not compared, nor the index's own pages read: a search costs no full read of the index.
bool ensureSearchIndex(sqlite3* db) {
    try {
        Statement check(db,
                        "SELECT (SELECT count(*), total(Id) FROM ChartHistory) IS "
                        "(SELECT count(*), total(rowid) FROM ChartHistorySearch)",
                        "checking the search index of table ChartHistory");
        if (check.step() && check.integer(0) == 1)
            return false;
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
    }
    rebuildSearchIndex(db);
    return true;
}

// Inside the append's transaction: the chart just added to ChartHistory added to its index.
// An index found damaged on the way (in pages the first check does not read) or holding the
// chart's id already is rebuilt, the new chart with it, and the result is true.
bool indexNewChart(sqlite3* db) {
    try {
        execute(db,
                "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || char(10) || "
                "Customer || char(10) || TankDesc FROM ChartHistory WHERE Id = last_insert_rowid()",
                "appending the chart to table ChartHistory");
        return false;
    } catch (const StoreError& error) {
        if (!error.meansDamage() && (error.code() & 0xff) != SQLITE_CONSTRAINT)
            throw;
    }
    rebuildSearchIndex(db);
    return true;
}

// Whether the index's own pages agree with its rows (FTS5's integrity check, a full read).
bool searchIndexSound(sqlite3* db) {
    try {
        execute(db, "INSERT INTO ChartHistorySearch(ChartHistorySearch) VALUES('integrity-check')",
                "checking the search index of table ChartHistory");
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        return false;
    }
    return true;
}

// After the engine refused a search over a sound index: the history read without the search
// (which throws, as damage, when ChartHistory itself cannot be read), then the refusal thrown
// as one that does not mean damage.
[[noreturn]] void refuseSearch(sqlite3* db, const StoreError& refusal) {
    findHistory(db, SearchQuery({}), 1);
    throw StoreError(kSearchRefused, std::string("The search could not be run (") + refusal.what() +
                                         "): try fewer or shorter words");
}

}  // namespace

void detail::registerSearchFunctions(sqlite3* db) {
    if (sqlite3_create_function_v2(db, "dipsheet_holds", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   &holds, nullptr, nullptr, nullptr) != SQLITE_OK)
        detail::fail(db, "preparing the search of table ChartHistory");
}

void Database::appendHistory(const ChartSetup& setup, std::span<const chart::CapacityRow> rows) {
    const std::string doing = "appending the chart to table ChartHistory";
    // The caller's write has brought the file up to date; a history dropped by hand since is
    // made again, and its search index with it below.
    execute(m_db, schema::kCreateHistory, doing);
    execute(m_db, schema::kCreateHistoryIds, doing);
    m_searchIndexRebuilt = ensureSearchIndex(m_db) || m_searchIndexRebuilt;
    // The heading of the job record on file (an empty one when the table holds no record).
    Statement insert(m_db,
                     "INSERT INTO ChartHistory(Made, Client, Customer, TankDesc, SerialNo, Setup, "
                     "Tank, Full, Unit, Rows) VALUES(datetime('now', 'localtime'), "
                     "coalesce((SELECT mrQRTMember FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrCustomer FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrTankDesc FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrSerialNo FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "?1, ?2, ?3, ?4, ?5)",
                     doing);
    const std::string tank = setup.tank->toText();
    const std::string kept = rowBytes(rows);
    insert.bindBlob(5, kept);
    insert.bindText(1, setup.text);
    insert.bindText(2, tank);
    insert.bindDouble(3, setup.full);
    insert.bindText(4, chart::volumeUnit(setup.tank->inches));
    insert.step();
    m_appendedHistoryId = sqlite3_last_insert_rowid(m_db);
    m_searchIndexRebuilt = indexNewChart(m_db) || m_searchIndexRebuilt;
}

std::vector<HistoryEntry> Database::readHistory(std::string_view search, std::size_t limit) {
    if (!hasHistory(m_db))
        return {};
    const SearchQuery query(search);
    if (query.match.empty() && query.shortWords.empty())
        return findHistory(m_db, query, limit);  // the list alone: no index read, none mended
    m_searchIndexRebuilt = ensureSearchIndex(m_db) || m_searchIndexRebuilt;
    try {
        return findHistory(m_db, query, limit);
    } catch (const StoreError& error) {
        // The index damaged in pages the first check does not read, or a search the engine
        // refuses: only the first is mended, by a rebuild.
        if (!error.meansDamage())
            throw;
        if (searchIndexSound(m_db))
            refuseSearch(m_db, error);
    }
    rebuildSearchIndex(m_db);
    m_searchIndexRebuilt = true;
    try {
        return findHistory(m_db, query, limit);
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        refuseSearch(m_db, error);
    }
}

std::optional<HistoryEntry> Database::readHistoryEntry(std::int64_t id) {
    if (!hasHistory(m_db))
        return std::nullopt;
    Statement statement(
        m_db, (std::string("SELECT ") + kColumns + " FROM ChartHistory h WHERE h.Id = ?1").c_str(),
        "reading table ChartHistory");
    statement.bindInteger(1, id);
    if (!statement.step())
        return std::nullopt;
    return entryOf(statement);
}

std::optional<std::vector<chart::CapacityRow>> Database::readHistoryRows(std::int64_t id) {
    if (!hasHistory(m_db) || !keepsRows(m_db))
        return std::nullopt;
    Statement statement(m_db, "SELECT Rows FROM ChartHistory WHERE Id = ?1",
                        "reading the rows of a chart from table ChartHistory");
    statement.bindInteger(1, id);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    const bool blob = statement.isBlob(0);  // asked before text() converts the value
    const std::string bytes = statement.text(0);
    const auto unreadable = [id](const std::string& why) {
        return StoreError(kRowsUnreadable, "the rows kept with chart " + std::to_string(id) +
                                               " cannot be read (" + why + ")");
    };
    // No chart has no rows or more than the largest chart's: printed, such rows would say
    // nothing of the tank, and put on show they would wipe the chart there.
    if (!blob || bytes.empty() || bytes.size() % kRowBytes != 0 ||
        bytes.size() / kRowBytes > static_cast<std::size_t>(chart::kMaxRows))
        throw unreadable(std::to_string(bytes.size()) + " bytes, not 1 to " +
                         std::to_string(chart::kMaxRows) + " rows of 8");
    std::vector<chart::CapacityRow> rows(bytes.size() / kRowBytes);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {getSingle(&bytes[i * kRowBytes]), getSingle(&bytes[i * kRowBytes + 4])};
        if (!std::isfinite(rows[i].depth) || !std::isfinite(rows[i].volume))
            throw unreadable("row " + std::to_string(i + 1) + " is no number");
    }
    return rows;
}

void Database::retitleHistoryEntry(std::int64_t id, const JobRecord& job) {
    const std::string doing = "writing the heading of a chart to table ChartHistory";
    detail::Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    Statement update(m_db,
                     "UPDATE ChartHistory SET Client = CASE WHEN trim(?2, ' ') = '' THEN Client "
                     "ELSE ?2 END, Customer = ?3, TankDesc = ?4, SerialNo = ?5 WHERE Id = ?1",
                     doing);
    update.bindInteger(1, id);
    update.bindText(2, job.member);
    update.bindText(3, job.customer);
    update.bindText(4, job.tankDesc);
    update.bindText(5, job.serialNo);
    update.step();
    for (const char* sql : {"DELETE FROM ChartHistorySearch WHERE rowid = ?1",
                            "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || "
                            "char(10) || Customer || char(10) || TankDesc FROM ChartHistory "
                            "WHERE Id = ?1"}) {
        Statement statement(m_db, sql, doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
}

void Database::deleteHistoryEntry(std::int64_t id) {
    const std::string doing = "deleting a chart from table ChartHistory";
    detail::Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    for (const char* sql : {"DELETE FROM ChartHistory WHERE Id = ?1",
                            "DELETE FROM ChartHistorySearch WHERE rowid = ?1"}) {
        Statement statement(m_db, sql, doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
}

}  // namespace dipsheet::store
