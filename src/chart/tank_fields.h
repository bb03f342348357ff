#pragma once

// The fields of a tank by its shape: their captions on screen and their keys in the stored line,
// shared by the set-up line and the stored line.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "chart/tank.h"

namespace dipsheet::chart::detail {

// A field of the tank under its caption on screen and its key in the stored line, which is
// the command line's option name.
struct Field {
    std::string Tank::*text;
    const char* caption;
    const char* key;
};

// The dimension fields a shape reads, in the panel's order; the thicknesses (the last
// `thicknesses` of them) only with outside measures.
struct ShapeFields {
    Shape shape;
    const char* name;  // --shape
    const char* title;
    std::vector<Field> fields;
    std::size_t thicknesses;
    const char* headsKey;  // --heads / --bottom, and the depth's key and caption
    const char* depthKey;
    const char* depthCaption;
};

// The three shapes' fields.
const std::array<ShapeFields, 3>& shapeTable();
const ShapeFields& fieldsOf(Shape shape);
// The fields the tank reads: the thicknesses only with outside measures.
std::vector<Field> readFields(const Tank& tank);
// Whether the tank's heads (bottom) take a typed depth.
bool typedDepth(const Tank& tank);

}  // namespace dipsheet::chart::detail
