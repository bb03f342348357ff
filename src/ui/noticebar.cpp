#include "noticebar.h"

#include "appearance.h"

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
    hide();
}

void NoticeBar::say(const QString& text) {
    setText(text);
    setToolTip(text);
    setVisible(!text.isEmpty());
}

}  // namespace dipsheet::ui
