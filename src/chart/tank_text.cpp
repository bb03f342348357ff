// The tank in one stored line of "key=value" pairs, and back.

#include "chart/tank.h"

#include "tank_fields.h"

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dipsheet::chart {

using detail::Field;
using detail::fieldsOf;
using detail::readFields;
using detail::ShapeFields;
using detail::shapeTable;
using detail::typedDepth;

namespace {

// A value of the stored line: '%', ';', blanks and control characters as %XX.
std::string escaped(std::string_view value) {
    std::string out;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == ';' || byte <= 0x20 || byte == 0x7f) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        if (i + 2 >= value.size())
            return std::nullopt;
        unsigned byte = 0;
        for (const char c : value.substr(i + 1, 2)) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0)
                return std::nullopt;
            byte = byte * 16 + unsigned(digit);
        }
        out += static_cast<char>(byte);
        i += 2;
    }
    return out;
}

// The pairs of a stored line, in order; none when a pair has no '=' or a key comes twice.
std::optional<std::map<std::string, std::string>> pairsOf(std::string_view text) {
    std::map<std::string, std::string> pairs;
    while (!text.empty()) {
        const auto end = text.find(';');
        const std::string pair = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (pair.empty())
            continue;
        const auto eq = pair.find('=');
        if (eq == std::string::npos)
            return std::nullopt;
        auto value = unescaped(pair.substr(eq + 1));
        if (!value || !pairs.emplace(pair.substr(0, eq), std::move(*value)).second)
            return std::nullopt;
    }
    return pairs;
}

// Takes `key` out of the pairs: its value, or none when it is missing.
std::optional<std::string> take(std::map<std::string, std::string>& pairs, const std::string& key) {
    const auto found = pairs.find(key);
    if (found == pairs.end())
        return std::nullopt;
    std::string value = std::move(found->second);
    pairs.erase(found);
    return value;
}

// Which of two words a key holds; none for any other value.
std::optional<bool> choice(std::map<std::string, std::string>& pairs, const std::string& key,
                           const char* yes, const char* no) {
    const auto value = take(pairs, key);
    if (value == yes)
        return true;
    if (value == no)
        return false;
    return std::nullopt;
}

}  // namespace

std::string Tank::toText() const {
    const ShapeFields& own = fieldsOf(shape);
    std::vector<std::pair<std::string, std::string>> pairs{
        {"tank", "1"},
        {"shape", own.name},
        {"units", lengthUnit(inches)},
        {"measures", outside ? "outside" : "inside"},
        {"striker", striker ? "yes" : "no"},
        {byVolume ? "by-volume" : "increment", increment}};
    for (const Field& field : readFields(*this))
        pairs.emplace_back(field.key, this->*field.text);
    if (shape != Shape::Rectangular) {
        pairs.emplace_back(own.headsKey, headKindName(heads.kind));
        if (typedDepth(*this))
            pairs.emplace_back(own.depthKey, heads.depth);
    }
    if (horizontal()) {
        for (const auto& [key, text] :
             {std::pair{"tilt-fall", &fall}, std::pair{"tilt-degrees", &tiltDegrees},
              std::pair{"dip-at", &dipAt}}) {
            if (!text->empty())
                pairs.emplace_back(key, *text);
        }
    }
    pairs.emplace_back("decimal", format.decimalSeparator);
    pairs.emplace_back("group", format.groupSeparator);
    std::string text;
    for (const auto& [key, value] : pairs) {
        if (!text.empty())
            text += "; ";
        text.append(key).append("=").append(escaped(value));
    }
    return text;
}

std::optional<Tank> Tank::fromText(std::string_view text) {
    auto pairs = pairsOf(text);
    if (!pairs || take(*pairs, "tank") != "1")
        return std::nullopt;
    Tank tank;
    const auto shapeName = take(*pairs, "shape");
    const ShapeFields* own = nullptr;
    for (const ShapeFields& entry : shapeTable()) {
        if (shapeName == entry.name)
            own = &entry;
    }
    const auto inches = choice(*pairs, "units", "in", "mm");
    const auto outside = choice(*pairs, "measures", "outside", "inside");
    const auto striker = choice(*pairs, "striker", "yes", "no");
    // The increment, or the volume step of a chart by volume: one of the two.
    auto increment = take(*pairs, "increment");
    auto step = take(*pairs, "by-volume");
    if (increment && step)
        return std::nullopt;
    tank.byVolume = step.has_value();
    if (step)
        increment = std::move(step);
    auto decimal = take(*pairs, "decimal");
    auto group = take(*pairs, "group");
    if (!own || !inches || !outside || !striker || !increment || !decimal || !group)
        return std::nullopt;
    tank.shape = own->shape;
    tank.inches = *inches;
    tank.outside = *outside;
    tank.striker = *striker;
    tank.increment = std::move(*increment);
    tank.format = {std::move(*decimal), std::move(*group)};
    for (const Field& field : readFields(tank)) {
        auto value = take(*pairs, field.key);
        if (!value)
            return std::nullopt;
        tank.*field.text = std::move(*value);
    }
    if (own->headsKey) {
        const auto kind = headKindFromName(take(*pairs, own->headsKey).value_or(""));
        if (!kind)
            return std::nullopt;
        tank.heads.kind = *kind;
        if (typedDepth(tank)) {
            auto depth = take(*pairs, own->depthKey);
            if (!depth)
                return std::nullopt;
            tank.heads.depth = std::move(*depth);
        }
    }
    if (tank.horizontal()) {
        tank.fall = take(*pairs, "tilt-fall").value_or("");
        tank.tiltDegrees = take(*pairs, "tilt-degrees").value_or("");
        tank.dipAt = take(*pairs, "dip-at").value_or("");
    }
    // A key left over is one this version does not know (or one the tank does not read).
    if (!pairs->empty())
        return std::nullopt;
    return tank;
}

}  // namespace dipsheet::chart
