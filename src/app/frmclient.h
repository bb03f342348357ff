#pragma once

// The client panel: the client's (member's) name, kept in the first job record. Entering the
// field selects the name; leaving it saves the name unless it is blank, which is refused.

#include <QWidget>

class QLineEdit;

namespace dipsheet::app {

class FrmClient : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the stored name of the first job record.
    explicit FrmClient(QWidget* parentArea);

    QLineEdit* txtClient;

    // The window closes while the name is being edited: keep it as leaving the field would,
    // unless it is blank (then the stored name stays; there is no field to return to).
    void keepNameBeingEdited();

private:
    // Any name but a blank one (empty or spaces only) is stored exactly as typed, leading
    // spaces included, as the field is left.
    void txtClient_LostFocus();
    // Once the focus has settled: a blank name is refused with a message, the focus goes back.
    void refuseBlankName();
};

}  // namespace dipsheet::app
