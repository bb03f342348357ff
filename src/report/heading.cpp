#include "report/painters.h"
#include "report/render.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QStringList>

#include <algorithm>
#include <string>

namespace dipsheet::report {

namespace {

QString normalisedLines(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

struct Field {
    QString label;
    QString value;
    int maxLines;
};

// The heading from the top of the page down, painted, or only measured without a painter.
class Heading {
public:
    Heading(const PageContext& page, QPainter* painter)
        : m_page(page), m_def(page.def), m_painter(painter) {}

    // Returns the height with the space below it.
    double paint() {
        if (m_painter != nullptr) {
            m_painter->setPen(Qt::black);
        }
        office();
        titles();
        chartFields();
        setUp();
        if (m_painter != nullptr) {
            m_painter->setPen(QPen(Qt::black, 0.3 * m_page.mm));
            m_painter->drawLine(QPointF(0.0, m_y), QPointF(m_page.width, m_y));
        }
        return m_y + m_page.gap;
    }

private:
    // Text across the page, wrapped, and cut after `maxLines` lines.
    void block(const QFont& font, const QString& text, int flags, double maxLines) {
        const int wrap = Qt::TextWordWrap;
        const QFontMetricsF metrics = m_page.metrics(font);
        const double limit = metrics.lineSpacing() * maxLines;
        const QRectF box(0.0, m_y, m_page.width, limit);
        const double height =
            std::min(limit, metrics.boundingRect(box, flags | wrap, text).height());
        if (m_painter != nullptr) {
            m_painter->setFont(font);
            m_painter->drawText(QRectF(0.0, m_y, m_page.width, height), flags | wrap, text);
        }
        m_y += height;
    }

    // The office's name, then its address, town and phone on a line, when asked for.
    void office() {
        const Company& office = m_page.report.company;
        if (!m_def.company || office.isEmpty()) {
            return;
        }
        if (!office.name.isEmpty()) {
            block(m_page.fonts.bold, office.name, Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        QStringList where;
        for (const QString* part : {&office.address, &office.town, &office.phone}) {
            if (!part->isEmpty()) {
                where << *part;
            }
        }
        if (!where.isEmpty()) {
            block(m_page.fonts.body, where.join(QStringLiteral("  \u00B7  ")),
                  Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        m_y += m_page.gap * 0.5;
    }

    void titles() {
        if (!m_def.title.isEmpty()) {
            block(m_page.fonts.title, m_def.title, Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        const QString client = normalisedLines(m_page.report.job.member);
        if (!client.trimmed().isEmpty()) {
            block(m_page.fonts.client, client, Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        m_y += m_page.gap;
    }

    // The chart heading on the left, the date and units on the right. Each field has a most
    // lines it may take, so that a long description can neither push the serial number off
    // nor leave no room for the chart; lines beyond are cut.
    void chartFields() {
        const store::JobRecord& job = m_page.report.job;
        const double leftWidth = m_page.width * 0.56;
        const double rightLeft = leftWidth + m_page.gap * 2.0;
        const std::vector<Field> left = {
            {QStringLiteral("Customer:"), normalisedLines(job.customer), 4},
            {QStringLiteral("Description:"), normalisedLines(job.tankDesc), 8},
            {QStringLiteral("Serial number:"), normalisedLines(job.serialNo), 2},
        };
        std::vector<Field> right = {
            {QStringLiteral("Date:"), m_page.report.date.toString(m_def.dateFormat), 2}};
        if (m_page.report.reprinted.isValid())
            right.push_back({QStringLiteral("Reprinted:"),
                             m_page.report.reprinted.toString(m_def.dateFormat), 2});
        right.push_back({QStringLiteral("Units:"), m_def.unitsText(), 3});
        if (!m_page.report.heads.isEmpty())
            right.push_back({QStringLiteral("Heads:"), m_page.report.heads, 2});
        const double leftHeight = fields(left, 0.0, leftWidth, m_y);
        const double rightHeight = fields(right, rightLeft, m_page.width - rightLeft, m_y);
        m_y += std::max(leftHeight, rightHeight) + m_page.gap * 0.5;
    }

    // The chart's set-up and the tank's full capacity, where the file keeps them.
    void setUp() {
        const auto& setup = m_page.report.setup;
        if (!setup) {
            return;
        }
        QString line = QString::fromStdString(setup->text) + QStringLiteral("; full ") +
                       volumeText(static_cast<float>(setup->full), m_def.volumeDecimals);
        if (!m_def.capacityUnit.isEmpty())
            line += QLatin1Char(' ') + m_def.capacityUnit;
        // the fill marks, whose rows print in bold
        if (!m_page.report.marks.isEmpty())
            line += QStringLiteral("; ") + m_page.report.marks;
        block(m_page.fonts.small, line, Qt::AlignLeft | Qt::AlignTop, 3);
        m_y += m_page.gap * 0.5;
    }

    // Labelled values, one under the other, in a box `width` wide at (x, top); values wrap
    // and keep their line breaks. Returns the height used.
    double fields(const std::vector<Field>& items, double x, double width, double top) const {
        const QFontMetricsF bold = m_page.metrics(m_page.fonts.bold);
        const QFontMetricsF body = m_page.metrics(m_page.fonts.body);
        double labelWidth = 0.0;
        for (const Field& item : items) {
            labelWidth = std::max(labelWidth, bold.horizontalAdvance(item.label));
        }
        labelWidth += m_page.gap;
        const double valueWidth = std::max(width - labelWidth, width * 0.3);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        double y = top;
        for (const Field& item : items) {
            const double limit = body.lineSpacing() * item.maxLines;
            const QRectF measure(x + labelWidth, y, valueWidth, limit);
            const double height =
                std::min(limit, std::max(body.lineSpacing(),
                                         body.boundingRect(measure, flags, item.value).height()));
            if (m_painter != nullptr) {
                m_painter->setPen(Qt::black);
                m_painter->setFont(m_page.fonts.bold);
                m_painter->drawText(QRectF(x, y, labelWidth, bold.lineSpacing()),
                                    Qt::AlignLeft | Qt::AlignTop, item.label);
                m_painter->setFont(m_page.fonts.body);
                m_painter->drawText(QRectF(x + labelWidth, y, valueWidth, height), flags,
                                    item.value);
            }
            y += height + body.lineSpacing() * 0.15;
        }
        return y - top;
    }

    const PageContext& m_page;
    const Definition& m_def;
    QPainter* m_painter;
    double m_y = 0.0;
};

}  // namespace

double paintHeading(const PageContext& page, QPainter* painter) {
    return Heading(page, painter).paint();
}

}  // namespace dipsheet::report
