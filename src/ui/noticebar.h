#pragma once

// A notice bar: a line across a window that says what the world did (a busy or read-only file,
// a full disk) and the way out, shown while there is something to say and hidden otherwise. It
// may also offer one action as a button at its right end (converting the figures typed to the
// unit just chosen). Neither ever takes the keyboard focus, so typing goes on in the field the
// user is in, and Enter never presses the offer.

#include <QLabel>

#include <functional>

class QPushButton;

namespace dipsheet::ui {

class NoticeBar : public QLabel {
    Q_OBJECT

public:
    explicit NoticeBar(QWidget* parent);
    // Shows `text` as plain text on one line (line breaks and tabs as blanks), or clears it;
    // the tooltip holds `detail` (the engine's own words, say), else the text.
    void say(const QString& text, const QString& detail = {});
    // Offers `act` on a button captioned `caption` (objectName "cmdOffer"), `note` on the bar
    // beside it while there is no notice; an empty caption withdraws the offer. The button is
    // pressed by the mouse only.
    void offer(const QString& caption, const QString& note, std::function<void()> act);
    QPushButton* offerButton() const { return m_offerButton; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showWhatThereIs();
    void placeOffer();

    QPushButton* m_offerButton;
    QString m_notice;  // said
    QString m_note;    // beside the offer
    std::function<void()> m_act;
};

}  // namespace dipsheet::ui
