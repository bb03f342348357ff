#pragma once

// What the charts check as they read a tank: a typed text quoted in a message, a number
// written in one, a double that must fit a single, the dipstick's span above the striker plate
// and the row count of a chart or a table.

#include <string>
#include <string_view>

#include "chart/chart.h"

namespace dipsheet::chart::detail {

// The text as typed, in quotes; a very long one is cut so the message stays readable.
std::string quoted(std::string_view text);
// A number in a message: "%.7g".
std::string numberText(double value);
// Whether a double is finite and within the range of a single.
bool fitsSingle(double value);
// Rounds a double intermediate to single precision, refusing what a single cannot hold.
float toSingle(double value, const std::string& what);

// How a step is named in its messages: "Incremental distance" stepping the "chart", "Volume
// step" stepping the "table", and the advice for a text that is no number and for one not
// above 0.
struct StepWords {
    const char *caption, *notANumber, *notAboveZero, *stepped;
};
// A step typed as one number with '.' as the decimal point (the whole text: '1/8' is no step
// of 1), above 0 and still above 0 in single precision: its value. Throws InputError in the
// step's words otherwise.
double readStep(std::string_view text, const StepWords& words);

// The dipstick's span, the top less S, refused below 0; a tank refused by refuseNoCapacity too.
double spanAboveStriker(const TankVolume& tank);
// Refuses a tank so small that its full capacity is 0 as a single (every row would read 0), as
// a dimension of 0 is refused.
void refuseNoCapacity(const TankVolume& tank);
// Refuses a chart (`table`) of more than kMaxRows rows, naming the `step` to make larger.
void refuseRowCount(double count, const char* table, const char* step);

}  // namespace dipsheet::chart::detail
