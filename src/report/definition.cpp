#include "definition.h"
#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace dipsheet::report {

ReportError::ReportError(int number, const QString& description, bool databaseDamaged,
                         int databaseCode)
    : std::runtime_error(description.toStdString()),
      m_number(number),
      m_databaseDamaged(databaseDamaged),
      m_databaseCode(databaseCode) {}

QString Definition::unitsText() const {
    if (!units.isEmpty()) {
        return units;
    }
    const auto part = [](const QString& heading, const QString& unit) {
        return unit.isEmpty() ? heading : heading + QStringLiteral(" (") + unit + QLatin1Char(')');
    };
    return part(depthHeading, depthUnit) + QStringLiteral(", ") +
           part(capacityHeading, capacityUnit);
}

namespace {

// Larger than any sensible definition; a bigger file is most likely the wrong file.
constexpr qint64 kMaxDefinitionBytes = 1 << 20;

// A key's reader: stores the value in the definition, or returns what the key expects.
using Reader = std::function<std::optional<QString>(Definition&, const QString&)>;

struct Key {
    const char* name;
    Reader read;
};

struct Section {
    const char* name;
    std::vector<Key> keys;
};

std::optional<QString> expected(const char* what) {
    return QString::fromUtf8(what);
}

// A plain decimal number with '.' as the point, within [low, high].
std::optional<double> number(const QString& text, double low, double high) {
    static const QRegularExpression pattern(QStringLiteral("^[0-9]*\\.?[0-9]+$"));
    if (!pattern.match(text).hasMatch()) {
        return std::nullopt;
    }
    const double value = text.toDouble();
    if (!(value >= low && value <= high)) {
        return std::nullopt;
    }
    return value;
}

// A length with its unit (mm, cm, in or pt), in millimetres, within [low, high] millimetres.
std::optional<double> lengthMm(const QString& text, double low, double high) {
    static const QRegularExpression pattern(QStringLiteral("^([0-9]*\\.?[0-9]+)\\s*(mm|cm|in|pt)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString unit = match.captured(2).toLower();
    const double factor = unit == QLatin1String("mm")   ? 1.0
                          : unit == QLatin1String("cm") ? 10.0
                          : unit == QLatin1String("in") ? 25.4
                                                        : 25.4 / 72.0;
    const double value = match.captured(1).toDouble() * factor;
    if (!(value >= low && value <= high)) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> yesNo(const QString& text) {
    const QString t = text.toLower();
    if (t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("on") ||
        t == QLatin1String("1")) {
        return true;
    }
    if (t == QLatin1String("no") || t == QLatin1String("false") || t == QLatin1String("off") ||
        t == QLatin1String("0")) {
        return false;
    }
    return std::nullopt;
}

Reader flag(bool Definition::*field) {
    return [field](Definition& d, const QString& value) -> std::optional<QString> {
        const auto on = yesNo(value);
        if (!on) {
            return expected("yes or no");
        }
        d.*field = *on;
        return std::nullopt;
    };
}

Reader text(QString Definition::*field) {
    return [field](Definition& d, const QString& value) -> std::optional<QString> {
        d.*field = value;
        return std::nullopt;
    };
}

Reader nonEmptyText(QString Definition::*field, const char* what) {
    return [field, what](Definition& d, const QString& value) -> std::optional<QString> {
        if (value.isEmpty()) {
            return expected(what);
        }
        d.*field = value;
        return std::nullopt;
    };
}

// One of a few names, matched without regard to case, each standing for a value of the field.
template <typename T>
Reader oneOf(T Definition::*field, std::vector<std::pair<const char*, T>> names, const char* what) {
    return [field, names = std::move(names), what](Definition& d,
                                                   const QString& v) -> std::optional<QString> {
        for (const auto& [name, value] : names) {
            if (v.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
                d.*field = value;
                return std::nullopt;
            }
        }
        return expected(what);
    };
}

// A size in points, from 4 to `largest`.
Reader points(double Definition::*field, double largest, const char* what) {
    return [field, largest, what](Definition& d, const QString& v) -> std::optional<QString> {
        const auto size = number(v, 4.0, largest);
        if (!size) {
            return expected(what);
        }
        d.*field = *size;
        return std::nullopt;
    };
}

// Sections and keys with their readers. Names match without regard to case.
const std::vector<Section>& sections() {
    static const std::vector<Section> table = [] {
        std::vector<Section> s;
        s.push_back({"Report",
                     {
                         {"Title", text(&Definition::title)},
                         {"DateFormat", nonEmptyText(&Definition::dateFormat,
                                                     "a date pattern such as yyyy-MM-dd")},
                         {"Units", text(&Definition::units)},
                         {"Company", flag(&Definition::company)},
                     }});
        s.push_back(
            {"Columns",
             {
                 {"DepthHeading", text(&Definition::depthHeading)},
                 {"DepthUnit", text(&Definition::depthUnit)},
                 {"CapacityHeading", text(&Definition::capacityHeading)},
                 {"CapacityUnit", text(&Definition::capacityUnit)},
                 {"DepthFormat",
                  oneOf(&Definition::depthFormat,
                        {{"decimal", DepthFormat::Decimal}, {"fraction", DepthFormat::Fraction}},
                        "decimal or fraction")},
                 {"VolumeDecimals",
                  [](Definition& d, const QString& v) -> std::optional<QString> {
                      if (v.toLower() == QLatin1String("shortest")) {
                          d.volumeDecimals = kShortestVolume;
                          return std::nullopt;
                      }
                      static const QRegularExpression digit(QStringLiteral("^[0-9]$"));
                      if (!digit.match(v).hasMatch()) {
                          return expected("shortest, or a whole number of decimals from 0 to 9");
                      }
                      d.volumeDecimals = v.toInt();
                      return std::nullopt;
                  }},
                 {"Ullage", flag(&Definition::ullage)},
                 {"Percent", flag(&Definition::percent)},
                 {"Pairs",
                  [](Definition& d, const QString& v) -> std::optional<QString> {
                      static const QRegularExpression digit(QStringLiteral("^[1-8]$"));
                      if (!digit.match(v).hasMatch()) {
                          return expected("a whole number of column pairs from 1 to 8");
                      }
                      d.pairs = v.toInt();
                      return std::nullopt;
                  }},
                 {"Layout", oneOf(&Definition::layout,
                                  {{"list", TableLayout::List}, {"eighths", TableLayout::Eighths}},
                                  "list or eighths")},
             }});
        s.push_back({"Page",
                     {
                         {"Paper", oneOf(&Definition::paper,
                                         {{"A3", QPageSize::A3},
                                          {"A4", QPageSize::A4},
                                          {"A5", QPageSize::A5},
                                          {"B5", QPageSize::B5},
                                          {"Letter", QPageSize::Letter},
                                          {"Legal", QPageSize::Legal},
                                          {"Executive", QPageSize::Executive},
                                          {"Tabloid", QPageSize::Tabloid}},
                                         "A3, A4, A5, B5, Letter, Legal, Executive or Tabloid")},
                         {"Orientation", oneOf(&Definition::orientation,
                                               {{"portrait", QPageLayout::Portrait},
                                                {"landscape", QPageLayout::Landscape}},
                                               "portrait or landscape")},
                     }});
        // The four margins share one reader that is told which side it sets.
        const auto marginKey = [](const char* name, void (QMarginsF::*set)(qreal)) {
            return Key{name, [set](Definition& d, const QString& v) -> std::optional<QString> {
                           const auto mm = lengthMm(v, 0.0, 60.0);
                           if (!mm) {
                               return expected(
                                   "a length from 0 to 60 mm with its unit: mm, cm, in or pt "
                                   "(15mm, 0.5in)");
                           }
                           (d.marginsMm.*set)(*mm);
                           return std::nullopt;
                       }};
        };
        s.back().keys.push_back(marginKey("MarginLeft", &QMarginsF::setLeft));
        s.back().keys.push_back(marginKey("MarginTop", &QMarginsF::setTop));
        s.back().keys.push_back(marginKey("MarginRight", &QMarginsF::setRight));
        s.back().keys.push_back(marginKey("MarginBottom", &QMarginsF::setBottom));
        s.push_back(
            {"Font",
             {
                 {"Family", nonEmptyText(&Definition::fontFamily, "the name of a font family")},
                 {"Size", points(&Definition::fontSize, 36.0, "a size in points from 4 to 36")},
                 {"TitleSize",
                  points(&Definition::titleSize, 72.0, "a size in points from 4 to 72")},
             }});
        s.push_back({"Curve",
                     {
                         {"Draw", flag(&Definition::drawCurve)},
                         {"Height",
                          [](Definition& d, const QString& v) -> std::optional<QString> {
                              const auto mm = lengthMm(v, 20.0, 250.0);
                              if (!mm) {
                                  return expected(
                                      "a length from 20 to 250 mm with its unit: mm, cm, in or "
                                      "pt (70mm, 3in)");
                              }
                              d.curveHeightMm = *mm;
                              return std::nullopt;
                          }},
                     }});
        s.push_back({"Sketch", {{"Draw", flag(&Definition::drawSketch)}}});
        s.push_back({"Output",
                     {
                         {"Destination", oneOf(&Definition::destination,
                                               {{"preview", Destination::Preview},
                                                {"printer", Destination::Printer},
                                                {"pdf", Destination::Pdf}},
                                               "preview, printer or pdf")},
                         {"File", nonEmptyText(&Definition::file, "a file name such as chart.pdf")},
                     }});
        return s;
    }();
    return table;
}

const Section* findSection(const QString& name) {
    for (const Section& section : sections()) {
        if (name.compare(QLatin1String(section.name), Qt::CaseInsensitive) == 0) {
            return &section;
        }
    }
    return nullptr;
}

const Key* findKey(const Section& section, const QString& name) {
    for (const Key& key : section.keys) {
        if (name.compare(QLatin1String(key.name), Qt::CaseInsensitive) == 0) {
            return &key;
        }
    }
    return nullptr;
}

}  // namespace

Definition parseDefinition(const QByteArray& content, const QString& fileName) {
    Definition definition;
    const Section* section = nullptr;
    QString sectionName;
    std::map<QString, int> seen;  // "section/key" in lower case → line where it was set

    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNo = static_cast<int>(index + 1);
        const auto fail = [&](int number, const QString& what) {
            return ReportError(
                number, QStringLiteral("%1, line %2: %3").arg(fileName).arg(lineNo).arg(what));
        };

        QByteArray bytes = lines[index];
        if (bytes.endsWith('\r')) {
            bytes.chop(1);
        }
        if (index == 0 && bytes.startsWith("\xEF\xBB\xBF")) {
            bytes.remove(0, 3);
        }
        QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decode(bytes);
        if (decode.hasError()) {
            throw fail(kMalformedLine, QStringLiteral("the line is not UTF-8 text"));
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) {
            continue;
        }

        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            if (close < 0 || !iniOnlyComment(QStringView(trimmed).mid(close + 1))) {
                throw fail(
                    kMalformedLine,
                    QStringLiteral("a section header must be [Name], found \"%1\"").arg(trimmed));
            }
            const QString name = trimmed.mid(1, close - 1).trimmed();
            section = findSection(name);
            if (section == nullptr) {
                throw fail(kUnknownName,
                           QStringLiteral("unknown section [%1]; the sections are [Report], "
                                          "[Columns], [Page], [Font], [Curve], [Sketch] and "
                                          "[Output]")
                               .arg(name));
            }
            sectionName = QString::fromLatin1(section->name);
            continue;
        }

        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (equals < 0) {
            throw fail(kMalformedLine,
                       QStringLiteral("expected [Section], Key=Value or a ; comment, found \"%1\"")
                           .arg(trimmed));
        }
        const QString keyName = trimmed.left(equals).trimmed();
        if (keyName.isEmpty()) {
            throw fail(kMalformedLine, QStringLiteral("a key name is missing before '='"));
        }
        if (section == nullptr) {
            throw fail(kMalformedLine,
                       QStringLiteral("key \"%1\" stands before the first [Section]").arg(keyName));
        }
        const std::optional<QString> value = iniValue(QStringView(trimmed).mid(equals + 1));
        if (!value) {
            throw fail(kMalformedLine,
                       QStringLiteral("the quoted value of %1 has no closing quote, or text "
                                      "follows it")
                           .arg(keyName));
        }
        const Key* key = findKey(*section, keyName);
        if (key == nullptr) {
            QStringList names;
            for (const Key& k : section->keys) {
                names << QString::fromLatin1(k.name);
            }
            throw fail(kUnknownName,
                       QStringLiteral("unknown key \"%1\" in section [%2]; it takes %3")
                           .arg(keyName, sectionName, names.join(QStringLiteral(", "))));
        }
        const QString id =
            sectionName.toLower() + QLatin1Char('/') + QString::fromLatin1(key->name).toLower();
        if (const auto earlier = seen.find(id); earlier != seen.end()) {
            throw fail(kUnknownName, QStringLiteral("%1 in [%2] is set twice (first on line %3)")
                                         .arg(QString::fromLatin1(key->name), sectionName)
                                         .arg(earlier->second));
        }
        seen.emplace(id, lineNo);
        if (const std::optional<QString> wanted = key->read(definition, *value)) {
            throw fail(kBadValue,
                       QStringLiteral("bad value \"%1\" for %2 in [%3]: expected %4")
                           .arg(*value, QString::fromLatin1(key->name), sectionName, *wanted));
        }
    }
    return definition;
}

Definition readDefinition(const QString& path) {
    QFile file(path);
    const QString folder = QFileInfo(path).absoluteDir().path();
    const QFileInfo info(path);
    // Only a regular file: a folder cannot be read, and a pipe or device could block or never end.
    const bool special = info.exists() && !info.isFile();
    if (special || !file.open(QIODevice::ReadOnly)) {
        const QString reason = info.isDir() ? QStringLiteral("it is a folder")
                               : special    ? QStringLiteral("it is not a regular file")
                                            : file.errorString();
        throw ReportError(kDefinitionUnreadable,
                          QStringLiteral("%1: cannot read the report definition in %2: %3")
                              .arg(path, folder, reason));
    }
    const QByteArray content = file.read(kMaxDefinitionBytes + 1);
    if (content.size() > kMaxDefinitionBytes) {
        throw ReportError(kDefinitionUnreadable,
                          QStringLiteral("%1: the report definition is larger than 1 MB; it is "
                                         "not a report definition")
                              .arg(path));
    }
    if (file.error() != QFileDevice::NoError) {
        throw ReportError(kDefinitionUnreadable,
                          QStringLiteral("%1: cannot read the report definition in %2: %3")
                              .arg(path, folder, file.errorString()));
    }
    return parseDefinition(content, path);
}

}  // namespace dipsheet::report
