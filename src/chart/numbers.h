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

}  // namespace dipsheet::chart
