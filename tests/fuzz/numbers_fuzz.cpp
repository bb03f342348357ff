// Fuzzes the two readers of typed numbers: the lenient leading-number reader and the strict
// whole-text conversion, in the "C" format and in a comma-decimal format.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "numbers.h"

using namespace dipsheet::chart;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double lead = leadingNumber(text);
    if (std::isnan(lead))
        std::abort();

    static const NumberFormat c{".", ","};
    static const NumberFormat comma{",", "."};
    for (const NumberFormat* format : {&c, &comma}) {
        const auto wide = strictDouble(text, *format);
        const auto narrow = strictSingle(text, *format);
        if (wide && !std::isfinite(*wide))
            std::abort();
        if (narrow && !std::isfinite(*narrow))
            std::abort();
        // A text that is a single is also a double, and the other way unless out of range.
        if (narrow && !wide)
            std::abort();
        if (wide && !narrow && std::fabs(*wide) <= 3.4e38)
            std::abort();
    }

    // A whole number in the "C" format without group separators or carriage returns is its
    // own leading number.
    const auto whole = strictDouble(text, c);
    if (whole && text.find(',') == std::string_view::npos &&
        text.find('\r') == std::string_view::npos && lead != *whole) {
        std::abort();
    }
    (void)singleText(static_cast<float>(lead));
    return 0;
}
