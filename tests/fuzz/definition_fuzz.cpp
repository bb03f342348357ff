// Fuzzes the report definition reader: any content either gives a definition whose values are
// usable or a ReportError naming the file and line; nothing else may escape. The cell texts
// are fuzzed alongside with singles taken from the same bytes.
#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "definition.h"
#include "render.h"

using namespace dipsheet::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const Definition d = parseDefinition(content, QStringLiteral("fuzz.rpt"));
        if (d.pairs < 1 || d.pairs > 8)
            std::abort();
        if (!(d.fontSize > 0) || !(d.titleSize > 0) || !std::isfinite(d.fontSize))
            std::abort();
        if (d.volumeDecimals < kShortestVolume || d.volumeDecimals > 9)
            std::abort();
        if (!(d.curveHeightMm >= 0) || !std::isfinite(d.curveHeightMm))
            std::abort();
        for (double margin :
             {d.marginsMm.left(), d.marginsMm.top(), d.marginsMm.right(), d.marginsMm.bottom()}) {
            if (!(margin >= 0) || !std::isfinite(margin))
                std::abort();
        }
    } catch (const ReportError& e) {
        if (!QString::fromUtf8(e.what()).startsWith(QStringLiteral("fuzz.rpt")))
            std::abort();
    }

    for (std::size_t i = 0; i + sizeof(float) <= size && i < 64; i += sizeof(float)) {
        float value;
        std::memcpy(&value, data + i, sizeof value);
        if (depthText(value, DepthFormat::Fraction).isEmpty())
            std::abort();
        if (depthText(value, DepthFormat::Decimal).isEmpty())
            std::abort();
        if (volumeText(value, static_cast<int>(data[i] % 11) - 1).isEmpty())
            std::abort();
    }
    return 0;
}
