// The chart options panel's unit switch and its commands: Calculate, which makes the chart and
// stores it with its set-up, and Exit.
#include "chartoptionspanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "chart/numbers.h"
#include "ui.h"

namespace dipsheet::setup {

// ---- Units: a switch changes the unit only; the figures stay as typed. Converting them is
// offered, never done unasked: an office that typed a millimetre tank before fixing the unit
// must not find every figure multiplied by 25.4.

QList<QLineEdit*> ChartOptionsPanel::measureFields() const {
    return m_rectangularPanel->fields() + m_headsPanel->fields() + m_tiltPanel->fields() +
           QList<QLineEdit*>{txtIncrement} + m_horizontalPanel->fields() +
           m_verticalPanel->fields();
}

void ChartOptionsPanel::unitSwitched(bool inches) {
    const QList<QLineEdit*> fields = measureFields();
    const bool typed = std::any_of(fields.begin(), fields.end(), [](const QLineEdit* field) {
        return !field->text().trimmed().isEmpty();
    });
    showStepCaption();
    emit inputsChanged();
    // Switched back before converting: the figures are in the unit they were typed in again.
    if (!typed || m_conversionOffered)
        offerConversion(std::nullopt);
    else
        offerConversion(inches);
}

void ChartOptionsPanel::offerConversion(std::optional<bool> toInches) {
    if (toInches == m_conversionOffered)
        return;
    m_conversionOffered = toInches;
    emit conversionOffered(!toInches ? QString()
                           : *toInches
                               ? QStringLiteral("Convert the figures typed to inches")
                               : QStringLiteral("Convert the figures typed to millimetres"));
}

void ChartOptionsPanel::convertTypedFigures() {
    if (!m_conversionOffered)
        return;
    const bool toInches = *m_conversionOffered;
    m_converting = true;
    const auto done = qScopeGuard([this] { m_converting = false; });
    convertFigures(toInches);
    offerConversion(std::nullopt);
    // Converting a hidden panel ran its own readiness: Calculate is the panel's on screen.
    applyReadinessOnScreen();
    emit inputsChanged();
}

void ChartOptionsPanel::convertFigures(bool toInches) {
    const QLocale locale = QLocale::system();
    const chart::NumberFormat user{locale.decimalPoint().toStdString(),
                                   locale.groupSeparator().toStdString()};
    for (QLineEdit* field : measureFields()) {
        const bool increment = field == txtIncrement;
        // The increment (or volume step) is read with '.' whatever the user's format.
        const std::string converted = chart::convertedMeasure(
            field->text().toStdString(), toInches, increment ? chart::NumberFormat{".", ""} : user,
            increment && byVolume());
        if (converted != field->text().toStdString())
            field->setText(QString::fromStdString(converted));
    }
}

// ---- Commands.

void ChartOptionsPanel::cmdCalculate_Click() {
    try {
        // The wait cursor while the chart is made, gone before any message about it.
        const ui::WaitCursor wait;
        // The options of this panel and the texts of the dimension panel on screen; a text the
        // chart cannot use throws chart::InputError before anything is kept or written.
        keepChart(tankOf(currentShape()));
    } catch (const chart::InputError& e) {
        // Input the user can mend: say what is wrong; nothing was kept or written.
        ui::messageBox(QString::fromUtf8(e.what()));
    }
}

void ChartOptionsPanel::cmdExit_Click() {
    emit exitRequested();
}

// ---- The chart and the row writer.

void ChartOptionsPanel::keepChart(const chart::Tank& tank) {
    chart::Tank::Chart made = tank.chart();
    // The chart in memory is replaced only once it is in the file: a write that fails leaves
    // the chart on show, in memory and in the file, as it was.
    store::ChartSetup setup{tank.describe(), made.full, tank};
    std::swap(m_chartRows, made.rows);
    std::swap(m_chartSetup, setup);
    try {
        storeChart(chart::rowCount(m_chartRows));
    } catch (...) {
        m_chartRows = std::move(made.rows);
        m_chartSetup = std::move(setup);
        throw;
    }
}

void ChartOptionsPanel::calculateFromHistory(std::int64_t historyId) {
    rememberHistoryChart(historyId, m_job ? m_job->record() : store::JobRecord{});
    cmdCalculate_Click();
}

void ChartOptionsPanel::rememberHistoryChart(std::int64_t historyId,
                                             const store::JobRecord& heading) {
    m_fromHistory = FromHistory{historyId, tank(), heading};
}

namespace {
// The same job to the eye: a field left blank is padded with a space as it is left, which
// changes nothing the user reads.
bool sameJob(const store::JobRecord& a, const store::JobRecord& b) {
    const auto same = [](const std::string& x, const std::string& y) {
        return x == y || (store::isBlank(x) && store::isBlank(y));
    };
    return same(a.member, b.member) && same(a.customer, b.customer) &&
           same(a.tankDesc, b.tankDesc) && same(a.serialNo, b.serialNo);
}
}  // namespace

void ChartOptionsPanel::storeChart(std::int16_t n) {
    // Rows 1 to n; row 0 is never stored. n never reaches past the chart in memory.
    const std::size_t available = m_chartRows.empty() ? 0 : m_chartRows.size() - 1;
    const std::size_t count = n > 0 ? std::min(std::size_t(n), available) : 0;
    std::span<const chart::CapacityRow> rows;
    if (count > 0)
        rows = std::span<const chart::CapacityRow>(m_chartRows).subspan(1, count);
    // The heading on screen goes with the chart: stored with it, carried by its history row.
    std::optional<store::JobRecord> job;
    if (m_job)
        job = m_job->record();
    // A chart of the history shown again is not a new chart; one whose tank or heading was
    // changed since is.
    const bool again = m_fromHistory && m_chartSetup.tank &&
                       m_fromHistory->tank == *m_chartSetup.tank &&
                       sameJob(m_fromHistory->heading, job.value_or(store::JobRecord{}));
    // The set-up goes with the rows, in the same transaction: a busy or read-only file changes
    // nothing.
    store::Database db = m_database.connect();
    db.replaceChart(rows, m_chartSetup, job, !again);
    if (m_job) {
        m_job->saved(*job);
        m_job->setChart(*job, again ? m_fromHistory->id : db.appendedHistoryId());
        if (db.searchIndexRebuilt())
            m_job->tell(document::indexRebuiltNotice());
    }
    if (!again)
        m_fromHistory.reset();
    emit chartStored(m_chartSetup);
}

}  // namespace dipsheet::setup
