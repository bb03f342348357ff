#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <string>

namespace dipsheet::chart {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The digits of a number taken apart: sign, mantissa digits, where the decimal point stood
// among them, and the exponent. Kept as text so that the final conversion rounds once.
struct DecimalParts {
    bool negative = false;
    std::string digits;       // every mantissa digit, the point left out
    std::size_t pointAt = 0;  // count of digits before the decimal point
    long long exponent = 0;   // capped, so that absurd exponents cannot overflow
};

constexpr long long kExponentCap = 100000;

// Converts the parts with one rounding to T. Values beyond T's range give an infinity
// (too large) or a zero (too small) of the right sign; `outOfRange` tells which happened.
template <typename T>
T convertParts(const DecimalParts& p, bool* outOfRange) {
    if (outOfRange)
        *outOfRange = false;
    std::string text = p.digits.empty() ? "0" : p.digits;
    const long long exponent = p.exponent - static_cast<long long>(text.size() - p.pointAt);
    text += 'e';
    text += std::to_string(exponent);
    T value{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        if (outOfRange)
            *outOfRange = true;
        // Decide overflow or underflow from the place of the first significant digit.
        const auto first = p.digits.find_first_not_of('0');
        const long long order =
            p.exponent + static_cast<long long>(p.pointAt) - static_cast<long long>(first) - 1;
        value = order > 0 ? std::numeric_limits<T>::infinity() : T{0};
    }
    return p.negative ? -value : value;
}

// Reads "&H..." or "&O..." digits starting at text[i] (just past the letter). Stops at the
// first character that is not a digit of the base; returns how many digits were read.
std::size_t readRadix(std::string_view text, std::size_t i, int base, double* value) {
    double v = 0;
    std::size_t n = 0;
    for (; i < text.size(); ++i, ++n) {
        const int d = hexValue(text[i]);
        if (d < 0 || d >= base)
            break;
        v = v * base + d;
    }
    *value = v;
    return n;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::string trimmed(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return std::string(text.substr(b, e - b));
}

double leadingNumber(std::string_view raw) {
    // Blanks, tabs and line feeds count nowhere in the text.
    std::string text;
    text.reserve(raw.size());
    for (char c : raw) {
        if (c != ' ' && c != '\t' && c != '\n')
            text += c;
    }
    std::size_t i = 0;
    if (text.size() >= 2 && text[0] == '&') {
        const char kind = text[1];
        double value = 0;
        if (kind == 'H' || kind == 'h')
            readRadix(text, 2, 16, &value);
        if (kind == 'O' || kind == 'o')
            readRadix(text, 2, 8, &value);
        return value;
    }
    DecimalParts p;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        p.negative = text[i] == '-';
        ++i;
    }
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i])) {
            p.digits += text[i];
        } else if (text[i] == '.' && !point) {
            point = true;
            p.pointAt = p.digits.size();
        } else {
            break;
        }
    }
    if (!point)
        p.pointAt = p.digits.size();
    if (p.digits.empty())
        return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        long long exponent = 0;
        for (; j < text.size() && isDigit(text[j]); ++j) {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (text[j] - '0');
        }
        p.exponent = negativeExponent ? -exponent : exponent;
    }
    return convertParts<double>(p, nullptr);
}

namespace {

// Strict reading of a whole trimmed text into parts; false when it is not one number.
bool strictParts(std::string_view raw, const NumberFormat& format, DecimalParts* parts,
                 std::optional<double>* radixValue) {
    std::size_t b = 0, e = raw.size();
    while (b < e && isBlank(raw[b]))
        ++b;
    while (e > b && isBlank(raw[e - 1]))
        --e;
    const std::string_view text = raw.substr(b, e - b);
    if (text.empty())
        return false;

    if (text.size() >= 3 && text[0] == '&') {
        const char kind = text[1];
        const int base = (kind == 'H' || kind == 'h') ? 16 : (kind == 'O' || kind == 'o') ? 8 : 0;
        if (base == 0)
            return false;
        double value = 0;
        const std::size_t n = readRadix(text, 2, base, &value);
        if (n == 0 || n + 2 != text.size())
            return false;
        *radixValue = value;
        return true;
    }

    DecimalParts& p = *parts;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') {
        p.negative = text[i] == '-';
        ++i;
    }
    // Whole part: digit runs, optionally grouped in threes by the group separator.
    const std::string_view group = format.groupSeparator;
    const std::string_view decimal = format.decimalSeparator;
    std::size_t runs = 0, firstRun = 0;
    for (;;) {
        std::size_t run = 0;
        while (i < text.size() && isDigit(text[i])) {
            p.digits += text[i++];
            ++run;
        }
        if (runs == 0) {
            firstRun = run;
        } else if (run != 3) {
            return false;
        }
        ++runs;
        if (!group.empty() && run > 0 && text.substr(i, group.size()) == group &&
            i + group.size() < text.size() && isDigit(text[i + group.size()])) {
            if (runs == 1 && firstRun > 3)
                return false;
            i += group.size();
            continue;
        }
        break;
    }
    p.pointAt = p.digits.size();
    if (!decimal.empty() && text.substr(i, decimal.size()) == decimal) {
        i += decimal.size();
        while (i < text.size() && isDigit(text[i]))
            p.digits += text[i++];
    }
    if (p.digits.empty())
        return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= text.size() || !isDigit(text[i]))
            return false;
        long long exponent = 0;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (text[i] - '0');
        }
        p.exponent = negativeExponent ? -exponent : exponent;
    }
    return i == text.size();
}

template <typename T>
std::optional<T> strictValue(std::string_view text, const NumberFormat& format) {
    DecimalParts parts;
    std::optional<double> radix;
    if (!strictParts(text, format, &parts, &radix))
        return std::nullopt;
    if (radix) {
        if (*radix > static_cast<double>(std::numeric_limits<T>::max()))
            return std::nullopt;
        return static_cast<T>(*radix);
    }
    bool outOfRange = false;
    const T value = convertParts<T>(parts, &outOfRange);
    if (outOfRange && !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> strictDouble(std::string_view text, const NumberFormat& format) {
    return strictValue<double>(text, format);
}

std::optional<float> strictSingle(std::string_view text, const NumberFormat& format) {
    return strictValue<float>(text, format);
}

bool isNumberText(std::string_view text, const NumberFormat& format) {
    DecimalParts parts;
    std::optional<double> radix;
    return strictParts(text, format, &parts, &radix);
}

std::optional<std::string> numberInFormat(std::string_view text, const NumberFormat& from,
                                          const NumberFormat& to) {
    if (!isNumberText(text, from))
        return std::nullopt;
    // The text is one number, so a separator can stand only where the strict reader takes it:
    // a group separator between digits of the whole part (tried first, as there), then the
    // decimal separator once, before any exponent.
    const std::string_view group = from.groupSeparator, decimal = from.decimalSeparator;
    std::string out;
    bool wholePart = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        if (wholePart && !group.empty() && i > 0 && isDigit(text[i - 1]) &&
            rest.substr(0, group.size()) == group && rest.size() > group.size() &&
            isDigit(rest[group.size()])) {
            i += group.size();
            continue;
        }
        if (wholePart && !decimal.empty() && rest.substr(0, decimal.size()) == decimal) {
            out += to.decimalSeparator;
            i += decimal.size();
            wholePart = false;
            continue;
        }
        const char c = text[i++];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == '&')
            wholePart = false;  // an exponent, or a hexadecimal or octal whole number
        out += c;
    }
    return out;
}

std::string singleText(float value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, end);
}

std::string singleDefaultText(float value) {
    if (!std::isfinite(value))
        return singleText(value);
    if (value == 0.0f)
        return "0";
    // Every significant digit of the single, exactly: widened to double it is unchanged, and
    // its decimal expansion has at most 112 significant digits (the smallest normals).
    char buffer[160];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(static_cast<double>(value)),
                      std::chars_format::scientific, 120);
    (void)ec;
    // buffer holds "d.ddd...e±xx": seven digits kept, the eighth decides the rounding. The
    // digits are exact, so an eighth digit of 5 or more is at or beyond the half.
    std::string digits{buffer[0]};
    digits.append(buffer + 2, buffer + 8);
    const char* e = std::find(buffer, end, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    if (buffer[8] >= '5') {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9')
            digits[--i] = '0';
        if (i == 0) {
            digits[0] = '1';  // 9999999|5 becomes 1000000 one place up
            ++exponent;
        } else {
            ++digits[i - 1];
        }
    }
    digits.erase(digits.find_last_not_of('0') + 1);

    std::string text = value < 0.0f ? "-" : "";
    if (exponent >= -5 && exponent <= 6) {
        const auto whole = static_cast<std::size_t>(std::max(exponent + 1, 0));
        if (whole == 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        } else if (digits.size() <= whole) {
            text += digits;
            text.append(whole - digits.size(), '0');
        } else {
            text += digits.substr(0, whole);
            text += '.';
            text += digits.substr(whole);
        }
        return text;
    }
    text += digits[0];
    if (digits.size() > 1) {
        text += '.';
        text += digits.substr(1);
    }
    text += exponent < 0 ? "E-" : "E+";
    const std::string power = std::to_string(std::abs(exponent));
    if (power.size() < 2)
        text += '0';
    return text + power;
}

}  // namespace dipsheet::chart

namespace dipsheet::chart {

DepthWriting::DepthWriting(float increment, bool fractions) {
    if (!(std::isfinite(increment) && increment > 0))
        return;
    const double sixtyFourths = static_cast<double>(increment) * 64;
    m_sixtyFourths = fractions && sixtyFourths == std::floor(sixtyFourths);
    // The decimals of the shortest text: the digits after the point less the exponent.
    const std::string shortest = singleText(increment);
    const std::size_t e = shortest.find('e');
    const std::string mantissa = shortest.substr(0, e);
    const std::size_t point = mantissa.find('.');
    int decimals = point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    if (e != std::string::npos)
        decimals -= std::atoi(shortest.c_str() + e + 1);
    m_decimals = std::clamp(decimals, 0, 9);
}

std::string DepthWriting::text(float depth) const {
    if (!std::isfinite(depth))
        return singleText(depth);
    if (m_sixtyFourths && depth > 0) {
        if (auto fraction = sixtyFourthsText(depth))
            return *fraction;
    }
    // A chart's rows lie above 0; a depth at or below it is a row of the file's own.
    if (m_decimals < 0 || !(depth > 0) || depth >= 1e9f)
        return singleDefaultText(depth);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", m_decimals, static_cast<double>(depth));
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

std::optional<std::string> sixtyFourthsText(double depth) {
    if (!(std::fabs(depth) < 16777216.0))
        return std::nullopt;
    const double rounded = std::nearbyint(depth * 64);
    const auto n = static_cast<std::int64_t>(std::fabs(rounded));
    const std::int64_t whole = n / 64;
    std::int64_t numerator = n % 64, denominator = 64;
    const std::int64_t common = std::gcd(numerator, denominator);
    numerator /= common;
    denominator /= common;
    std::string text = rounded < 0 ? "-" : "";
    if (numerator == 0)
        return text + std::to_string(whole);
    const std::string part = std::to_string(numerator) + "/" + std::to_string(denominator);
    return whole == 0 ? text + part : text + std::to_string(whole) + " " + part;
}

}  // namespace dipsheet::chart
