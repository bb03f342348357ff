#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dipsheet::chart {

// The number a text begins with, read leniently: blanks, tabs and line feeds are ignored
// anywhere in the text; then an optional sign, digits with at most one '.', and an optional
// exponent (E or D, optional sign, digits), up to the first character that cannot continue
// the number. A text beginning with "&H" or "&O" reads as a hexadecimal or octal whole number.
// A text without a leading number reads 0. '.' is the decimal point whatever the user's
// number format. An exponent too large for a double gives an infinity of the right sign.
double leadingNumber(std::string_view text);

// The text without the blanks, tabs, carriage returns and line feeds around it: the blanks a
// number may have around it, which every field of a tank sheds before it is read or stored.
std::string trimmed(std::string_view text);

// The decimal and group separators of the user's number format, as UTF-8 texts.
struct NumberFormat {
    std::string decimalSeparator = ".";
    std::string groupSeparator = ",";

    friend bool operator==(const NumberFormat&, const NumberFormat&) = default;
};

// Strict conversion: the whole text, with blanks around it allowed, must be one number in the
// given format: optional sign, digits (group separators allowed between groups of three in the
// whole part), optional decimal separator and digits, optional exponent (E or D). "&H" and
// "&O" whole numbers are accepted too. Anything else, and any value that is not finite in the
// requested precision, gives no value.
std::optional<double> strictDouble(std::string_view text, const NumberFormat& format);
std::optional<float> strictSingle(std::string_view text, const NumberFormat& format);
// Whether the whole text is written as one number in the format, whatever its size.
bool isNumberText(std::string_view text, const NumberFormat& format);
// A number text of format `from` written in format `to`, for the same value: its group
// separators dropped and its decimal separator replaced; everything else as it stands. None for
// a text that is not one number in `from`.
std::optional<std::string> numberInFormat(std::string_view text, const NumberFormat& from,
                                          const NumberFormat& to);

// The shortest text that reads back to the same single ("3.299999", "1.0000001"): the text
// for machines, which keeps a stored value exact.
std::string singleText(float value);

// A single's default text for people ("0.7", "129.8611", "1.882795E-06"): the value rounded
// to 7 significant digits, half away from zero, trailing zeros and a trailing point dropped.
// A rounded value from 0.00001 up to, not including, 10,000,000 is written as plain decimals
// with a leading "0" below 1; any other as a mantissa, 'E', a sign and at least two exponent
// digits ("1E+07", "-2.5E+08"). Zero of either sign is "0"; infinities and NaN read as
// singleText gives them.
std::string singleDefaultText(float value);

// How a chart's depths are written for people. The running sum of the increment in single
// precision drifts in its last digits (9.700001, 47.69984), which the stored rows keep; people
// read each depth rounded to the increment's decimals ("9.7", "47.7", "40"), or, on an inch
// page laid out in fractions with an increment that is a whole number of 64ths, as the nearest
// 1/64 ("37 1/2"): one way or the other for every row of a chart, never a mix.
class DepthWriting {
public:
    // The single's default text, for depths of no known increment.
    DepthWriting() = default;
    // For the increment as the chart stepped it: its decimals are those of its shortest text
    // (".125" and "0.1250" both 3, "2.5e-05" 6), at most 9.
    DepthWriting(float increment, bool fractions);

    // A depth at or below 0 is no row of a chart (the job file's own rows): its default text.
    std::string text(float depth) const;
    bool inSixtyFourths() const { return m_sixtyFourths; }
    int decimals() const { return m_decimals; }
    // One decimal more, up to 9 (a known increment's decimals only).
    void addDecimal() {
        if (m_decimals >= 0 && m_decimals < 9)
            ++m_decimals;
    }
    // Whether the increment is known (else every depth is the single's default text).
    bool known() const { return m_decimals >= 0; }

private:
    int m_decimals = -1;  // -1: the single's default text
    bool m_sixtyFourths = false;
};

// A depth as a whole number and a fraction of an inch in lowest terms ("10 1/8", "1/2", "3",
// "-1 3/4"): the depth rounded to the nearest 1/64. None for a depth of 2^24 or more.
std::optional<std::string> sixtyFourthsText(double depth);

}  // namespace dipsheet::chart
