#include "noticebar.h"

#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>

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
    connect(m_offerButton, &QPushButton::clicked, this, guard([this] {
                // The act may withdraw the offer (and so replace m_act) while it runs.
                const std::function<void()> act = m_act;
                if (act)
                    act();
            }));
    hide();
}

void NoticeBar::say(const QString& text, const QString& detail) {
    m_notice = text.simplified();
    setToolTip(detail.isEmpty() ? text : detail);
    showWhatThereIs();
}

void NoticeBar::offer(const QString& caption, const QString& note, std::function<void()> act) {
    m_act = caption.isEmpty() ? std::function<void()>() : std::move(act);
    m_note = caption.isEmpty() ? QString() : note;
    m_offerButton->setText(caption);
    m_offerButton->setVisible(!caption.isEmpty());
    showWhatThereIs();
}

void NoticeBar::showWhatThereIs() {
    const bool offered = !m_offerButton->isHidden();
    setText(m_notice.isEmpty() ? m_note : m_notice);
    // The text keeps clear of the button at the right end.
    setContentsMargins(0, 0, offered ? m_offerButton->sizeHint().width() + twips(120) : 0, 0);
    placeOffer();
    updateGeometry();
    setVisible(!text().isEmpty() || offered);
}

QSize NoticeBar::sizeHint() const {
    QSize size = QLabel::sizeHint();
    if (!m_offerButton->isHidden())
        size.setHeight(std::max(size.height(), m_offerButton->sizeHint().height() + twips(60)));
    return size;
}

QSize NoticeBar::minimumSizeHint() const {
    QSize size = QLabel::minimumSizeHint();
    if (!m_offerButton->isHidden())
        size.setHeight(std::max(size.height(), m_offerButton->sizeHint().height() + twips(60)));
    return size;
}

void NoticeBar::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    placeOffer();
}

void NoticeBar::placeOffer() {
    // At the bar's right end, whatever margin the text keeps.
    const QSize button = m_offerButton->sizeHint();
    m_offerButton->setGeometry(width() - button.width() - twips(60),
                               (height() - button.height()) / 2, button.width(), button.height());
}

}  // namespace dipsheet::ui
