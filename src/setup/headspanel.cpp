#include "headspanel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "chart/numbers.h"
#include "ui.h"

namespace dipsheet::setup {

namespace {
constexpr int kDepthMaxLength = 9;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

HeadsPanel::HeadsPanel(QWidget* parentArea) : QWidget(parentArea) {
    setObjectName(QStringLiteral("frmHeads"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 3180, 1215).size());
    ui::setBackground(this, ui::colour::blue);

    const auto label = [this](const QString& name, int top) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        ui::placeTwips(l, 240, top, 1215, 255);
        ui::setBackground(l, ui::colour::cyan);
        ui::setTextColour(l, QPalette().color(QPalette::ButtonText));
        return l;
    };
    lblHeads = label(QStringLiteral("Label1"), 240);
    cboHeads = new QComboBox(this);
    cboHeads->setObjectName(QStringLiteral("cboHeads"));
    for (chart::HeadKind kind : chart::kHeadKinds)
        cboHeads->addItem(qText(chart::headKindTitle(kind)));
    ui::placeTwips(cboHeads, 1680, 240, 1380, 315);
    // The list opens wide enough for its texts, whatever the box's own width.
    cboHeads->view()->setMinimumWidth(cboHeads->view()->sizeHintForColumn(0) + 24);
    lblHeadDepth = label(QStringLiteral("Label2"), 720);
    txtHeadDepth = new QLineEdit(this);
    txtHeadDepth->setObjectName(QStringLiteral("txtHeadDepth"));
    txtHeadDepth->setMaxLength(kDepthMaxLength);
    ui::placeTwips(txtHeadDepth, 1680, 720, 1215, 285);
    ui::setBackground(txtHeadDepth, ui::colour::white);
    ui::selectAllOnEntry(txtHeadDepth);
    QWidget::setTabOrder(cboHeads, txtHeadDepth);

    connect(cboHeads, &QComboBox::currentIndexChanged, this,
            ui::guard([this] { cboHeads_Click(); }));
    connect(txtHeadDepth, &QLineEdit::textEdited, this, ui::guard([this](const QString& text) {
                m_choice[m_vertical].depth = text;
                emit edited();
            }));
    ui::onGotFocus(txtHeadDepth, [this] { emit edited(); });
    setVertical(false);
}

void HeadsPanel::setVertical(bool vertical) {
    m_vertical = vertical;
    lblHeads->setText(vertical ? QStringLiteral("Bottom") : QStringLiteral("Heads"));
    lblHeadDepth->setText(vertical ? QStringLiteral("Bottom Depth") : QStringLiteral("Head Depth"));
    {
        // The other tank's own choice comes back: no choice of the user's.
        const QSignalBlocker loading(cboHeads);
        cboHeads->setCurrentIndex(m_choice[vertical].index);
    }
    showDepthRow();
}

chart::HeadKind HeadsPanel::kind() const {
    const int index = cboHeads->currentIndex();
    return index >= 0 && index < int(std::size(chart::kHeadKinds))
               ? chart::kHeadKinds[static_cast<std::size_t>(index)]
               : chart::HeadKind::Flat;
}

chart::HeadTexts HeadsPanel::texts() const {
    chart::HeadTexts texts;
    texts.kind = kind();
    if (chart::headDepthIsTyped(texts.kind))
        texts.depth = txtHeadDepth->text().toUtf8().toStdString();
    return texts;
}

void HeadsPanel::setHeads(const chart::HeadTexts& heads) {
    const auto* kind =
        std::find(std::begin(chart::kHeadKinds), std::end(chart::kHeadKinds), heads.kind);
    Choice& choice = m_choice[m_vertical];
    choice.index = static_cast<int>(kind - std::begin(chart::kHeadKinds));
    if (chart::headDepthIsTyped(heads.kind))
        choice.depth = QString::fromStdString(heads.depth);
    {
        const QSignalBlocker loading(cboHeads);
        cboHeads->setCurrentIndex(choice.index);
    }
    showDepthRow();
    emit edited();
}

QString HeadsPanel::missingRow() const {
    if (!chart::headDepthIsTyped(kind()))
        return {};
    const QByteArray text = txtHeadDepth->text().toUtf8();
    const double depth =
        chart::leadingNumber(std::string_view(text.constData(), size_t(text.size())));
    return depth > 0 ? QString() : lblHeadDepth->text();
}

void HeadsPanel::showDiameter(double insideDiameter) {
    m_insideDiameter = insideDiameter;
    if (!chart::headDepthIsTyped(kind()))
        showDepthRow();
}

void HeadsPanel::cboHeads_Click() {
    m_choice[m_vertical].index = cboHeads->currentIndex();
    showDepthRow();
    emit edited();
}

void HeadsPanel::showDepthRow() {
    const chart::HeadKind k = kind();
    const bool flat = k == chart::HeadKind::Flat;
    lblHeadDepth->setVisible(!flat);
    txtHeadDepth->setVisible(!flat);
    const bool typed = chart::headDepthIsTyped(k);
    txtHeadDepth->setReadOnly(!typed);
    txtHeadDepth->setFocusPolicy(typed ? Qt::StrongFocus : Qt::NoFocus);
    if (typed) {
        txtHeadDepth->setText(m_choice[m_vertical].depth);
    } else {
        const auto depth = chart::fixedHeadDepth(k, m_insideDiameter);
        txtHeadDepth->setText(
            depth && m_insideDiameter > 0
                ? QString::fromStdString(chart::singleDefaultText(static_cast<float>(*depth)))
                : QString());
    }
}

QList<QWidget*> HeadsPanel::keyboardOrder() const {
    return {cboHeads, txtHeadDepth};
}

}  // namespace dipsheet::setup
