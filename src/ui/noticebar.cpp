#include "noticebar.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "appearance.h"
#include "errors.h"

namespace dipsheet::ui {

NoticeBar::NoticeBar(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("noticeBar"));
    setTextFormat(Qt::PlainText);  // stored names are never markup
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAutoFillBackground(true);
    setMargin(twips(60));
    setBackground(this, colour::yellow);
    setTextColour(this, Qt::black);

    m_offerButton = new QPushButton(this);
    m_offerButton->setObjectName(QStringLiteral("cmdOffer"));
    m_offerButton->setFocusPolicy(Qt::NoFocus);
    m_offerButton->setAutoDefault(false);
    m_offerButton->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, twips(60), 0);
    layout->addStretch(1);
    layout->addWidget(m_offerButton, 0, Qt::AlignVCenter);
    connect(m_offerButton, &QPushButton::clicked, this, guard([this] {
                // The act may withdraw the offer (and so replace m_act) while it runs.
                const std::function<void()> act = m_act;
                if (act)
                    act();
            }));
    hide();
}

void NoticeBar::say(const QString& text, const QString& detail) {
    setText(text.simplified());
    setToolTip(detail.isEmpty() ? text : detail);
    showWhatThereIs();
}

void NoticeBar::offer(const QString& caption, std::function<void()> act) {
    m_act = caption.isEmpty() ? std::function<void()>() : std::move(act);
    m_offerButton->setText(caption);
    m_offerButton->setVisible(!caption.isEmpty());
    showWhatThereIs();
}

void NoticeBar::showWhatThereIs() {
    const bool offered = !m_offerButton->isHidden();
    // The text keeps clear of the button at the right end.
    setContentsMargins(0, 0, offered ? m_offerButton->sizeHint().width() + twips(120) : 0, 0);
    setVisible(!text().isEmpty() || offered);
}

}  // namespace dipsheet::ui
