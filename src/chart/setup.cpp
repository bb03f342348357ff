#include "setup.h"

namespace dipsheet::chart {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string describeSetup(Shape shape, const ChartOptions& o,
                          const std::vector<TypedDimension>& dimensions, HeadKind heads) {
    std::string text;
    switch (shape) {
        case Shape::Rectangular:
            text = "Rectangular tank";
            break;
        case Shape::HorizontalCylinder:
            text = "Horizontal cylinder";
            break;
        case Shape::VerticalCylinder:
            text = "Vertical cylinder";
            break;
    }
    if (shape != Shape::Rectangular) {
        text.append(", ").append(headKindTitle(heads));
        text.append(shape == Shape::VerticalCylinder ? " bottom" : " heads");
    }
    text.append(o.outside ? ", outside" : ", inside");
    text.append(o.inches ? ", inches: " : ", millimetres: ");
    for (std::size_t i = 0; i < dimensions.size(); ++i) {
        if (i > 0)
            text.append(", ");
        text.append(dimensions[i].caption).append(" ").append(trimmed(dimensions[i].text));
    }
    text.append("; increment ").append(trimmed(o.increment));
    text.append(!o.striker ? "; no striker plate"
                : o.inches ? "; striker 0.25 in"
                           : "; striker 6 mm");
    return text;
}

}  // namespace dipsheet::chart
