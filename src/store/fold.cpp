// Case folding for the history's search, by a table of runs of code points.

#include "store/fold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace dipsheet::store::detail {

namespace {

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

}  // namespace

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

std::vector<std::string_view> searchWords(std::string_view search) {
    constexpr std::size_t kSearchWords = 16;
    const auto isBlank = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F;
    };
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (words.size() < kSearchWords) {
        while (at < search.size() && isBlank(search[at]))
            ++at;
        if (at == search.size())
            break;
        const std::size_t start = at;
        while (at < search.size() && !isBlank(search[at]))
            ++at;
        words.push_back(search.substr(start, at - start));
    }
    return words;
}

}  // namespace dipsheet::store::detail
